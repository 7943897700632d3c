// The About box (template 134), shown modally from the options dialog.
#pragma once

#include <string>

typedef struct _GtkWindow GtkWindow;

namespace skyweave {

// The About box's build label: program version and the GTK it runs on.
std::string AboutBuildLabel();

// Shows the About box above `parent` (may be null) until it is closed.
void RunAboutBox(GtkWindow* parent);

}  // namespace skyweave
