// GtkMessageDialog wrapper.
#include "platform/gtk/message_box.h"

#include <gtk/gtk.h>

#include <string>

namespace skyweave {

void ShowMessageBox(GtkWindow* parent, std::string_view caption, std::string_view text) {
    const std::string message(text);
    GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING,
                                               GTK_BUTTONS_OK, "%s", message.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), std::string(caption).c_str());
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

}  // namespace skyweave
