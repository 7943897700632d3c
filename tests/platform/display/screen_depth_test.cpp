// QueryScreenDepth against real X servers of each depth (a private Xvfb per
// case, found through -displayfd), the environment override, no display, and
// the classification of pixel formats.
#include <gtest/gtest.h>

#include <SDL.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/display/screen_depth.h"

namespace skyweave {
namespace {

// One Xvfb with a single screen of `depth` bits, stopped at destruction.
class PrivateXvfb {
  public:
    explicit PrivateXvfb(int depth) {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            const std::string screen = "64x48x" + std::to_string(depth);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char buffer[32] = {};
        std::size_t got = 0;
        while (got < sizeof buffer - 1) {
            const ssize_t n = read(fds[0], buffer + got, sizeof buffer - 1 - got);
            if (n <= 0 || buffer[got + n - 1] == '\n') {
                got += n > 0 ? static_cast<std::size_t>(n) : 0;
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        close(fds[0]);
        if (got > 0) {
            display_ = ":";
            display_.append(buffer, got - (buffer[got - 1] == '\n'));
        }
    }
    ~PrivateXvfb() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    PrivateXvfb(const PrivateXvfb&) = delete;
    PrivateXvfb& operator=(const PrivateXvfb&) = delete;

    const std::string& display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

TEST(QueryScreenDepth, ReportsTheDisplaysDepth) {
    unsetenv("SKYWEAVE_SCREEN_DEPTH");
    // 32-bit pixels of a 24-bit visual give 24; 16 bits of Xvfb are 5-6-5,
    // 15 bits 5-5-5, and 8 bits a palette.
    for (auto [server_depth, expected] :
         {std::pair{24, 24}, std::pair{16, 16}, std::pair{15, 15}, std::pair{8, 8}}) {
        PrivateXvfb server(server_depth);
        ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
        setenv("DISPLAY", server.display().c_str(), 1);
        EXPECT_EQ(QueryScreenDepth(), expected) << server_depth;
        // The query gave SDL's video back.
        EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    }
    unsetenv("DISPLAY");
}

TEST(QueryScreenDepth, LeavesVideoThatWasAlreadyInitialised) {
    unsetenv("SKYWEAVE_SCREEN_DEPTH");
    PrivateXvfb server(16);
    ASSERT_FALSE(server.display().empty());
    setenv("DISPLAY", server.display().c_str(), 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    EXPECT_EQ(QueryScreenDepth(), 16);
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
    unsetenv("DISPLAY");
}

TEST(QueryScreenDepth, OverrideAndNoDisplay) {
    unsetenv("DISPLAY");
    unsetenv("SKYWEAVE_SCREEN_DEPTH");
    EXPECT_EQ(QueryScreenDepth(), 24);
    for (const char* depth : {"8", "15", "16", "24"}) {
        setenv("SKYWEAVE_SCREEN_DEPTH", depth, 1);
        EXPECT_EQ(QueryScreenDepth(), std::atoi(depth));
    }
    for (const char* junk : {"32", "0", "x", "16 "}) {
        setenv("SKYWEAVE_SCREEN_DEPTH", junk, 1);
        EXPECT_EQ(QueryScreenDepth(), 24) << junk;
    }
    unsetenv("SKYWEAVE_SCREEN_DEPTH");
}

TEST(ScreenDepthOfFormat, Classification) {
    EXPECT_EQ(ScreenDepthOfFormat(32, 0xFF0000, 0xFF00, 0xFF), 24);
    EXPECT_EQ(ScreenDepthOfFormat(24, 0xFF0000, 0xFF00, 0xFF), 24);
    EXPECT_EQ(ScreenDepthOfFormat(16, 0xF800, 0x07E0, 0x001F), 16);
    EXPECT_EQ(ScreenDepthOfFormat(16, 0x7C00, 0x03E0, 0x001F), 15);
    EXPECT_EQ(ScreenDepthOfFormat(16, 0x001F, 0x07E0, 0xF800), 15);  // blue on top is not 5-6-5
    EXPECT_EQ(ScreenDepthOfFormat(15, 0x7C00, 0x03E0, 0x001F), 15);
    EXPECT_EQ(ScreenDepthOfFormat(12, 0xF00, 0xF0, 0xF), 12);
    EXPECT_EQ(ScreenDepthOfFormat(8, 0, 0, 0), 8);
    EXPECT_EQ(ScreenDepthOfFormat(4, 0, 0, 0), 8);
}

}  // namespace
}  // namespace skyweave
