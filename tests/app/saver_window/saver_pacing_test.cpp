// When the saver draws: under Xvfb, which names no refresh rate, frames come
// at MaxFrameRate (60 by default); with nothing to animate (no file, or a
// view that does not move) the window takes no frame requests at all.
#include <gtest/gtest.h>

#include <chrono>

#include "saver_harness.h"

namespace skyweave::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Frame lines and picture-less frame requests in the log.
int Requests(const std::string& log) {
    int n = static_cast<int>(ParseFrames(log).size());
    for (std::size_t at = log.find("event frame request"); at != std::string::npos;
         at = log.find("event frame request", at + 1)) {
        ++n;
    }
    return n;
}

TEST(SaverPacingTest, FramesComeAtMaxFrameRateWhereTheDisplayNamesNoRate) {
    struct Case {
        const char* max_frame_rate;  // null: the default
        double low;
        double high;
    };
    for (const Case c : {Case{nullptr, 50, 65}, Case{"25", 20, 28}}) {
        Xvfb x(320, 240, 24);
        ASSERT_FALSE(x.name().empty());
        TempDir home;
        std::vector<std::pair<std::string, std::string>> settings = {
            {"FilePath", SamplePath("courtyard.jpg")}, {"Size", "20"}};
        if (c.max_frame_rate != nullptr) {
            settings.emplace_back("MaxFrameRate", c.max_frame_rate);
        }
        WriteSettings(home.path(), settings);
        SaverProcess saver({"/s"}, x.name(), home.path());
        ASSERT_TRUE(saver.WaitForFrames(10)) << saver.Log();
        const auto start = std::chrono::steady_clock::now();
        const int first = static_cast<int>(ParseFrames(saver.Log()).size());
        Pause(seconds(3));
        const int last = static_cast<int>(ParseFrames(saver.Log()).size());
        const double span =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double rate = (last - first) / span;
        EXPECT_GE(rate, c.low) << (c.max_frame_rate ? c.max_frame_rate : "default");
        EXPECT_LE(rate, c.high) << (c.max_frame_rate ? c.max_frame_rate : "default");
        Xdotool(x.name(), {"key", "space"});
        EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
    }
}

TEST(SaverPacingTest, NothingToAnimateTakesNoFrameRequests) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> settings;
        int frames;  // drawn at least before the window rests
    };
    const Case cases[] = {
        {"no file", {}, 0},
        {"a view that does not move",
         {{"FilePath", SamplePath("courtyard.jpg")},
          {"Heading", "0"},
          {"Pitch", "0"},
          {"Roll", "0"},
          {"HeadingRandom", "0"},
          {"PitchRandom", "0"},
          {"RollRandom", "0"},
          {"Moving", "0"}},
         2},
    };
    for (const Case& c : cases) {
        Xvfb x(320, 240, 24);
        ASSERT_FALSE(x.name().empty());
        TempDir home;
        WriteSettings(home.path(), c.settings);
        SaverProcess saver({"/s"}, x.name(), home.path());
        if (c.frames == 0) {
            ASSERT_TRUE(saver.WaitForLog("event message Please select a file")) << saver.Log();
        } else {
            ASSERT_TRUE(saver.WaitForFrames(c.frames)) << saver.Log();
        }
        Pause(milliseconds(500));
        const int before = Requests(saver.Log());
        Pause(seconds(2));
        EXPECT_EQ(Requests(saver.Log()), before) << c.name << "\n" << saver.Log();
        EXPECT_GE(static_cast<int>(ParseFrames(saver.Log()).size()), c.frames) << c.name;
        EXPECT_TRUE(saver.Running());
        Xdotool(x.name(), {"key", "space"});
        EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
    }
}

}  // namespace
}  // namespace skyweave::test
