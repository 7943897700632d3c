// A modal message box on GTK 3 for the few failures a dialog must tell the
// user about. Called by the options dialog's view.
#pragma once

#include <string_view>

typedef struct _GtkWindow GtkWindow;

namespace skyweave {

// Shows `text` with an OK button above `parent` (may be null) and waits
// until the user closes it.
void ShowMessageBox(GtkWindow* parent, std::string_view caption, std::string_view text);

}  // namespace skyweave
