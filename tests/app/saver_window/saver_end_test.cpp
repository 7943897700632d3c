// How the saver ends and what it leaves behind: every way out (a key,
// SIGTERM, SIGINT, SIGHUP, the X server going away) removes the staging
// directory with every file in it; a start removes what killed savers left
// and never what a running one holds; without a display it refuses to run.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "engine/panorama_bytes.h"
#include "saver_harness.h"

namespace skyweave::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
namespace fs = std::filesystem;

// A panorama with embedded files whose names do not begin with "~".
fs::path WriteStagedPanorama(const fs::path& folder) {
    const auto pan = skyweave::testing::Container(
        {{"BTMP", skyweave::testing::Bmp24(256, 128,
                                           [](int x, int y) {
                                               return skyweave::testing::Rgb{
                                                   static_cast<std::uint8_t>(x),
                                                   static_cast<std::uint8_t>(y), 90};
                                           })},
         {"FILE", skyweave::testing::FileRecords(
                      {{"notes.txt", "staged"}, {"~tilde", "too"}, {"data.bin", "x"}})}});
    const fs::path path = folder / "staged.pan";
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(pan.data()), static_cast<std::streamsize>(pan.size()));
    return path;
}

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SaverEndTest, EveryWayOutLeavesTheTemporaryFolderEmpty) {
    struct Case {
        const char* name;
        std::function<void(std::optional<Xvfb>&, SaverProcess&)> end;
        int status;
    };
    const auto signal = [](int number) {
        return [number](std::optional<Xvfb>&, SaverProcess& saver) { ::kill(saver.pid(), number); };
    };
    const Case cases[] = {
        {"key",
         [](std::optional<Xvfb>& x, SaverProcess&) {
             Xdotool(x->name(), {"key", "space"});
         },
         0},
        {"SIGTERM", signal(SIGTERM), 0},
        {"SIGINT", signal(SIGINT), 0},
        {"SIGHUP", signal(SIGHUP), 0},
        {"X server gone", [](std::optional<Xvfb>& x, SaverProcess&) { x.reset(); }, 1},
    };
    for (const Case& c : cases) {
        std::optional<Xvfb> x(std::in_place, 640, 480, 24);
        ASSERT_FALSE(x->name().empty());
        TempDir home;
        const fs::path tmp = home.path() / "tmp";
        fs::create_directory(tmp);
        WriteSettings(home.path(),
                      {{"FilePath", WriteStagedPanorama(home.path()).string()}, {"Size", "50"}});
        SaverProcess saver({"/s"}, x->name(), home.path(), {{"TMPDIR", tmp.string()}});
        ASSERT_TRUE(saver.WaitForFrames(3)) << c.name << saver.Log();
        const fs::path staging = ParseFrames(saver.Log()).back().staging;
        ASSERT_EQ(staging.parent_path(), tmp) << c.name;
        EXPECT_EQ(Entries(staging), (std::vector<std::string>{"data.bin", "notes.txt", "~tilde"}));
        c.end(x, saver);
        EXPECT_EQ(saver.WaitExit(seconds(20)), c.status) << c.name << "\n" << saver.Log();
        EXPECT_TRUE(fs::is_empty(tmp)) << c.name << ": " << Entries(tmp).front();
    }
}

TEST(SaverEndTest, AStartSweepsWhatEndedSaversLeftAndKeepsARunningOnes) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    const fs::path tmp = home.path() / "tmp";
    fs::create_directory(tmp);
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const pid_t running = ::fork();
    if (running == 0) {
        ::pause();
        ::_exit(0);
    }
    const std::string left = "~VL" + std::to_string(ended) + "-Ab3dEf";
    const std::string held = "~VL" + std::to_string(running) + "-Gh6jKl";
    for (const std::string& name : {left, held}) {
        fs::create_directory(tmp / name);
        fs::permissions(tmp / name, fs::perms::owner_all);
        std::ofstream(tmp / name / "member.dat") << "x";
    }
    SaverProcess saver({"/s"}, x.name(), home.path(), {{"TMPDIR", tmp.string()}});
    ASSERT_TRUE(saver.WaitForLog("event shown")) << saver.Log();
    EXPECT_EQ(Entries(tmp), std::vector<std::string>{held});
    EXPECT_TRUE(fs::exists(tmp / held / "member.dat"));
    Xdotool(x.name(), {"key", "space"});
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
    ::kill(running, SIGKILL);
    ::waitpid(running, nullptr, 0);
}

TEST(SaverEndTest, WithoutADisplayTheWindowModesRefuseWithAMessage) {
    TempDir home;
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"/s"}, "skyweave: no display for the saver: no X display to draw on"},
        {{"--window"}, "skyweave: no display for the saver: no X display to draw on"},
        {{"--root"}, "display"},
        {{"/p", "1234"}, "does not exist on the display"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> command{SKYWEAVE_PROGRAM};
        command.insert(command.end(), c.args.begin(), c.args.end());
        std::string output;
        // A hang bound only: the refusal takes a fraction of a second.
        EXPECT_EQ(RunToEnd(command, "", {{"XDG_CONFIG_HOME", home.path().string()}}, seconds(10),
                           &output),
                  1)
            << c.args[0] << ": " << output;
        EXPECT_NE(output.find(c.message), std::string::npos) << c.args[0] << ": " << output;
    }
    // Named by the user, an invisible driver is taken at their word; the
    // signals still end the run in order.
    const fs::path tmp = home.path() / "tmp";
    fs::create_directory(tmp);
    WriteSettings(home.path(), {{"FilePath", WriteStagedPanorama(home.path()).string()}});
    SaverProcess saver({"/s"}, "", home.path(),
                       {{"SDL_VIDEODRIVER", "offscreen"}, {"TMPDIR", tmp.string()}});
    ASSERT_TRUE(saver.WaitForFrames(3)) << saver.Log();
    ::kill(saver.pid(), SIGTERM);
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0) << saver.Log();
    EXPECT_TRUE(fs::is_empty(tmp));
}

}  // namespace
}  // namespace skyweave::test
