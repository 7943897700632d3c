// What the full-screen saver puts on the screen: the message asking for a
// file, a panorama in a drifting view rectangle on black, a load failure's
// text, 5-6-5 frames on a 16-bit screen, and the same pixels through OpenGL
// as through the window surface. Pixels are read back from Xvfb.
#include <gtest/gtest.h>

#include <signal.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include <X11/Xlib.h>

#include "platform/display/screen_depth.h"
#include "saver_harness.h"
#include "support/opengl_child_env.h"

namespace skyweave::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Polls screenshots until `ready` accepts one; returns the last one taken.
template <typename Ready>
Screenshot PollScreen(const std::string& display, Ready ready, milliseconds timeout = seconds(15)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Screenshot shot = TakeScreenshot(display);
    while (!ready(shot) && std::chrono::steady_clock::now() < deadline) {
        Pause(milliseconds(100));
        shot = TakeScreenshot(display);
    }
    return shot;
}

void EndWithKey(const std::string& display, SaverProcess& saver) {
    Xdotool(display, {"key", "space"});
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
}

TEST(SaverScreenTest, NoFileShowsTheSelectMessageAtTheTopLeftOnBlack) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    SaverProcess saver({"/s"}, x.name(), home.path());
    ASSERT_TRUE(saver.WaitForLog(
        "event message Please select a file to activate this screensaver's features.\n"));
    // The text stands in a band at the top left; the 600 x 400 splash is
    // centred at (20, 40); everything else is black.
    const Screenshot shot = PollScreen(x.name(), [](const Screenshot& s) {
        return s.ok() && s.CountWhite(0, 0, 640, 20) > 200 &&
               s.CountNonBlack(20, 40, 620, 440) > 200000;
    });
    ASSERT_TRUE(shot.ok());
    EXPECT_GT(shot.CountWhite(0, 0, 470, 20), 200);
    EXPECT_EQ(shot.CountWhite(480, 0, 640, 20), 0) << "the text is wider than expected";
    EXPECT_EQ(shot.CountNonBlack(0, 24, 640, 40), 0);
    EXPECT_EQ(shot.CountNonBlack(0, 440, 640, 480), 0);
    EXPECT_EQ(shot.CountNonBlack(0, 40, 20, 440), 0);
    EXPECT_EQ(shot.CountNonBlack(620, 40, 640, 440), 0);
    EXPECT_GT(shot.CountNonBlack(20, 40, 620, 440), 600 * 400 * 95 / 100);
    EXPECT_TRUE(saver.Running());

    // Keyboard and pointer belong to the saver while it runs.
    Display* dpy = XOpenDisplay(x.name().c_str());
    ASSERT_NE(dpy, nullptr);
    const Window root = DefaultRootWindow(dpy);
    EXPECT_EQ(XGrabKeyboard(dpy, root, False, GrabModeAsync, GrabModeAsync, CurrentTime),
              AlreadyGrabbed);
    EXPECT_EQ(XGrabPointer(dpy, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, 0, 0,
                           CurrentTime),
              AlreadyGrabbed);
    XCloseDisplay(dpy);
    EndWithKey(x.name(), saver);
}

TEST(SaverScreenTest, PanoramaFillsTheDriftingViewRectangleAndTheRestIsBlack) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    WriteFixedView(home.path(), "20", true);
    SaverProcess saver({"/s"}, x.name(), home.path());
    ASSERT_TRUE(saver.WaitForFrames(60)) << saver.Log();

    // Freeze the saver so that the screen holds still for the screenshot;
    // it then shows the last frame logged or the one after it (stopped
    // between pushing a frame and logging it).
    ASSERT_EQ(kill(saver.pid(), SIGSTOP), 0);
    Pause(milliseconds(300));
    const Screenshot shot = TakeScreenshot(x.name());
    const auto frames = ParseFrames(saver.Log());
    ASSERT_EQ(kill(saver.pid(), SIGCONT), 0);
    ASSERT_TRUE(shot.ok());
    ASSERT_GE(frames.size(), 2u);
    const FrameLine& last = frames.back();
    const int next_left = last.left + (last.left - frames[frames.size() - 2].left);
    const int next_top = last.top + (last.top - frames[frames.size() - 2].top);
    const int left = std::min(last.left, next_left);
    const int top = std::min(last.top, next_top);
    const int right = std::max(last.right, next_left + 128);
    const int bottom = std::max(last.bottom, next_top + 96);
    const int inner_left = std::max(last.left, next_left);
    const int inner_top = std::max(last.top, next_top);
    const int inner_right = std::min(last.right, next_left + 128);
    const int inner_bottom = std::min(last.bottom, next_top + 96);
    int outside_lit = 0;
    for (int y = 0; y < 480; ++y) {
        for (int xx = 0; xx < 640; ++xx) {
            const bool near = xx >= left - 2 && xx < right + 2 && y >= top - 2 && y < bottom + 2;
            if (!near && !shot.IsBlack(xx, y)) {
                ++outside_lit;
            }
        }
    }
    EXPECT_EQ(outside_lit, 0);
    const int area = (inner_right - inner_left) * (inner_bottom - inner_top);
    EXPECT_GT(shot.CountNonBlack(inner_left, inner_top, inner_right, inner_bottom), area * 8 / 10);

    // Fifty consecutive frames: one pixel per frame on each axis, a constant
    // 128 x 96 rectangle inside the screen, and the heading turning by 1.5.
    ASSERT_GE(frames.size(), 51u);
    for (std::size_t i = 1; i <= 50; ++i) {
        const FrameLine& a = frames[i - 1];
        const FrameLine& b = frames[i];
        EXPECT_EQ(b.number, a.number + 1);
        EXPECT_EQ(std::abs(b.left - a.left), 1) << i;
        EXPECT_EQ(std::abs(b.top - a.top), 1) << i;
        EXPECT_EQ(b.right - b.left, 128);
        EXPECT_EQ(b.bottom - b.top, 96);
        EXPECT_GE(b.left, 0);
        EXPECT_GE(b.top, 0);
        EXPECT_LE(b.right, 640);
        EXPECT_LE(b.bottom, 480);
        const double turn = std::fmod(b.heading - a.heading + 360.0, 360.0);
        EXPECT_NEAR(turn, 1.5, 1e-6) << i;
        EXPECT_EQ(b.depth, 24);
    }
    // At most one frame request waits or is handled at any time.
    for (const FrameLine& f : frames) {
        ASSERT_EQ(f.queued, 0) << f.number;
    }
    EndWithKey(x.name(), saver);
}

TEST(SaverScreenTest, MissingFileShowsTheOpenErrorAndKeepsRunning) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    WriteSettings(home.path(), {{"FilePath", (home.path() / "no-such-panorama.jpg").string()}});
    SaverProcess saver({"/s"}, x.name(), home.path());
    ASSERT_TRUE(saver.WaitForLog("event message File I/O Error: Cannot Open Specified File\n"))
        << saver.Log();
    const Screenshot shot = PollScreen(
        x.name(), [](const Screenshot& s) { return s.ok() && s.CountWhite(0, 0, 640, 20) > 100; });
    EXPECT_GT(shot.CountWhite(0, 0, 640, 20), 100);
    Pause(milliseconds(1500));
    EXPECT_TRUE(saver.Running());
    EXPECT_TRUE(ParseFrames(saver.Log()).empty());
    EndWithKey(x.name(), saver);
}

TEST(SaverScreenTest, SixteenBitScreenGetsFramesIn565) {
    Xvfb x(640, 480, 16);
    ASSERT_FALSE(x.name().empty());
    {
        // The depth query of this process, asked about the same server.
        const char* old = std::getenv("DISPLAY");
        const std::string saved = old != nullptr ? old : "";
        setenv("DISPLAY", x.name().c_str(), 1);
        unsetenv("SKYWEAVE_SCREEN_DEPTH");
        EXPECT_EQ(QueryScreenDepth(), 16);
        if (old != nullptr) {
            setenv("DISPLAY", saved.c_str(), 1);
        } else {
            unsetenv("DISPLAY");
        }
    }
    TempDir home;
    WriteSettings(home.path(), {{"FilePath", SamplePath("city.jpg")}, {"Size", "100"}});
    SaverProcess saver({"/s"}, x.name(), home.path(), {});
    ASSERT_TRUE(saver.WaitForFrames(5)) << saver.Log();
    for (const FrameLine& f : ParseFrames(saver.Log())) {
        EXPECT_EQ(f.depth, 16);
        EXPECT_EQ(f.left, 0);
        EXPECT_EQ(f.right, 640);
    }
    const Screenshot shot = PollScreen(x.name(), [](const Screenshot& s) {
        return s.ok() && s.CountNonBlack(0, 0, 640, 480) > 640 * 480 / 2;
    });
    EXPECT_GT(shot.CountNonBlack(0, 0, 640, 480), 640 * 480 / 2);
    EndWithKey(x.name(), saver);
}

// A screenshot once the picture has settled: two in a row 300 ms apart the
// same, most of the screen lit.
Screenshot SettledScreen(const std::string& display, int width, int height) {
    Screenshot last;
    return PollScreen(display, [&](const Screenshot& s) {
        const bool settled = s.ok() && last.ok() && s.rgb == last.rgb &&
                             s.CountNonBlack(0, 0, width, height) > width * height / 2;
        last = s;
        if (!settled) {
            Pause(milliseconds(300));
        }
        return settled;
    });
}

// The resting view filling a 320 x 240 screen, shown with `present`; the
// event log and stderr of the run go to `log`.
Screenshot RestingView(const Xvfb& x, const std::string& present,
                       const std::map<std::string, std::string>& env, std::string& log) {
    TempDir home;
    WriteSettings(home.path(), {{"FilePath", SamplePath("city.jpg")},
                                {"Size", "100"},
                                {"Moving", "0"},
                                {"Heading", "0"},
                                {"Pitch", "0"},
                                {"Roll", "0"},
                                {"HeadingRandom", "0"},
                                {"PitchRandom", "0"},
                                {"RollRandom", "0"},
                                {"Present", present}});
    SaverProcess saver({"/s"}, x.name(), home.path(), env);
    EXPECT_TRUE(saver.WaitForFrames(1)) << saver.Log();
    const Screenshot shot = SettledScreen(x.name(), 320, 240);
    log = saver.Log();
    EndWithKey(x.name(), saver);
    return shot;
}

// Forced OpenGL shows the resting view exactly as the window surface does:
// through software OpenGL on a 16-bit screen, and through the window
// surface, with a word on stderr, when there is no OpenGL library or no
// driver to make its context with.
TEST(SaverScreenTest, ForcedOpenGlShowsTheSurfacesPixelsOrFallsBackToThem) {
    struct Case {
        int depth;
        std::map<std::string, std::string> env;
        std::string logged;  // the event log's line about presentation
        bool warned;         // stderr says OpenGL is not available
    };
    const Case cases[] = {
        {16, {}, "event present gl llvmpipe", false},
        {24,
         {{"SDL_OPENGL_LIBRARY", "/nonexistent/libGL.so.1"}},
         "event present surface no OpenGL window",
         true},
        {24,
         {{"LIBGL_DRIVERS_PATH", "/nonexistent"}},
         "event present surface no OpenGL renderer",
         true},
    };
    std::map<int, Screenshot> surface;  // by depth
    for (const Case& c : cases) {
        Xvfb x(320, 240, c.depth);
        ASSERT_FALSE(x.name().empty());
        std::string log;
        if (surface.count(c.depth) == 0) {
            surface[c.depth] = RestingView(x, "surface", {}, log);
            EXPECT_NE(log.find("event present surface\n"), std::string::npos) << log;
        }
        std::map<std::string, std::string> env = c.env;
        env["ASAN_OPTIONS"] = AsanOptionsForOpenGl();
        const Screenshot shot = RestingView(x, "gl", env, log);
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.depth << ": " << log;
        EXPECT_EQ(log.find("skyweave: OpenGL presentation is not available (") != std::string::npos,
                  c.warned)
            << c.depth << ": " << log;
        ASSERT_TRUE(shot.ok() && surface[c.depth].ok());
        EXPECT_GT(shot.CountNonBlack(0, 0, 320, 240), 320 * 240 / 2);
        EXPECT_TRUE(shot.rgb == surface[c.depth].rgb) << c.logged;
    }
}

}  // namespace
}  // namespace skyweave::test
