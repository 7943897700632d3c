// QueryScreenDepth against real X servers of each depth (a private Xvfb per
// case, found through -displayfd), the environment override, no display, and
// the classification of pixel formats.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>

#include "platform/display/screen_depth.h"
#include "support/xvfb_display.h"

namespace skyweave {
namespace {

TEST(QueryScreenDepth, ReportsTheDisplaysDepth) {
    unsetenv("SKYWEAVE_SCREEN_DEPTH");
    // 32-bit pixels of a 24-bit visual give 24; 16 bits of Xvfb are 5-6-5,
    // 15 bits 5-5-5, and 8 bits a palette.
    for (auto [server_depth, expected] :
         {std::pair{24, 24}, std::pair{16, 16}, std::pair{15, 15}, std::pair{8, 8}}) {
        test::XvfbDisplay server(64, 48, server_depth);
        ASSERT_FALSE(server.Name().empty()) << "Xvfb did not start";
        setenv("DISPLAY", server.Name().c_str(), 1);
        EXPECT_EQ(QueryScreenDepth(), expected) << server_depth;
        // The query gave SDL's video back.
        EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    }
    unsetenv("DISPLAY");
}

TEST(QueryScreenDepth, LeavesVideoThatWasAlreadyInitialised) {
    unsetenv("SKYWEAVE_SCREEN_DEPTH");
    test::XvfbDisplay server(64, 48, 16);
    ASSERT_FALSE(server.Name().empty());
    setenv("DISPLAY", server.Name().c_str(), 1);
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
