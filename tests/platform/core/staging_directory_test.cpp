// The staging directory against a real file system: its private, fresh
// name, its teardown of every file, its budget, the sweep of directories
// left by ended processes next to those of running ones, planted links, and
// the emergency teardown.
#include "platform/core/staging_directory.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace skyweave {
namespace {

namespace fs = std::filesystem;

class StagingDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "skyweave-staging-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(root_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path root_;
};

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// The pid of a process that has ended (and been reaped).
pid_t EndedProcess() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
    return pid;
}

// A process that runs until killed.
class LiveProcess {
  public:
    LiveProcess() : pid_(::fork()) {
        if (pid_ == 0) {
            ::pause();
            ::_exit(0);
        }
    }
    ~LiveProcess() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_;
};

const std::uint8_t kBytes[] = {1, 2, 3};

TEST_F(StagingDirectoryTest, AFreshPrivateDirectoryWhoseEveryFileGoesAtTheEnd) {
    std::string path;
    {
        std::unique_ptr<StagingDirectory> staging = StagingDirectory::Create(root_.string());
        ASSERT_TRUE(staging);
        path = staging->Path();
        // "~VL<pid>-" and six random characters.
        const std::string name = fs::path(path).filename().string();
        const std::string prefix = "~VL" + std::to_string(::getpid()) + "-";
        EXPECT_EQ(name.rfind(prefix, 0), 0u) << name;
        EXPECT_EQ(name.size(), prefix.size() + 6) << name;
        EXPECT_EQ(ModeOf(path), 0700u);
        EXPECT_NE(StagingDirectory::Create(root_.string())->Path(), path);  // never the same
        EXPECT_EQ(staging->WriteFile("~a", kBytes), StageResult::kWritten);
        EXPECT_EQ(staging->WriteFile("keep.dat", kBytes), StageResult::kWritten);
        EXPECT_EQ(staging->WriteFile("~a", std::span<const std::uint8_t>(kBytes, 1)),
                  StageResult::kWritten);  // truncates
        EXPECT_EQ(fs::file_size(fs::path(path) / "~a"), 1u);
        EXPECT_EQ(ModeOf(fs::path(path) / "keep.dat"), 0600u);
        for (const char* bad : {"", ".", "..", "x/y", "../z", "a\\b"}) {
            EXPECT_EQ(staging->WriteFile(bad, kBytes), StageResult::kFailed) << bad;
        }
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::is_empty(root_));
}

TEST_F(StagingDirectoryTest, NeverWritesThroughASymlinkOrIntoAFifo) {
    std::unique_ptr<StagingDirectory> staging = StagingDirectory::Create(root_.string());
    ASSERT_TRUE(staging);
    std::ofstream(root_ / "outside") << "keep";
    fs::create_symlink(root_ / "outside", fs::path(staging->Path()) / "~link");
    ASSERT_EQ(::mkfifo((fs::path(staging->Path()) / "~fifo").c_str(), 0600), 0);
    const std::uint8_t evil[] = {'e', 'v', 'i', 'l'};
    EXPECT_EQ(staging->WriteFile("~link", evil), StageResult::kFailed);
    EXPECT_EQ(staging->WriteFile("~fifo", evil), StageResult::kFailed);  // and does not hang
    staging.reset();
    std::ifstream in(root_ / "outside");
    std::string text;
    in >> text;
    EXPECT_EQ(text, "keep");  // the link went, not its target
    EXPECT_EQ(Names(), std::vector<std::string>{"outside"});
}

TEST_F(StagingDirectoryTest, FilesAndBytesStayWithinTheBudget) {
    std::unique_ptr<StagingDirectory> staging =
        StagingDirectory::Create(root_.string(), StagingBudget{4, 10});
    ASSERT_TRUE(staging);
    const std::uint8_t eleven[11] = {};
    const std::span<const std::uint8_t> bytes(eleven);
    EXPECT_EQ(staging->WriteFile("big", bytes), StageResult::kOverBudget);
    EXPECT_EQ(staging->WriteFile("eight", bytes.first(8)), StageResult::kWritten);
    EXPECT_EQ(staging->WriteFile("three", bytes.first(3)), StageResult::kOverBudget);
    EXPECT_EQ(staging->WriteFile("two", bytes.first(2)), StageResult::kWritten);
    EXPECT_EQ(staging->WriteFile("empty", bytes.first(0)), StageResult::kWritten);
    EXPECT_EQ(staging->WriteFile("empty2", bytes.first(0)), StageResult::kWritten);
    EXPECT_EQ(staging->WriteFile("fifth", bytes.first(0)), StageResult::kOverBudget);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(staging->Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"eight", "empty", "empty2", "two"}));
    // The default: ten thousand files and 256 MiB.
    EXPECT_EQ(StagingBudget{}.max_files, 10000);
    EXPECT_EQ(StagingBudget{}.max_bytes, 256u << 20);
}

TEST_F(StagingDirectoryTest, TheSweepTakesOnlyWhatEndedProcessesLeft) {
    const std::string dead = std::to_string(EndedProcess());
    const LiveProcess live;
    const std::string alive = std::to_string(live.pid());
    const std::string self = std::to_string(::getpid());
    const auto make = [this](const std::string& name) {
        fs::create_directory(root_ / name);
        fs::permissions(root_ / name, fs::perms::owner_all);
        std::ofstream(root_ / name / "left.dat") << "x";
        std::ofstream(root_ / name / "~note") << "y";
    };
    make("~VL" + dead + "-aaaaaa");   // ended: removed
    make("~VL" + alive + "-bbbbbb");  // another saver still running
    make("~VL" + self + "-cccccc");   // our own
    make("~VL" + dead + "-dddddd");   // ended, but someone still holds its lock
    const int held = ::open((root_ / ("~VL" + dead + "-dddddd")).c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    make("~VLx-eeeeee");         // not a staging name
    make("~VL" + dead + "-ff");  // not a staging name
    fs::create_directory(root_ / "victim");
    std::ofstream(root_ / "victim" / "precious") << "z";
    fs::create_directory_symlink(root_ / "victim", root_ / ("~VL" + dead + "-gggggg"));
    std::ofstream(root_ / ("~VL" + dead + "-hhhhhh")) << "a file";

    EXPECT_EQ(SweepStaleStagingDirectories(root_.string()), 1);
    ::close(held);
    std::vector<std::string> kept = {"victim",
                                     "~VL" + alive + "-bbbbbb",
                                     "~VL" + dead + "-dddddd",
                                     "~VL" + dead + "-ff",
                                     "~VL" + dead + "-gggggg",
                                     "~VL" + dead + "-hhhhhh",
                                     "~VL" + self + "-cccccc",
                                     "~VLx-eeeeee"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Names(), kept);
    EXPECT_TRUE(fs::exists(root_ / "victim" / "precious"));
    EXPECT_TRUE(fs::exists(root_ / ("~VL" + alive + "-bbbbbb") / "left.dat"));
    // Once its lock is free, the ended one goes too.
    EXPECT_EQ(SweepStaleStagingDirectories(root_.string()), 1);
    EXPECT_FALSE(fs::exists(root_ / ("~VL" + dead + "-dddddd")));
    EXPECT_EQ(SweepStaleStagingDirectories((root_ / "missing").string()), 0);
}

TEST_F(StagingDirectoryTest, TheSweepLeavesADirectoryOfAnotherUser) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a directory to another user";
    }
    const std::string name = "~VL" + std::to_string(EndedProcess()) + "-aaaaaa";
    fs::create_directory(root_ / name);
    ASSERT_EQ(::chown((root_ / name).c_str(), 65534, 65534), 0);
    EXPECT_EQ(SweepStaleStagingDirectories(root_.string()), 0);
    EXPECT_TRUE(fs::exists(root_ / name));
}

// The emergency teardown, in a child process of its own because it closes
// staging for good: both open directories go, and nothing new is made.
TEST_F(StagingDirectoryTest, TheEmergencyTeardownRemovesEveryOpenDirectory) {
    EXPECT_EXIT(
        {
            auto first = StagingDirectory::Create(root_.string());
            auto second = StagingDirectory::Create(root_.string());
            const bool made = first && second &&
                              first->WriteFile("a", kBytes) == StageResult::kWritten &&
                              second->WriteFile("b", kBytes) == StageResult::kWritten;
            RemoveStagingDirectoriesNow();
            const bool refused = first->WriteFile("c", kBytes) == StageResult::kFailed &&
                                 !StagingDirectory::Create(root_.string());
            std::_Exit(made && refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(fs::is_empty(root_));
}

}  // namespace
}  // namespace skyweave
