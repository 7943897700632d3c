// SDL start-up and shutdown for one saver run; see sdl_video.h.
#include "platform/display/sdl_video.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <SDL_ttf.h>
#include <X11/Xlib.h>

namespace skyweave {
namespace {

// BadWindow and friends arrive when a foreign window disappears while we
// still talk to it; the loop notices the loss itself, so the error is dropped.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

SdlVideo::SdlVideo(bool end_on_signal) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, end_on_signal ? "0" : "1");
    // Only signals may quit: a close request of the window manager is the
    // window's own business.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A screen saver must not inhibit the screen saver, and it decides itself
    // when the keyboard is grabbed.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        error_ = SDL_GetError();
        return;
    }
    if (TTF_Init() != 0) {
        error_ = TTF_GetError();
        SDL_Quit();
        return;
    }
    ttf_ = true;
    XSetErrorHandler(IgnoreXError);
    ok_ = true;
}

SdlVideo::~SdlVideo() {
    if (ttf_) {
        TTF_Quit();
    }
    if (ok_) {
        SDL_Quit();
    }
}

}  // namespace skyweave
