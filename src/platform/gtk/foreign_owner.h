// Owner windows from other programs: the display settings hand the options
// dialog a native X11 window id to stay above. Used by the dialog layer.
#pragma once

typedef struct _GtkWindow GtkWindow;
typedef struct _GdkWindow GdkWindow;

namespace skyweave {

// Makes `window` transient for the X11 window `xid` and moves it to the
// centre of that window. Returns a new reference to the owner's GdkWindow
// (the caller unrefs it once `window` is gone), or null when the display is
// not X11, `xid` is 0 or names no window; `window` is then left alone.
GdkWindow* MakeTransientForForeign(GtkWindow* window, unsigned long xid);

}  // namespace skyweave
