// A line on standard error for every frame the saver draws, for tests and
// for watching the motion: the frame number, the view rectangle, the view
// handed to the panorama and its staging directory; and a line for each
// input event, end request, message text, close, background load (start,
// done, failed) and frame request without a picture the saver window
// handles. Enabled by setting the environment variable SKYWEAVE_FRAME_LOG to
// 1 before the saver starts; otherwise nothing is written. Control characters
// in the texts (file names among them) are escaped, so every call writes
// exactly one line.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "app/auto_motion.h"

namespace skyweave {

class FrameLog {
  public:
    // The log when SKYWEAVE_FRAME_LOG is "1", else null.
    static std::unique_ptr<FrameLog> FromEnvironment();

    // One line: "frame N rect L T R B view H P R Z depth D queued Q staging
    // PATH", or with "monitor I" before "staging" for the view of monitor I
    // of a window over several monitors (N then counts the views drawn).
    //   rect: the view rectangle in client pixels; heading, pitch, roll, zoom
    //   in degrees; depth: the frame's depth code; queued: frame requests
    //   waiting behind the one being handled; staging: may be empty;
    //   monitor: the monitor's number, or -1 for the one view of a window.
    void Write(const MotionRect& rect, double heading, double pitch, double roll, double zoom,
               int depth, int queued, std::string_view staging, int monitor = -1);

    // One line: "event TEXT".
    void Event(std::string_view text);

  private:
    std::uint64_t frames_ = 0;
};

}  // namespace skyweave
