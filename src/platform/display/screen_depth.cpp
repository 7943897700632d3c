// QueryScreenDepth (screen_depth.h) on SDL2.
//
// SDL describes the X11 display's visual as a pixel format; its bit count and
// masks are all the classification needs. When the saver already holds SDL's
// video subsystem (SdlVideo), the query just reads the desktop mode. Before
// that (for example when a tool decodes a picture), it takes the subsystem
// for the length of the query with SDL_InitSubSystem and gives it back with
// SDL_QuitSubSystem; SDL counts these, so a pair never shuts down video that
// someone else initialised, and nothing stays connected afterwards.
#include "platform/display/screen_depth.h"

#include <SDL.h>

#include "platform/core/screen_depth_override.h"

#include <cstdlib>

namespace skyweave {
namespace {

// The desktop's depth code, with video already initialised; 24 when SDL
// cannot say.
int DesktopDepth() {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        return 24;
    }
    int bits = 0;
    Uint32 red = 0;
    Uint32 green = 0;
    Uint32 blue = 0;
    Uint32 alpha = 0;
    if (SDL_PixelFormatEnumToMasks(mode.format, &bits, &red, &green, &blue, &alpha) != SDL_TRUE) {
        return 24;
    }
    return ScreenDepthOfFormat(bits, red, green, blue);
}

}  // namespace

int ScreenDepthOfFormat(int bits_per_pixel, std::uint32_t red_mask, std::uint32_t green_mask,
                        std::uint32_t blue_mask) {
    if (bits_per_pixel >= 24) {
        return 24;
    }
    if (bits_per_pixel == 15 || bits_per_pixel == 16) {
        const bool is565 = red_mask == 0xF800 && green_mask == 0x07E0 && blue_mask == 0x001F;
        return is565 ? 16 : 15;
    }
    if (bits_per_pixel <= 8) {
        return 8;
    }
    return bits_per_pixel;
}

int QueryScreenDepth() {
    if (const int forced = ScreenDepthFromEnvironment(0); forced != 0) {
        return forced;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        return DesktopDepth();
    }
    // Without an X11 display, SDL might pick a console driver instead.
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        return 24;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return 24;  // no display
    }
    const int depth = DesktopDepth();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return depth;
}

}  // namespace skyweave
