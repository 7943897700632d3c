// Finds the window that --root draws into. Called once by RunHack before the
// saver window is made; it opens its own short-lived display connection so
// that the saver's toolkit starts from a clean state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace skyweave {

// The outcome of the look-up.
struct RootTargetResult {
    // The X11 window id to draw into; empty when no display could be opened.
    std::optional<std::uint32_t> window;
    // A note for stderr when $XSCREENSAVER_WINDOW was set but unusable, or
    // why no display could be opened; empty otherwise.
    std::string message;
};

// env_window: the text of $XSCREENSAVER_WINDOW, or null when unset; it wins
// when it reads as a window id (hex 0x... or decimal). Otherwise the virtual
// root of the default screen (a top-level window carrying __SWM_VROOT, as
// some desktops put one over the real root), else the root window itself.
// display_name: the X display to ask, null for $DISPLAY.
RootTargetResult FindRootTarget(const char* env_window, const char* display_name = nullptr);

}  // namespace skyweave
