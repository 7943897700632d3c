// Ends a --window run on a key press, and on nothing else: an ordinary window
// on the desktop must survive the pointer passing over it, so the saver runs
// with input ending switched off and this watch turns the first key press
// into the same clean end as SIGTERM (the run is made with end_on_signal).
// RunHack holds one for the length of an own-window run.
#pragma once

namespace skyweave {

class EndOnKeyPress {
  public:
    // Installs the watch; SDL need not be started yet.
    EndOnKeyPress();
    // Removes the watch.
    ~EndOnKeyPress();
    EndOnKeyPress(const EndOnKeyPress&) = delete;
    EndOnKeyPress& operator=(const EndOnKeyPress&) = delete;
};

}  // namespace skyweave
