// Start-up of GTK for the dialogs. The saver's other windows use X11
// directly, and owner windows are X11 window ids, so GDK is asked for its X11
// backend first. Called by every entry that shows a dialog; GTK itself keeps
// the process-wide state.
#pragma once

namespace skyweave {

// Initialises GTK once per process. Returns false when no display can be
// opened (GTK stays unusable then; later calls return false again).
bool StartGtk();

}  // namespace skyweave
