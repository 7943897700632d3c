// EndOnKeyPress: ends a --window run on a key press and on nothing else. An
// ordinary window on the desktop must survive the pointer passing over it,
// so that run is made with input ending off, and the first key press takes
// the same road as SIGTERM (a quit event, which the loop ends the run on).
#pragma once

namespace skyweave {

class EndOnKeyPress {
  public:
    // Installs the watch; the toolkit need not be started yet.
    EndOnKeyPress();
    // Removes the watch.
    ~EndOnKeyPress();
    EndOnKeyPress(const EndOnKeyPress&) = delete;
    EndOnKeyPress& operator=(const EndOnKeyPress&) = delete;
};

}  // namespace skyweave
