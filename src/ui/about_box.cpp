// About box on the dialog layer.
#include "ui/about_box.h"

#include <gtk/gtk.h>

#include "platform/gtk/dialog_window.h"
#include "ui/dialog_templates.h"
#include "ui/options_dialog_ids.h"

#ifndef SKYWEAVE_VERSION
#define SKYWEAVE_VERSION "1.0.3"
#endif

namespace skyweave {

std::string AboutBuildLabel() {
    return "Build " SKYWEAVE_VERSION ".902, GTK " + std::to_string(gtk_get_major_version()) + "." +
           std::to_string(gtk_get_minor_version()) + "." + std::to_string(gtk_get_micro_version());
}

void RunAboutBox(GtkWindow* parent) {
    DialogWindow about(AboutBoxTemplate(), parent);
    about.SetItemText(kIdAboutBuildLabel, AboutBuildLabel());
    about.RunModal();
}

}  // namespace skyweave
