// How input ends the full-screen saver: the first mouse movement only
// records, a one-pixel movement after it ends; a key release alone does not
// end, a key press does; after the end the splash shows for about two
// seconds and the program exits 0 with its staging directory gone. The
// focus and the window manager's close command do not end it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/panorama_bytes.h"
#include "saver_harness.h"

namespace skyweave::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

std::vector<std::string> MouseLines(const std::string& log) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("event mouse ", 0) == 0) {
            lines.push_back(line.substr(12));
        }
    }
    return lines;
}

// Key repeat is the server's own state, kept after the connection closes.
bool TurnOffKeyRepeat(const std::string& display) {
    Display* dpy = XOpenDisplay(display.c_str());
    if (dpy == nullptr) {
        return false;
    }
    XAutoRepeatOff(dpy);
    XKeyboardState state{};
    XGetKeyboardControl(dpy, &state);
    XCloseDisplay(dpy);
    return state.global_auto_repeat == AutoRepeatModeOff;
}

TEST(SaverInputTest, FirstMouseMovementOnlyRecordsAndAOnePixelMoveEnds) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    Xdotool(x.name(), {"mousemove", "100", "100"});
    TempDir home;
    SaverProcess saver({"/s"}, x.name(), home.path());
    ASSERT_TRUE(saver.WaitForLog("event shown"));
    ASSERT_TRUE(saver.WaitForLog("event message"));
    // Move one pixel at a time until the saver ends; the window may have
    // recorded the resting pointer already when it appeared under it.
    int moves = 0;
    while (saver.Log().find("event mouse end") == std::string::npos && moves < 4) {
        ++moves;
        Xdotool(x.name(), {"mousemove", std::to_string(100 + moves), "100"});
        saver.WaitForLog("event mouse end", milliseconds(1500));
        if (saver.Log().find("event mouse first") != std::string::npos &&
            saver.Log().find("event mouse end") == std::string::npos) {
            EXPECT_TRUE(saver.Running()) << "a recording movement ended the saver";
        }
    }
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
    const auto lines = MouseLines(saver.Log());
    ASSERT_EQ(lines.size(), 2u) << saver.Log();
    int fx = 0, fy = 0, ex = 0, ey = 0;
    ASSERT_EQ(std::sscanf(lines[0].c_str(), "first %d %d", &fx, &fy), 2) << lines[0];
    ASSERT_EQ(std::sscanf(lines[1].c_str(), "end %d %d", &ex, &ey), 2) << lines[1];
    EXPECT_EQ(ex - fx, 1);
    EXPECT_EQ(ey, fy);
    EXPECT_LE(moves, 2);
}

TEST(SaverInputTest, KeyReleaseAloneKeepsRunningKeyPressEndsAfterTheSplash) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    // A panorama container with one embedded file, so that the saver stages
    // it while it runs and must remove the staging directory at the end.
    const auto pan = skyweave::testing::Container(
        {{"BTMP", skyweave::testing::Bmp24(512, 256,
                                           [](int x, int y) {
                                               return skyweave::testing::Rgb{
                                                   static_cast<std::uint8_t>(x),
                                                   static_cast<std::uint8_t>(y), 90};
                                           })},
         {"FILE", skyweave::testing::FileRecords({{"~note.txt", "staged while the saver runs"}})}});
    const auto pan_path = home.path() / "staged.pan";
    {
        std::ofstream out(pan_path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(pan.data()),
                  static_cast<std::streamsize>(pan.size()));
    }
    WriteSettings(home.path(), {{"FilePath", pan_path.string()}, {"Size", "50"}});
    // The key goes down before the saver starts, so that only its release
    // happens while the saver runs (a server sends no release for a key
    // that is up): the user letting go of the key that was last typed.
    // A held key repeats after the server's delay, and each repeat is a
    // press, so on a slow start the saver would see one and end: this
    // server does not repeat keys.
    ASSERT_TRUE(TurnOffKeyRepeat(x.name()));
    Xdotool(x.name(), {"keydown", "a"});
    SaverProcess saver({"/s"}, x.name(), home.path());
    ASSERT_TRUE(saver.WaitForFrames(10)) << saver.Log();
    const std::string staging = ParseFrames(saver.Log()).back().staging;
    ASSERT_FALSE(staging.empty());
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(staging) / "~note.txt")) << staging;

    Xdotool(x.name(), {"keyup", "a"});
    Pause(milliseconds(1000));
    EXPECT_TRUE(saver.Running());
    EXPECT_EQ(saver.Log().find("event end request"), std::string::npos);

    const auto pressed = std::chrono::steady_clock::now();
    Xdotool(x.name(), {"keydown", "a"});
    ASSERT_TRUE(saver.WaitForLog("event close", seconds(10))) << saver.Log();
    // During the close the screen is black with the 600 x 400 splash centred.
    Screenshot shot;
    for (int i = 0; i < 20 && saver.Running(); ++i) {
        shot = TakeScreenshot(x.name());
        if (shot.ok() && shot.CountNonBlack(20, 40, 620, 440) > 600 * 400 * 95 / 100) {
            break;
        }
        Pause(milliseconds(50));
    }
    ASSERT_TRUE(shot.ok());
    EXPECT_GT(shot.CountNonBlack(20, 40, 620, 440), 600 * 400 * 95 / 100);
    EXPECT_EQ(shot.CountNonBlack(0, 0, 640, 40), 0);
    EXPECT_EQ(shot.CountNonBlack(0, 440, 640, 480), 0);
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
    const auto shown = std::chrono::steady_clock::now() - pressed;
    EXPECT_GE(shown, milliseconds(1800));
    Xdotool(x.name(), {"keyup", "a"});

    const auto frames = ParseFrames(saver.Log());
    ASSERT_FALSE(frames.empty());
    ASSERT_FALSE(frames.back().staging.empty());
    EXPECT_FALSE(std::filesystem::exists(frames.back().staging)) << frames.back().staging;
}

TEST(SaverInputTest, LosingTheFocusTakesItBackWithoutEnding) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    Display* dpy = XOpenDisplay(x.name().c_str());
    ASSERT_NE(dpy, nullptr);
    const Window other = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 50, 50, 0, 0, 0);
    XMapWindow(dpy, other);
    XSync(dpy, False);
    TempDir home;
    SaverProcess saver({"/s"}, x.name(), home.path());
    ASSERT_TRUE(saver.WaitForLog("event message"));
    Xdotool(x.name(), {"windowfocus", std::to_string(other)});
    ASSERT_TRUE(saver.WaitForLog("event focus regained", seconds(10))) << saver.Log();
    // The focus ends up on the saver's window again, titled as the saver.
    std::string focused;
    for (int i = 0; i < 50 && focused != "VELMORA SCREENSAVER"; ++i) {
        Pause(milliseconds(50));
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(dpy, &focus, &revert);
        char* name = nullptr;
        focused.clear();
        if (focus > PointerRoot && XFetchName(dpy, focus, &name) != 0 && name != nullptr) {
            focused = name;
            XFree(name);
        }
    }
    EXPECT_EQ(focused, "VELMORA SCREENSAVER");
    EXPECT_TRUE(saver.Running());
    EXPECT_EQ(saver.Log().find("event end request"), std::string::npos);
    XCloseDisplay(dpy);
    Xdotool(x.name(), {"key", "space"});
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
}

TEST(SaverInputTest, TheWindowManagersCloseCommandDoesNotEnd) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    SaverProcess saver({"/s"}, x.name(), home.path());
    ASSERT_TRUE(saver.WaitForLog("event message"));
    std::string ids;
    RunToEnd({"xdotool", "search", "--name", "VELMORA SCREENSAVER"}, x.name(), {}, seconds(20),
             &ids);
    const Window window = std::strtoul(ids.c_str(), nullptr, 10);
    ASSERT_NE(window, 0u) << ids;
    Display* dpy = XOpenDisplay(x.name().c_str());
    ASSERT_NE(dpy, nullptr);
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, window, False, NoEventMask, &close);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    ASSERT_TRUE(saver.WaitForLog("event system close", seconds(10))) << saver.Log();
    Pause(milliseconds(500));
    EXPECT_TRUE(saver.Running());
    EXPECT_EQ(saver.Log().find("event close"), std::string::npos);
    Xdotool(x.name(), {"key", "space"});
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
}

TEST(SaverInputTest, MouseButtonEnds) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    SaverProcess saver({"/s"}, x.name(), home.path());
    ASSERT_TRUE(saver.WaitForLog("event message"));
    Xdotool(x.name(), {"click", "1"});
    ASSERT_TRUE(saver.WaitForLog("event button down", seconds(10)));
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
}

}  // namespace
}  // namespace skyweave::test
