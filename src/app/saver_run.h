// The one entry that runs a saver window to its end, shared by the Windows
// style run modes (CSaverApp: /s and /p N) and the desktop daemon's command
// line (app/hack: --root, --window-id, --window). It owns SDL for the run,
// creates one CPanoramaSaverWnd where the options say, drives the paced
// frame loop and tears everything down (panorama closed, staging directory
// removed) before it returns. SIGTERM, SIGINT and SIGHUP end every run that
// way too, without the closing splash.
#pragma once

#include <cstdint>

namespace skyweave {

struct SaverSettings;

// Where and how one saver run shows itself. The defaults are the full-screen
// saver of /s.
struct SaverRunOptions {
    enum class Placement {
        // A borderless window covering every monitor (/s).
        FullScreen,
        // A child window of our own that fills the foreign X11 window
        // `foreign_window` (/p N, --root, --window-id). A child rather than
        // the foreign window itself, so that our input selection never
        // collides with the selection of the client that owns it.
        InsideForeignWindow,
        // An ordinary decorated top-level window of `own_width` x
        // `own_height` pixels (--window).
        OwnWindow,
    };

    Placement placement = Placement::FullScreen;
    // X11 window id (XID) to live in; used only by InsideForeignWindow.
    std::uint64_t foreign_window = 0;
    // Client size in pixels of the OwnWindow placement.
    int own_width = 1280;
    int own_height = 720;

    // Idle-paced frame requests (advance the motion, open the panorama and
    // draw). Off for the preview, which shows only the splash and messages.
    bool frames = true;
    // Key presses, clicks and mouse movement end the saver. When off, input
    // only shows the arrow cursor (the preview's behaviour).
    bool end_on_input = true;
    // Keyboard and pointer grabbed while the saver runs, released at exit.
    bool grab_input = true;
    // Black screen and the splash picture for 2000 ms when the window closes.
    bool splash_on_close = true;
    // Settings for this run only; null reads the stored settings. Not owned:
    // must outlive the RunSaver call.
    const SaverSettings* settings_override = nullptr;
};

// Runs one saver window until it ends. Returns the process exit code: 0 after
// a normal end (input, close, signal, host window gone); 1 when the window
// could not be made (no display, a foreign window id that names no window),
// with the reason already written to stderr.
int RunSaver(const SaverRunOptions& options);

}  // namespace skyweave
