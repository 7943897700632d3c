// SDL's video and event subsystems and SDL_ttf for the lifetime of one saver
// run. Owned by the application object; every window, font and surface of
// the display layer must be destroyed before it. Also installs an X error
// handler that records errors instead of ending the process, because a host
// window that vanishes under the preview must not kill the saver mid-teardown.
#pragma once

#include <string>

namespace skyweave {

class SdlVideo {
  public:
    // Initialises SDL video, events and TTF. On failure ok() is false and
    // error() says why (for example no X display).
    //   end_on_signal: SIGTERM and SIGINT become a quit event that the event
    //   loop turns into an orderly end; when false (the default) they keep
    //   their default action.
    explicit SdlVideo(bool end_on_signal = false);
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
