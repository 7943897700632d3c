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
    if (GtkWidget* heading = about.Item(kIdAboutHeadingLabel)) {
        PangoAttrList* attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
        pango_attr_list_insert(attributes, pango_attr_scale_new(1.4));
        gtk_label_set_attributes(GTK_LABEL(heading), attributes);
        pango_attr_list_unref(attributes);
    }
    about.RunModal();
}

}  // namespace skyweave
