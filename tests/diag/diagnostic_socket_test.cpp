// One delivery attempt and its classification, and the program lookup on the
// search path that the server start relies on.
#include "diag/diagnostic_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "diag/diag_test_support.h"
#include "platform/core/spawn_process.h"

namespace skyweave {
namespace {

using test::Receiver;
using test::ScopedEnv;
using test::TempDir;

constexpr std::array<std::byte, 3> kBytes = {std::byte{1}, std::byte{2}, std::byte{0}};

TEST(DiagnosticSocketPath, RuntimeDirectoryElsePerUserTmpPath) {
    {
        ScopedEnv env("XDG_RUNTIME_DIR", "/run/user/4242");
        EXPECT_EQ(DiagnosticSocketPath(), "/run/user/4242/dbs.sock");
    }
    {
        ScopedEnv env("XDG_RUNTIME_DIR", "/run/user/4242/");
        EXPECT_EQ(DiagnosticSocketPath(), "/run/user/4242/dbs.sock");
    }
    const std::string fallback = "/tmp/dbs-" + std::to_string(::getuid()) + ".sock";
    for (const char* unusable : {"", "relative/dir"}) {
        ScopedEnv env("XDG_RUNTIME_DIR", std::string(unusable));
        EXPECT_EQ(DiagnosticSocketPath(), fallback) << '"' << unusable << '"';
    }
    ScopedEnv unset("XDG_RUNTIME_DIR", std::nullopt);
    EXPECT_EQ(DiagnosticSocketPath(), fallback);
}

TEST(SendDiagnosticDatagram, ClassifiesEveryKindOfPath) {
    TempDir dir;
    const std::string path = (dir.path() / "dbs.sock").string();

    EXPECT_EQ(SendDiagnosticDatagram(path, kBytes), DeliveryResult::kNoReceiver);
    EXPECT_EQ(SendDiagnosticDatagram("/" + std::string(200, 'x'), kBytes),
              DeliveryResult::kNoReceiver);
    {
        Receiver server(path);
        ASSERT_TRUE(server.bound());
        EXPECT_EQ(SendDiagnosticDatagram(path, kBytes), DeliveryResult::kDelivered);
        std::byte got[8];
        ASSERT_EQ(::recv(server.fd(), got, sizeof(got), MSG_DONTWAIT), 3);
        EXPECT_EQ(got[0], std::byte{1});
        EXPECT_EQ(got[2], std::byte{0});
    }
    // The receiver is gone but its file stays.
    EXPECT_EQ(SendDiagnosticDatagram(path, kBytes), DeliveryResult::kNoReceiver);
    std::filesystem::remove(path);

    // Something that is not a socket is never written to nor replaced.
    std::ofstream(path) << "keep";
    EXPECT_EQ(SendDiagnosticDatagram(path, kBytes), DeliveryResult::kDropped);
    std::ifstream in(path);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "keep");
}

TEST(SendDiagnosticDatagram, FullServerQueueDropsInsteadOfBlocking) {
    TempDir dir;
    const std::string path = (dir.path() / "dbs.sock").string();
    Receiver server(path);
    ASSERT_TRUE(server.bound());
    // A server that has stopped reading: fill its queue until a non-blocking
    // send is refused.
    int filler = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    ASSERT_GE(filler, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    bool full = false;
    for (int i = 0; i < 100000 && !full; ++i) {
        full = ::sendto(filler, kBytes.data(), kBytes.size(), 0,
                        reinterpret_cast<const sockaddr*>(&address), sizeof(address)) < 0;
    }
    ::close(filler);
    ASSERT_TRUE(full);
    EXPECT_EQ(SendDiagnosticDatagram(path, kBytes), DeliveryResult::kDropped);
}

TEST(FindProgramOnPath, FollowsTheShellSearchRules) {
    TempDir first;
    TempDir second;
    const auto make = [](const std::filesystem::path& file, bool executable) {
        std::ofstream(file) << "#!/bin/sh\n";
        std::filesystem::permissions(file, executable ? std::filesystem::perms::owner_all
                                                      : std::filesystem::perms::owner_read);
    };
    make(first.path() / "PLAIN", false);
    make(second.path() / "PLAIN", true);
    std::filesystem::create_directory(first.path() / "DIRNAME");
    make(second.path() / "DIRNAME", true);
    const std::string search = first.path().string() + ":" + second.path().string();

    // Not executable and a directory are skipped; the next entry wins.
    EXPECT_EQ(FindProgramOnPath("PLAIN", search), (second.path() / "PLAIN").string());
    EXPECT_EQ(FindProgramOnPath("DIRNAME", search), (second.path() / "DIRNAME").string());
    EXPECT_EQ(FindProgramOnPath("MISSING", search), std::nullopt);
    EXPECT_EQ(FindProgramOnPath("", search), std::nullopt);
    EXPECT_EQ(FindProgramOnPath("PLAIN", ""), std::nullopt);
    // A name with a slash is not searched for.
    const std::string direct = (second.path() / "PLAIN").string();
    EXPECT_EQ(FindProgramOnPath(direct, first.path().string()), direct);
    EXPECT_EQ(FindProgramOnPath((first.path() / "PLAIN").string(), search), std::nullopt);
    // Empty and relative entries never count, wherever the caller stands.
    const auto old_cwd = std::filesystem::current_path();
    std::filesystem::current_path(second.path());
    for (const std::string& path :
         {first.path().string() + ":", "::" + first.path().string(), std::string("."),
          "../" + second.path().filename().string(), std::string("./")}) {
        EXPECT_EQ(FindProgramOnPath("PLAIN", path), std::nullopt) << path;
    }
    std::filesystem::current_path(old_cwd);
}

}  // namespace
}  // namespace skyweave
