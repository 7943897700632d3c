// X11 look-ups for the GUI tests, kept apart because the X headers' macros
// (None, Bool) clash with GoogleTest's names.
#pragma once

typedef struct _GtkWindow GtkWindow;
typedef struct _GdkWindow GdkWindow;

namespace skyweave::testing {

// The X11 id of `window`.
unsigned long XidOf(GdkWindow* window);

// The window `window` declares itself transient for (WM_TRANSIENT_FOR), 0 if none.
unsigned long TransientForOf(GtkWindow* window);

}  // namespace skyweave::testing
