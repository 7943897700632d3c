// The full-screen saver on several monitors: Xvfb with RandR monitors set
// by xrandr (800 x 600 beside 640 x 480 lowered by 60) and Xephyr joining
// two X screens with Xinerama. Each monitor shows its own lit view on black
// and nothing crosses the join; input on either monitor ends the saver;
// monitors plugged in or out while it runs are taken up, with the one
// panorama loaded once; a folder cross-fades every monitor's view at once.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/panorama_bytes.h"
#include "saver_harness.h"
#include "support/monitor_servers.h"

namespace skyweave::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

struct Box {
    int left, top, right, bottom;
};

const MonitorBox kLeft{0, 0, 800, 600};
const MonitorBox kRight{800, 60, 640, 480};
// Size 20, not moving: 160 x 120 centred in the left monitor, 128 x 96 in
// the right one (at 800 + 256, 60 + 192).
const Box kLeftView{320, 240, 480, 360};
const Box kRightView{1056, 252, 1184, 348};

// Frames logged after the last occurrence of `after` in the log (all of
// them when `after` is empty), for monitor `monitor` (-1: a window's only
// view).
std::vector<FrameLine> FramesOf(const std::string& log, int monitor,
                                const std::string& after = "") {
    const std::size_t from = after.empty() ? 0 : log.rfind(after);
    std::vector<FrameLine> out;
    if (from == std::string::npos) {
        return out;
    }
    for (const FrameLine& f : ParseFrames(log.substr(from))) {
        if (f.monitor == monitor) {
            out.push_back(f);
        }
    }
    return out;
}

// Polls until the log holds `text` `times` times.
bool WaitForCount(SaverProcess& saver, const std::string& text, int times) {
    for (int i = 0; i < 600 && saver.Running(); ++i) {
        if (CountIn(saver.Log(), text) >= times) {
            return true;
        }
        Pause(milliseconds(50));
    }
    return false;
}

// Polls until monitor `monitor` has drawn `count` frames after `after`.
bool WaitForViewFrames(SaverProcess& saver, int monitor, std::size_t count,
                       const std::string& after = "") {
    for (int i = 0; i < 600; ++i) {
        if (FramesOf(saver.Log(), monitor, after).size() >= count) {
            return true;
        }
        if (!saver.Running()) {
            return false;
        }
        Pause(milliseconds(50));
    }
    return false;
}

bool SameBox(const FrameLine& f, const Box& b) {
    return f.left == b.left && f.top == b.top && f.right == b.right && f.bottom == b.bottom;
}

// Lit pixels outside every box of `views` in [0, width) x [0, height).
int LitOutside(const Screenshot& shot, int width, int height, const std::vector<Box>& views) {
    int lit = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool inside = false;
            for (const Box& b : views) {
                inside = inside || (x >= b.left && x < b.right && y >= b.top && y < b.bottom);
            }
            lit += !inside && !shot.IsBlack(x, y);
        }
    }
    return lit;
}

int Area(const Box& b) {
    return (b.right - b.left) * (b.bottom - b.top);
}

// Freezes the saver for a screenshot of the whole screen.
Screenshot FrozenShot(const std::string& display, SaverProcess& saver) {
    kill(saver.pid(), SIGSTOP);
    Pause(milliseconds(300));
    Screenshot shot = TakeScreenshot(display);
    kill(saver.pid(), SIGCONT);
    return shot;
}

// Each view lit, everything else black, on a screen of width x height.
void ExpectOnlyTheViewsLit(const Screenshot& shot, int width, int height,
                           const std::vector<Box>& views) {
    ASSERT_TRUE(shot.ok());
    ASSERT_EQ(shot.width, width);
    EXPECT_EQ(LitOutside(shot, width, height, views), 0);
    for (const Box& b : views) {
        EXPECT_GT(shot.CountNonBlack(b.left, b.top, b.right, b.bottom), Area(b) * 9 / 10)
            << "view at " << b.left << " " << b.top;
    }
}

TEST(SaverMonitorsTest, EachMonitorShowsItsOwnViewAndNothingCrossesTheJoin) {
    RandrMonitorsDisplay x(1440, 600, {kLeft, kRight});
    ASSERT_FALSE(x.Name().empty()) << "Xvfb or xrandr failed";
    TempDir home;
    WriteFixedView(home.path(), "20", false);
    SaverProcess saver({"/s"}, x.Name(), home.path());
    ASSERT_TRUE(WaitForViewFrames(saver, 1, 10)) << saver.Log();
    const std::string log = saver.Log();
    EXPECT_NE(log.find("event shown 1440 600\n"), std::string::npos) << log;
    EXPECT_NE(log.find("event monitors 2 0 0 800 600 800 60 1440 540\n"), std::string::npos);
    for (const FrameLine& f : FramesOf(log, 0)) {
        EXPECT_TRUE(SameBox(f, kLeftView)) << f.left << " " << f.top;
    }
    for (const FrameLine& f : FramesOf(log, 1)) {
        EXPECT_TRUE(SameBox(f, kRightView)) << f.left << " " << f.top;
    }
    EXPECT_TRUE(FramesOf(log, -1).empty());
    // One panorama for both views, loaded once.
    EXPECT_EQ(CountIn(log, "event load start\n"), 1);
    ExpectOnlyTheViewsLit(FrozenShot(x.Name(), saver), 1440, 600, {kLeftView, kRightView});
    Xdotool(x.Name(), {"key", "space"});
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
}

TEST(SaverMonitorsTest, InputOnEitherMonitorEndsTheSaver) {
    const struct {
        const char* what;
        int x, y;
        std::vector<std::vector<std::string>> input;
    } cases[] = {
        {"key, pointer on the left", 400, 300, {{"key", "a"}}},
        {"key, pointer on the right", 1100, 300, {{"key", "a"}}},
        {"click on the right", 1100, 300, {{"click", "1"}}},
        // The first movement only records where the pointer is.
        {"movement on the right",
         1100,
         300,
         {{"mousemove", "1105", "305"}, {"mousemove", "1120", "320"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RandrMonitorsDisplay x(1440, 600, {kLeft, kRight});
        ASSERT_FALSE(x.Name().empty()) << "Xvfb or xrandr failed";
        ASSERT_EQ(Xdotool(x.Name(), {"mousemove", std::to_string(c.x), std::to_string(c.y)}), 0);
        TempDir home;
        WriteFixedView(home.path(), "20", false);
        SaverProcess saver({"/s"}, x.Name(), home.path());
        ASSERT_TRUE(WaitForViewFrames(saver, 1, 5)) << saver.Log();
        EXPECT_TRUE(saver.Running());
        for (const auto& step : c.input) {
            Xdotool(x.Name(), step);
            Pause(milliseconds(100));
        }
        EXPECT_EQ(saver.WaitExit(seconds(20)), 0) << saver.Log();
        EXPECT_NE(saver.Log().find("event end request\n"), std::string::npos);
    }
}

TEST(SaverMonitorsTest, XineramaScreensOfXephyrEachGetAView) {
    // RandR of this server lists the first screen alone, and so does SDL.
    XephyrXineramaDisplay x({{640, 480}, {400, 300}});
    ASSERT_FALSE(x.Name().empty()) << "Xephyr did not start";
    TempDir home;
    WriteFixedView(home.path(), "20", false);
    SaverProcess saver({"/s"}, x.Name(), home.path());
    ASSERT_TRUE(WaitForViewFrames(saver, 1, 10)) << saver.Log();
    // 128 x 96 centred in 640 x 480; 80 x 60 centred in 400 x 300 at 640.
    const Box left{256, 192, 384, 288};
    const Box right{800, 120, 880, 180};
    const std::string log = saver.Log();
    EXPECT_NE(log.find("event monitors 2 0 0 640 480 640 0 1040 300\n"), std::string::npos) << log;
    EXPECT_TRUE(SameBox(FramesOf(log, 0).back(), left));
    EXPECT_TRUE(SameBox(FramesOf(log, 1).back(), right));
    ExpectOnlyTheViewsLit(FrozenShot(x.Name(), saver), 1040, 480, {left, right});
    Xdotool(x.Name(), {"key", "space"});
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
}

TEST(SaverMonitorsTest, MonitorsPluggedInAndOutAreTakenUp) {
    // One monitor first: the window of today, on the whole 1440 x 600
    // screen (the one display SDL sees), with one 288 x 120 view in its
    // middle.
    RandrMonitorsDisplay x(1440, 600, {kLeft});
    ASSERT_FALSE(x.Name().empty()) << "Xvfb or xrandr failed";
    TempDir home;
    WriteFixedView(home.path(), "20", false);
    SaverProcess saver({"/s"}, x.Name(), home.path());
    const Box alone{576, 240, 864, 360};
    ASSERT_TRUE(WaitForViewFrames(saver, -1, 5)) << saver.Log();
    EXPECT_TRUE(SameBox(FramesOf(saver.Log(), -1).back(), alone));

    // Plugged in: two views, the window over both monitors.
    const std::string two = "event monitors 2 0 0 800 600 800 60 1440 540\n";
    ASSERT_TRUE(x.AddMonitor(kRight));
    ASSERT_TRUE(saver.WaitForLog(two)) << saver.Log();
    ASSERT_TRUE(WaitForViewFrames(saver, 1, 5, two)) << saver.Log();
    EXPECT_TRUE(SameBox(FramesOf(saver.Log(), 0, two).back(), kLeftView));
    EXPECT_TRUE(SameBox(FramesOf(saver.Log(), 1, two).back(), kRightView));
    ExpectOnlyTheViewsLit(FrozenShot(x.Name(), saver), 1440, 600, {kLeftView, kRightView});

    // Unplugged again: back to one view, nothing left where the other was.
    const std::string one = "event monitors 1 0 0 800 600\n";
    ASSERT_TRUE(x.RemoveMonitor(1));
    ASSERT_TRUE(WaitForCount(saver, one, 2)) << saver.Log();
    ASSERT_TRUE(WaitForViewFrames(saver, -1, 5, one)) << saver.Log();
    for (const FrameLine& f : FramesOf(saver.Log(), -1, one)) {
        EXPECT_TRUE(SameBox(f, alone)) << f.left;
    }
    EXPECT_TRUE(FramesOf(saver.Log(), 1, one).empty());
    ExpectOnlyTheViewsLit(FrozenShot(x.Name(), saver), 1440, 600, {alone});

    // The panorama was loaded once, and input still ends the saver.
    EXPECT_EQ(CountIn(saver.Log(), "event load start\n"), 1);
    Xdotool(x.Name(), {"key", "space"});
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0) << saver.Log();
}

// 'r' or 'b' when pure red or pure blue shows at (x, y), else 0.
char ColourAt(const Screenshot& shot, int x, int y) {
    const std::uint8_t* p = shot.At(x, y);
    if (p[0] > 200 && p[1] < 50 && p[2] < 50) {
        return 'r';
    }
    if (p[0] < 50 && p[1] < 50 && p[2] > 200) {
        return 'b';
    }
    return 0;
}

// A folder of a red and a blue panorama on both monitors: both views show
// the same one, cross-fade to the other together, each panorama loaded once
// for both; the frame-rate figures show once, at the bottom left of the
// first monitor, which is shorter than the window.
TEST(SaverMonitorsTest, AFolderCrossFadesEveryMonitorsViewFromOneLoad) {
    RandrMonitorsDisplay x(1440, 600, {{0, 0, 640, 480}, {640, 0, 800, 600}});
    ASSERT_FALSE(x.Name().empty()) << "Xvfb or xrandr failed";
    TempDir home;
    const std::filesystem::path folder = home.path() / "panoramas";
    std::filesystem::create_directories(folder);
    for (const auto& [name, colour] :
         {std::pair{"red.bmp", skyweave::testing::Rgb{255, 0, 0}}, {"blue.bmp", {0, 0, 255}}}) {
        const auto bytes = skyweave::testing::UniformBmp24(256, 128, colour);
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    WriteSettings(home.path(), {{"FilePath", folder.string()},
                                {"ChangeEvery", "10"},
                                {"Fade", "1"},
                                {"ShowFrameRate", "1"},
                                {"Size", "100"},
                                {"Moving", "0"},
                                {"HeadingRandom", "0"},
                                {"PitchRandom", "0"},
                                {"RollRandom", "0"}});
    SaverProcess saver({"/s"}, x.Name(), home.path());
    ASSERT_TRUE(saver.WaitForLog("event show ")) << saver.Log();
    ASSERT_TRUE(WaitForViewFrames(saver, 1, 3, "event show ")) << saver.Log();
    const Screenshot before = FrozenShot(x.Name(), saver);
    ASSERT_TRUE(before.ok());
    const char first = ColourAt(before, 320, 240);
    EXPECT_NE(first, 0);
    EXPECT_EQ(ColourAt(before, 1040, 300), first);

    ASSERT_TRUE(saver.WaitForLog("event fade end\n", seconds(40))) << saver.Log();
    ASSERT_TRUE(WaitForViewFrames(saver, 1, 2, "event fade end\n")) << saver.Log();
    const std::string log = saver.Log();
    const std::string fade = log.substr(0, log.find("event fade end\n"));
    EXPECT_FALSE(FramesOf(fade, 0, "event fade start\n").empty()) << log;
    EXPECT_FALSE(FramesOf(fade, 1, "event fade start\n").empty()) << log;
    EXPECT_EQ(CountIn(log, "event load start"), 2) << log;
    EXPECT_EQ(CountIn(log, "event show "), 2) << log;

    const Screenshot after = FrozenShot(x.Name(), saver);
    ASSERT_TRUE(after.ok());
    const char second = first == 'r' ? 'b' : 'r';
    EXPECT_EQ(ColourAt(after, 320, 240), second);
    EXPECT_EQ(ColourAt(after, 1040, 300), second);
    // The figures: on the first monitor's bottom left, neither below it
    // (no monitor shows that) nor on the second's.
    EXPECT_GT(after.CountWhite(0, 440, 200, 480), 20);
    EXPECT_EQ(after.CountWhite(0, 480, 640, 600), 0);
    EXPECT_EQ(after.CountWhite(640, 540, 900, 600), 0);
    Xdotool(x.Name(), {"key", "space"});
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0) << saver.Log();
}

}  // namespace
}  // namespace skyweave::test
