// GTK initialisation.
#include "platform/gtk/gtk_startup.h"

#include <gtk/gtk.h>

namespace skyweave {

bool StartGtk() {
    static const bool started = [] {
        gdk_set_allowed_backends("x11,*");
        return gtk_init_check(nullptr, nullptr) != FALSE;
    }();
    return started;
}

}  // namespace skyweave
