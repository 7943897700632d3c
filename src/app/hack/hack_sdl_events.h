// The two pieces of event handling that a daemon-style run sets up around
// RunSaver. RunHack holds them for the length of the run.
//
// SignalsEndTheRun: SIGINT and SIGTERM end the run cleanly from the first
// moment. The toolkit would catch them only once its video part is up, and
// leaves alone a signal the parent set to "ignore" (a shell does so with
// SIGINT for its background jobs); so this catches both itself, before the
// saver window is made, and hands a caught signal to the saver's event loop
// as the toolkit's quit event with the next event that passes, which ends a
// run made with end_on_signal as if the toolkit had caught it. A daemon that
// gives up on the saver right after starting it still gets status 0.
//
// EndOnKeyPress: ends a --window run on a key press and on nothing else. An
// ordinary window on the desktop must survive the pointer passing over it,
// so that run is made with input ending off, and the first key press takes
// the same road as SIGTERM.
#pragma once

namespace skyweave {

class SignalsEndTheRun {
  public:
    // Catches SIGINT and SIGTERM and starts watching the event queue.
    SignalsEndTheRun();
    // Stops watching and gives both signals their default action back.
    ~SignalsEndTheRun();
    SignalsEndTheRun(const SignalsEndTheRun&) = delete;
    SignalsEndTheRun& operator=(const SignalsEndTheRun&) = delete;
};

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
