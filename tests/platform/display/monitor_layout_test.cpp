// The monitor list: its normalisation (mirrors, empty and contained monitors,
// order), the union, and MonitorWatch against real servers: Xvfb with RandR
// monitors set by xrandr and changed while it watches, Xephyr joining two X
// screens with Xinerama, and a plain one-monitor Xvfb.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/display/monitor_layout.h"
#include "support/monitor_servers.h"

namespace skyweave {
namespace {

using Rects = std::vector<PixelRect>;

// Points DISPLAY at one test server for the length of a scope.
class DisplayScope {
  public:
    explicit DisplayScope(const std::string& name) { setenv("DISPLAY", name.c_str(), 1); }
    ~DisplayScope() { unsetenv("DISPLAY"); }
};

TEST(NormaliseMonitors, Table) {
    const PixelRect wide{0, 0, 1920, 1080};
    const PixelRect tall{1920, 100, 3200, 1124};
    const struct {
        const char* name;
        Rects given;
        Rects expected;
    } cases[] = {
        {"none", {}, {}},
        {"one", {wide}, {wide}},
        {"sorted by left edge", {tall, wide}, {wide, tall}},
        {"same left edge: top first",
         {{0, 1080, 800, 1680}, {0, 0, 800, 600}},
         {{0, 0, 800, 600}, {0, 1080, 800, 1680}}},
        {"mirror shown once", {wide, tall, wide}, {wide, tall}},
        {"smaller mirror inside a larger one", {{0, 0, 1280, 1024}, wide}, {wide}},
        {"empty and inverted dropped", {{5, 5, 5, 90}, wide, {10, 10, 0, 0}}, {wide}},
        {"partly overlapping both kept",
         {{0, 0, 1000, 800}, {900, 0, 1900, 800}},
         {{0, 0, 1000, 800}, {900, 0, 1900, 800}}},
        {"negative origin kept", {{-1280, 0, 0, 1024}, wide}, {{-1280, 0, 0, 1024}, wide}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormaliseMonitors(c.given), c.expected) << c.name;
    }
}

TEST(MonitorBounds, Table) {
    const struct {
        Rects monitors;
        PixelRect expected;
    } cases[] = {
        {{}, {0, 0, 0, 0}},
        {{{0, 0, 1920, 1080}}, {0, 0, 1920, 1080}},
        // 1920 x 1080 beside 1280 x 1024 lowered by 100: 3200 x 1124.
        {{{0, 0, 1920, 1080}, {1920, 100, 3200, 1124}}, {0, 0, 3200, 1124}},
        {{{1280, 0, 3200, 1080}, {0, 56, 1280, 1080}}, {0, 0, 3200, 1080}},
        {{{0, 1080, 1920, 2160}, {0, 0, 1920, 1080}}, {0, 0, 1920, 2160}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MonitorBounds(c.monitors), c.expected);
    }
}

TEST(MonitorWatch, NoDisplay) {
    unsetenv("DISPLAY");
    EXPECT_EQ(MonitorWatch::Open(), nullptr);
}

TEST(MonitorWatch, PlainXvfbIsOneMonitor) {
    test::XvfbDisplay server(800, 600, 24);
    ASSERT_FALSE(server.Name().empty()) << "Xvfb did not start";
    DisplayScope scope(server.Name());
    auto watch = MonitorWatch::Open();
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->Monitors(), (Rects{{0, 0, 800, 600}}));
    EXPECT_FALSE(watch->PollChange().has_value());
}

TEST(MonitorWatch, RandrMonitorsAndTheirChanges) {
    test::RandrMonitorsDisplay server(3200, 1124, {{0, 0, 1920, 1080}, {1920, 100, 1280, 1024}});
    ASSERT_FALSE(server.Name().empty()) << "Xvfb or xrandr failed";
    DisplayScope scope(server.Name());
    auto watch = MonitorWatch::Open();
    ASSERT_NE(watch, nullptr);
    const Rects two{{0, 0, 1920, 1080}, {1920, 100, 3200, 1124}};
    EXPECT_EQ(watch->Monitors(), two);
    EXPECT_FALSE(watch->PollChange().has_value());

    // Unplugged, then plugged in again elsewhere: each change is reported
    // once, and a poll without a change reports nothing.
    ASSERT_TRUE(server.RemoveMonitor(1));
    const auto one = watch->PollChange();
    ASSERT_TRUE(one.has_value());
    EXPECT_EQ(*one, (Rects{{0, 0, 1920, 1080}}));
    EXPECT_EQ(watch->Monitors(), *one);
    EXPECT_FALSE(watch->PollChange().has_value());

    ASSERT_TRUE(server.AddMonitor({1920, 0, 1280, 720}));
    const auto again = watch->PollChange();
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(*again, (Rects{{0, 0, 1920, 1080}, {1920, 0, 3200, 720}}));
    EXPECT_FALSE(watch->PollChange().has_value());
}

TEST(MonitorWatch, XineramaScreensOfXephyr) {
    // RandR of this server lists the first screen only.
    test::XephyrXineramaDisplay server({{640, 480}, {400, 300}});
    ASSERT_FALSE(server.Name().empty()) << "Xephyr did not start";
    DisplayScope scope(server.Name());
    auto watch = MonitorWatch::Open();
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->Monitors(), (Rects{{0, 0, 640, 480}, {640, 0, 1040, 300}}));
}

}  // namespace
}  // namespace skyweave
