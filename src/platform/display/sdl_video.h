// SDL's video and event subsystems and SDL_ttf for the lifetime of one saver
// run. Owned by the application object; every window, font and surface of
// the display layer must be destroyed before it. Also installs an X error
// handler that records errors instead of ending the process, because a host
// window that vanishes under the preview must not kill the saver mid-teardown,
// and an X I/O error handler for a display connection that is lost for good.
#pragma once

#include <string>

namespace skyweave {

// Called when the X display connection is lost (the server ended or went
// away), just before the process ends with status 1: the last chance to
// remove what must not outlive it. Must not use the display.
using DisplayLostHandler = void (*)();

class SdlVideo {
  public:
    // Initialises SDL video, events and TTF. On failure ok() is false and
    // error() says why. A saver needs a real display: SDL's "offscreen" and
    // "dummy" drivers, which SDL falls back to when there is no X display,
    // are refused unless SDL_VIDEODRIVER names them. SDL installs no signal
    // handlers (the saver catches the end signals itself, end_signals.h).
    //   on_display_lost: run by the X I/O error handler; null for none.
    explicit SdlVideo(DisplayLostHandler on_display_lost = nullptr);
    ~SdlVideo();
    SdlVideo(const SdlVideo&) = delete;
    SdlVideo& operator=(const SdlVideo&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }

  private:
    bool ok_ = false;
    bool ttf_ = false;
    std::string error_;
};

}  // namespace skyweave
