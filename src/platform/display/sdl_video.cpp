// SDL start-up and shutdown for one saver run; see sdl_video.h.
#include "platform/display/sdl_video.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <SDL_ttf.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace skyweave {
namespace {

// BadWindow and friends arrive when a foreign window disappears while we
// still talk to it; the loop notices the loss itself, so the error is dropped.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

DisplayLostHandler g_on_display_lost = nullptr;

// Xlib ends the process itself when this returns, so it never does: the
// connection is gone and no toolkit call can follow.
int OnDisplayLost(Display*) {
    static constexpr char kText[] = "skyweave: the X display went away\n";
    [[maybe_unused]] const ssize_t written = ::write(2, kText, sizeof kText - 1);
    if (g_on_display_lost != nullptr) {
        g_on_display_lost();
    }
    ::_exit(1);
}

// True when SDL_VIDEODRIVER asks for `driver` by name.
bool DriverNamedByUser(std::string_view driver) {
    const char* wanted = std::getenv("SDL_VIDEODRIVER");
    if (wanted == nullptr) {
        return false;
    }
    // A comma-separated list of names to try, as SDL reads it.
    std::string_view list = wanted;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        if (list.substr(0, comma) == driver) {
            return true;
        }
        list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
    }
    return false;
}

}  // namespace

SdlVideo::SdlVideo(DisplayLostHandler on_display_lost) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
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
    const std::string_view driver =
        SDL_GetCurrentVideoDriver() != nullptr ? SDL_GetCurrentVideoDriver() : "";
    if ((driver == "offscreen" || driver == "dummy") && !DriverNamedByUser(driver)) {
        // Drawing into memory that no screen shows would run forever unseen.
        const std::string name(driver);
        error_ = "no X display to draw on (SDL would use its invisible \"" + name +
                 "\" video driver); set DISPLAY, or SDL_VIDEODRIVER=" + name + " to allow it";
        SDL_Quit();
        return;
    }
    if (TTF_Init() != 0) {
        error_ = TTF_GetError();
        SDL_Quit();
        return;
    }
    ttf_ = true;
    XSetErrorHandler(IgnoreXError);
    g_on_display_lost = on_display_lost;
    XSetIOErrorHandler(OnDisplayLost);
    // A write to a display connection the server has closed must reach the
    // I/O error handler above, not end the process by SIGPIPE on the spot.
    ::signal(SIGPIPE, SIG_IGN);
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
