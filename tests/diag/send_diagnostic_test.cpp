// The diagnostic channel end to end: the exact bytes a receiving server gets
// over a real socket, the start of "DBS.EXE" when no server listens, and the
// quiet drop when neither exists.
#include "diag/send_diagnostic.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "diag/diag_test_support.h"

namespace skyweave {
namespace {

using test::Receiver;
using test::ScopedEnv;
using test::TempDir;

// Everything queued at the receiver, one vector per datagram.
std::vector<std::vector<std::uint8_t>> DrainDatagrams(int fd) {
    std::vector<std::vector<std::uint8_t>> datagrams;
    while (true) {
        std::uint8_t buffer[256];
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (n < 0) {
            break;
        }
        datagrams.emplace_back(buffer, buffer + n);
    }
    return datagrams;
}

// True when this process has no child at all, finished or running.
bool HasNoChildren() {
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

int CountLines(const std::filesystem::path& file) {
    std::ifstream in(file);
    int lines = 0;
    for (std::string line; std::getline(in, line);) {
        ++lines;
    }
    return lines;
}

class SendDiagnosticTest : public ::testing::Test {
  protected:
    TempDir runtime_dir_;
    TempDir program_dir_;
    ScopedEnv runtime_env_{"XDG_RUNTIME_DIR", runtime_dir_.path().string()};
    ScopedEnv path_env_{"PATH", program_dir_.path().string()};
    std::string socket_path_ = (runtime_dir_.path() / "dbs.sock").string();
};

TEST_F(SendDiagnosticTest, ServerReceivesBothTextsByteForByteWithTheirTerminators) {
    test::WriteRecordingServer(program_dir_.path());
    Receiver server(socket_path_);
    ASSERT_TRUE(server.bound());

    SendDiagnostic(kLockTimeoutDiagnostic);
    SendDiagnostic(kMemFaultDiagnostic);

    const auto datagrams = DrainDatagrams(server.fd());
    ASSERT_EQ(datagrams.size(), 2U);
    EXPECT_EQ(datagrams[0], (std::vector<std::uint8_t>{0x07, 0x2A, 0x00}));
    EXPECT_EQ(datagrams[1],
              (std::vector<std::uint8_t>{'M', 'e', 'm', ' ', 'F', 'a', 'u', 'l', 't', 0x0A, 0x00}));
    // A listening server is used as it is; no second one is started.
    EXPECT_FALSE(std::filesystem::exists(program_dir_.path() / "starts"));
}

TEST_F(SendDiagnosticTest, TextEndsAtItsFirstZeroByte) {
    Receiver server(socket_path_);
    ASSERT_TRUE(server.bound());
    using namespace std::string_view_literals;
    SendDiagnostic("ab\0cd"sv);
    SendDiagnostic(""sv);
    const auto datagrams = DrainDatagrams(server.fd());
    ASSERT_EQ(datagrams.size(), 2U);
    EXPECT_EQ(datagrams[0], (std::vector<std::uint8_t>{'a', 'b', 0x00}));
    EXPECT_EQ(datagrams[1], (std::vector<std::uint8_t>{0x00}));
}

TEST_F(SendDiagnosticTest, FallsBackToTmpPathWithoutRuntimeDirectory) {
    // Without XDG_RUNTIME_DIR the server is looked for under /tmp by user id.
    ScopedEnv no_runtime("XDG_RUNTIME_DIR", std::nullopt);
    const std::string tmp_path = "/tmp/dbs-" + std::to_string(::getuid()) + ".sock";
    if (std::filesystem::exists(tmp_path)) {
        GTEST_SKIP() << tmp_path << " belongs to a running server";
    }
    Receiver server(tmp_path);
    ASSERT_TRUE(server.bound());
    SendDiagnostic(kMemFaultDiagnostic);
    const auto datagrams = DrainDatagrams(server.fd());
    server.Close();
    std::filesystem::remove(tmp_path);
    ASSERT_EQ(datagrams.size(), 1U);
    EXPECT_EQ(datagrams[0].size(), 11U);
}

// True once this process has no child left, waiting up to about 30 s (a
// bound against hanging): an ended program is reaped, never a zombie.
bool ChildrenAllReaped() {
    for (int i = 0; i < 3000; ++i) {
        if (HasNoChildren()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_F(SendDiagnosticTest, StartsServerByNameWithoutWaitingAndLeavesNoZombie) {
    test::WriteRecordingServer(program_dir_.path());
    const auto& dir = program_dir_.path();

    DiagnosticChannel channel(std::chrono::seconds(0));
    channel.Send(kLockTimeoutDiagnostic);

    // The stand-in cannot finish before it is released, so returning here at
    // all shows the caller did not wait for it.
    EXPECT_FALSE(std::filesystem::exists(dir / "finished"));
    ASSERT_TRUE(test::WaitForFile(dir / "started"));
    std::ofstream(dir / "release").close();
    ASSERT_TRUE(test::WaitForFile(dir / "finished"));
    EXPECT_EQ(CountLines(dir / "starts"), 1);
    // It ran in a session of its own, not in ours.
    std::ifstream sessions(dir / "session");
    long session = 0;
    sessions >> session;
    EXPECT_NE(session, static_cast<long>(::getsid(0)));
    EXPECT_TRUE(ChildrenAllReaped());
}

// A trouble that repeats every frame with no server listening starts the
// server once a minute, not once a frame; and never from a folder that the
// search path names relatively (the folder the saver was started from).
TEST_F(SendDiagnosticTest, ServerStartsAreBoundedAndOnlyFromAbsoluteFolders) {
    test::WriteRecordingServer(program_dir_.path());
    const auto& dir = program_dir_.path();
    DiagnosticChannel channel;
    for (int frame = 0; frame < 200; ++frame) {
        channel.Send(kMemFaultDiagnostic);
    }
    ASSERT_TRUE(test::WaitForFile(dir / "started"));
    std::ofstream(dir / "release").close();
    ASSERT_TRUE(test::WaitForFile(dir / "finished"));
    EXPECT_EQ(CountLines(dir / "starts"), 1);
    EXPECT_TRUE(ChildrenAllReaped());

    struct Case {
        std::filesystem::path folder;  // where the saver was started
        std::string search;            // its PATH
    };
    const std::string name = dir.filename().string();
    const auto old_cwd = std::filesystem::current_path();
    for (const Case& c : {Case{dir, ""}, Case{dir, ":"}, Case{dir, "."}, Case{dir, "./"},
                          Case{dir.parent_path(), name}, Case{dir.parent_path(), "./" + name}}) {
        std::filesystem::current_path(c.folder);
        ScopedEnv search("PATH", c.search);
        DiagnosticChannel fresh(std::chrono::seconds(0));
        fresh.Send(kMemFaultDiagnostic);
    }
    std::filesystem::current_path(old_cwd);
    EXPECT_EQ(CountLines(dir / "starts"), 1) << "started from a relative folder";
    EXPECT_TRUE(HasNoChildren());
}

TEST_F(SendDiagnosticTest, StaleSocketOfEndedServerCountsAsNoServer) {
    test::WriteRecordingServer(program_dir_.path());
    Receiver ended(socket_path_);
    ASSERT_TRUE(ended.bound());
    ended.Close();

    DiagnosticChannel channel(std::chrono::seconds(0));
    channel.Send(kMemFaultDiagnostic);

    ASSERT_TRUE(test::WaitForFile(program_dir_.path() / "started"));
    std::ofstream(program_dir_.path() / "release").close();
    ASSERT_TRUE(test::WaitForFile(program_dir_.path() / "finished"));
}

TEST_F(SendDiagnosticTest, NoServerAndNoProgramDropsTheTextQuietly) {
    // PATH holds only an empty directory: the start fails and nothing else
    // happens; no file appears, no process is left.
    SendDiagnostic(kLockTimeoutDiagnostic);
    SendDiagnostic(kMemFaultDiagnostic);
    EXPECT_TRUE(std::filesystem::is_empty(runtime_dir_.path()));
    EXPECT_TRUE(HasNoChildren());

    // The same without any PATH at all, and with an unusable runtime path.
    ScopedEnv no_path("PATH", std::nullopt);
    ScopedEnv long_dir("XDG_RUNTIME_DIR", "/" + std::string(200, 'x'));
    SendDiagnostic(kMemFaultDiagnostic);
    EXPECT_TRUE(HasNoChildren());
}

}  // namespace
}  // namespace skyweave

namespace skyweave {
namespace {

volatile sig_atomic_t g_child_signals = 0;

void CountChildSignal(int) {
    g_child_signals = g_child_signals + 1;
}

// The host's own child handling stays in charge: a SIGCHLD handler keeps
// being called and SIG_IGN (children reaped by the system) does not make the
// start hang or fail.
TEST_F(SendDiagnosticTest, HostChildSignalHandlingIsLeftAlone) {
    test::WriteRecordingServer(program_dir_.path());
    const auto& dir = program_dir_.path();

    struct sigaction counting {};
    counting.sa_handler = CountChildSignal;
    counting.sa_flags = SA_RESTART;
    sigemptyset(&counting.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGCHLD, &counting, &previous), 0);
    DiagnosticChannel channel(std::chrono::seconds(0));
    channel.Send(kLockTimeoutDiagnostic);
    ASSERT_TRUE(test::WaitForFile(dir / "started"));
    std::ofstream(dir / "release").close();
    ASSERT_TRUE(test::WaitForFile(dir / "finished"));
    for (int i = 0; i < 3000 && g_child_signals < 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(g_child_signals, 1) << "the host's handler did not see its child end";

    struct sigaction ignoring {};
    ignoring.sa_handler = SIG_IGN;
    sigemptyset(&ignoring.sa_mask);
    ASSERT_EQ(::sigaction(SIGCHLD, &ignoring, nullptr), 0);
    std::filesystem::remove(dir / "started");
    std::filesystem::remove(dir / "release");
    channel.Send(kLockTimeoutDiagnostic);
    ASSERT_TRUE(test::WaitForFile(dir / "started"));
    std::ofstream(dir / "release").close();
    for (int i = 0; i < 3000 && CountLines(dir / "finished") < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(CountLines(dir / "finished"), 2);
    EXPECT_EQ(CountLines(dir / "starts"), 2);
    EXPECT_TRUE(ChildrenAllReaped());
    ASSERT_EQ(::sigaction(SIGCHLD, &previous, nullptr), 0);
}

}  // namespace
}  // namespace skyweave

namespace skyweave {
namespace {

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The whole road with a real server program: the first text finds no server
// and starts it (that text may be lost while the server is still starting),
// and once the server listens the next text reaches it intact.
TEST_F(SendDiagnosticTest, StartedServerReceivesTheNextText) {
    std::filesystem::copy_file(SKYWEAVE_DBS_RECEIVER, program_dir_.path() / "DBS.EXE");
    const auto log = program_dir_.path() / "received";
    ScopedEnv log_env("DBS_TEST_LOG", log.string());

    DiagnosticChannel channel(std::chrono::seconds(0));
    channel.Send(kLockTimeoutDiagnostic);
    ASSERT_TRUE(test::WaitForFile(socket_path_));
    channel.Send(kMemFaultDiagnostic);
    // The server ends after "Mem Fault" and removes its socket.
    for (int i = 0; i < 3000 && std::filesystem::exists(socket_path_); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::vector<std::string> lines = ReadLines(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "4d656d204661756c740a00");
    if (lines.size() == 2) {
        EXPECT_EQ(lines.front(), "072a00");
    }
    EXPECT_LE(lines.size(), 2U);
    EXPECT_TRUE(ChildrenAllReaped());
}

}  // namespace
}  // namespace skyweave
