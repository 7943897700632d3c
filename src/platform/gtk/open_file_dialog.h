// The open-file dialog on GTK 3 (what the class library's file dialog was
// to the options dialog). Called by the options dialog's view.
#pragma once

#include <optional>
#include <string>

#include "platform/gtk/open_file_request.h"

typedef struct _GtkWindow GtkWindow;

namespace skyweave {

// Lets the user pick an existing file, or a folder when the request names a
// folder button. `parent` (may be null) is the dialog the chooser stays
// above. Returns the chosen file's or folder's absolute path, or nothing when
// the user cancelled.
std::optional<std::string> RunOpenFileDialog(GtkWindow* parent, const OpenFileRequest& request);

}  // namespace skyweave
