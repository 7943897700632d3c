// Transient-for across clients. Every request touching the foreign window is
// made under an X error trap: the owner belongs to another program and may
// vanish at any moment, and an untrapped BadWindow would end this one.
#include "platform/gtk/foreign_owner.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace skyweave {

GdkWindow* MakeTransientForForeign(GtkWindow* window, unsigned long xid) {
    if (xid == 0) {
        return nullptr;
    }
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
    if (!GDK_IS_X11_DISPLAY(display)) {
        return nullptr;
    }
    gdk_x11_display_error_trap_push(display);
    GdkWindow* owner = gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(xid));
    int ownerX = 0;
    int ownerY = 0;
    int ownerWidth = 0;
    int ownerHeight = 0;
    if (owner != nullptr) {
        gdk_window_get_origin(owner, &ownerX, &ownerY);
        ownerWidth = gdk_window_get_width(owner);
        ownerHeight = gdk_window_get_height(owner);
    }
    const bool failed = gdk_x11_display_error_trap_pop(display) != 0;
    if (owner == nullptr || failed) {
        if (owner != nullptr) {
            g_object_unref(owner);
        }
        return nullptr;
    }
    gtk_widget_realize(GTK_WIDGET(window));
    gdk_window_set_transient_for(gtk_widget_get_window(GTK_WIDGET(window)), owner);

    GtkRequisition size{};
    gtk_widget_get_preferred_size(GTK_WIDGET(window), nullptr, &size);
    gtk_window_set_position(window, GTK_WIN_POS_NONE);
    gtk_window_move(window, ownerX + (ownerWidth - size.width) / 2,
                    ownerY + (ownerHeight - size.height) / 2);
    return owner;
}

}  // namespace skyweave
