// The viewer's window and event loop: one panorama at a time in a
// resizable window, loaded on the loader's worker thread so that input is
// never kept waiting, moved by the pointer, the wheel and the keys.
#pragma once

#include "viewer/viewer_options.h"

namespace skyweave {

// Runs the viewer until Escape, Q, the window's close button or an end
// signal (status 0); status 1 when no window can be opened.
int RunViewer(const ViewerOptions& options);

}  // namespace skyweave
