// The run-mode switches of the program: storing and erasing settings, the
// cases that end at once, the preview in a host window and the spellings
// that start the full-screen saver. Settings files are read and written as
// text here, independently of the settings code.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <signal.h>

#include <fstream>
#include <sstream>

#include "saver_harness.h"

namespace skyweave::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int RunProgram(const std::vector<std::string>& args, const TempDir& home,
               const std::string& display = "", std::string* output = nullptr) {
    std::vector<std::string> command{SKYWEAVE_PROGRAM};
    command.insert(command.end(), args.begin(), args.end());
    return RunToEnd(command, display, {{"XDG_CONFIG_HOME", home.path().string()}}, seconds(20),
                    output);
}

TEST(SaverRunModeTest, SetFileStoresExactlyOnePath) {
    TempDir home;
    EXPECT_EQ(RunProgram({"/a"}, home), 0);
    EXPECT_FALSE(std::filesystem::exists(SettingsFile(home.path())));
    EXPECT_EQ(RunProgram({"/a", "one.pan", "two.pan"}, home), 0);
    EXPECT_FALSE(std::filesystem::exists(SettingsFile(home.path())));

    EXPECT_EQ(RunProgram({"-A", "/data/My Panoramas/hall.pan"}, home), 0);
    const std::string text = ReadText(SettingsFile(home.path()));
    EXPECT_NE(text.find("[Settings]"), std::string::npos) << text;
    EXPECT_NE(text.find("FilePath=/data/My Panoramas/hall.pan\n"), std::string::npos) << text;
}

// A relative path means nothing to the saver that later runs from another
// folder: /a stores it absolute, from the folder it was given in.
TEST(SaverRunModeTest, SetFileStoresARelativePathAbsolute) {
    TempDir home;
    const std::string folder = std::filesystem::canonical(home.path()).string();
    std::string output;
    ASSERT_EQ(RunToEnd({"/bin/sh", "-c", "cd \"$0\" && exec \"$1\" /a pano/hall.pan", folder,
                        SKYWEAVE_PROGRAM},
                       "", {{"XDG_CONFIG_HOME", home.path().string()}}, seconds(20), &output),
              0)
        << output;
    const std::string text = ReadText(SettingsFile(home.path()));
    EXPECT_NE(text.find("FilePath=" + folder + "/pano/hall.pan\n"), std::string::npos) << text;

    // A settings file far beyond what settings need is set aside by the store.
    std::ofstream(SettingsFile(home.path()), std::ios::trunc) << std::string(2u << 20, '#');
    EXPECT_EQ(RunProgram({"/a", "/x.pan"}, home, "", &output), 0) << output;
    EXPECT_EQ(ReadText(SettingsFile(home.path())), "[Settings]\nFilePath=/x.pan\n");
    std::size_t kept = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(SettingsFile(home.path()).parent_path())) {
        kept += entry.path().filename().string().starts_with("skyweave.conf.corrupt-") &&
                entry.file_size() == (2u << 20);
    }
    EXPECT_EQ(kept, 1u);

    // A settings file that cannot be used is a message and status 1.
    std::filesystem::remove(SettingsFile(home.path()));
    std::filesystem::create_directory(SettingsFile(home.path()));
    EXPECT_EQ(RunProgram({"/a", "/x.pan"}, home, "", &output), 1);
    EXPECT_NE(output.find("the file path could not be stored: the settings file " +
                          SettingsFile(home.path()).string() + " cannot be read"),
              std::string::npos)
        << output;
}

TEST(SaverRunModeTest, OptionsDialogWithoutADisplayFailsAndStoresNothing) {
    TempDir home;
    std::string output;
    EXPECT_EQ(RunProgram({"/c"}, home, "", &output), 1);
    EXPECT_NE(output.find("skyweave: cannot open the display to show the options dialog\n"),
              std::string::npos)
        << output;
    EXPECT_FALSE(std::filesystem::exists(home.path() / "Corvane"));
}

TEST(SaverRunModeTest, ResetErasesTheSectionInAnyLetterCase) {
    for (const char* spelling : {"/reset", "-RESET", "xReSeT"}) {
        TempDir home;
        WriteSettings(home.path(), {{"FilePath", "a.pan"}, {"Size", "40"}});
        EXPECT_EQ(RunProgram({spelling}, home), 0) << spelling;
        const std::string text = ReadText(SettingsFile(home.path()));
        EXPECT_EQ(text.find("[Settings]"), std::string::npos) << spelling << ": " << text;
        EXPECT_EQ(text.find("Size=40"), std::string::npos) << spelling;
    }
    TempDir home;
    WriteSettings(home.path(), {{"FilePath", "a.pan"}, {"Size", "40"}});
    const std::string before = ReadText(SettingsFile(home.path()));
    EXPECT_EQ(RunProgram({"/resets"}, home), 0);
    EXPECT_EQ(ReadText(SettingsFile(home.path())), before);
}

TEST(SaverRunModeTest, ZeroOrUnknownPreviewWindowsEndAtOnce) {
    TempDir home;
    EXPECT_EQ(RunProgram({"/p", "0"}, home), 0);
    EXPECT_EQ(RunProgram({"/p"}, home), 0);

    Xvfb x(320, 240, 24);
    ASSERT_FALSE(x.name().empty());
    std::string output;
    EXPECT_EQ(RunProgram({"/p", "123456789"}, home, x.name(), &output), 1);
    EXPECT_NE(output.find("123456789"), std::string::npos) << output;
    EXPECT_NE(output.find("does not exist"), std::string::npos) << output;
}

TEST(SaverRunModeTest, EverySpellingOfSStartsTheFullScreenSaver) {
    Xvfb x(320, 240, 24);
    ASSERT_FALSE(x.name().empty());
    for (const char* spelling : {"-S", "/s", "xs", "/screen"}) {
        TempDir home;
        SaverProcess saver({spelling}, x.name(), home.path());
        ASSERT_TRUE(saver.WaitForLog("event shown 320 240")) << spelling << saver.Log();
        ASSERT_TRUE(saver.WaitForLog("event message")) << spelling;
        Xdotool(x.name(), {"key", "Escape"});
        EXPECT_EQ(saver.WaitExit(seconds(20)), 0) << spelling;
    }
}

TEST(SaverRunModeTest, PreviewDrawsTheScaledSplashIgnoresInputAndEndsWithItsHost) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    Display* dpy = XOpenDisplay(x.name().c_str());
    ASSERT_NE(dpy, nullptr);
    const Window host = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 50, 60, 320, 240, 0,
                                            WhitePixel(dpy, 0), WhitePixel(dpy, 0));
    XMapWindow(dpy, host);
    XSync(dpy, False);

    TempDir home;
    SaverProcess saver({"/p", std::to_string(host)}, x.name(), home.path());
    ASSERT_TRUE(saver.WaitForLog("event shown 320 240")) << saver.Log();
    // 600 x 400 scaled by 0.5333 to 320 x 213 at (0, 13); black above and
    // below.
    Screenshot shot;
    for (int i = 0; i < 100; ++i) {
        shot = TakeScreenshot(x.name(), host);
        if (shot.ok() && shot.CountNonBlack(0, 13, 320, 226) > 320 * 213 * 95 / 100 &&
            shot.CountNonBlack(0, 0, 320, 13) == 0) {
            break;
        }
        Pause(milliseconds(100));
    }
    ASSERT_TRUE(shot.ok());
    EXPECT_EQ(shot.width, 320);
    EXPECT_EQ(shot.CountNonBlack(0, 0, 320, 13), 0);
    EXPECT_EQ(shot.CountNonBlack(0, 226, 320, 240), 0);
    EXPECT_GT(shot.CountNonBlack(0, 13, 320, 226), 320 * 213 * 95 / 100);
    EXPECT_GT(shot.CountNonBlack(0, 13, 1, 226), 200);
    EXPECT_GT(shot.CountNonBlack(319, 13, 320, 226), 200);

    // Input over the preview never ends it, and it draws no frames.
    Xdotool(x.name(), {"mousemove", "150", "150"});
    Xdotool(x.name(), {"mousemove", "160", "170"});
    Xdotool(x.name(), {"click", "1"});
    ASSERT_TRUE(saver.WaitForLog("event button down", seconds(10))) << saver.Log();
    Pause(milliseconds(500));
    EXPECT_TRUE(saver.Running());
    EXPECT_TRUE(ParseFrames(saver.Log()).empty());

    XDestroyWindow(dpy, host);
    XSync(dpy, False);
    EXPECT_EQ(saver.WaitExit(seconds(10)), 0);
    XCloseDisplay(dpy);
}

TEST(SaverRunModeTest, PreviewEndsCleanlyOnSigterm) {
    Xvfb x(320, 240, 24);
    ASSERT_FALSE(x.name().empty());
    Display* dpy = XOpenDisplay(x.name().c_str());
    ASSERT_NE(dpy, nullptr);
    const Window host = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 200, 150, 0, 0, 0);
    XMapWindow(dpy, host);
    XSync(dpy, False);
    TempDir home;
    SaverProcess saver({"/p", std::to_string(host)}, x.name(), home.path());
    ASSERT_TRUE(saver.WaitForLog("event shown 200 150")) << saver.Log();
    kill(saver.pid(), SIGTERM);
    EXPECT_EQ(saver.WaitExit(seconds(5)), 0);
    EXPECT_NE(saver.Log().find("event signal"), std::string::npos);
    XCloseDisplay(dpy);
}

}  // namespace
}  // namespace skyweave::test
