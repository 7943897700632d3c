// X11 property reads for the GUI tests.
#include "x11_probe.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace skyweave::testing {

unsigned long XidOf(GdkWindow* window) {
    return gdk_x11_window_get_xid(window);
}

unsigned long TransientForOf(GtkWindow* window) {
    GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
    if (gdkWindow == nullptr) {
        return 0;
    }
    ::Window transientFor = 0;
    if (XGetTransientForHint(GDK_WINDOW_XDISPLAY(gdkWindow), GDK_WINDOW_XID(gdkWindow),
                             &transientFor) == 0) {
        return 0;
    }
    return transientFor;
}

}  // namespace skyweave::testing
