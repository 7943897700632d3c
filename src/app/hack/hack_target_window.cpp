// X11 side of the --root look-up: $XSCREENSAVER_WINDOW, the virtual root
// (__SWM_VROOT) or the root window.
#include "app/hack/hack_target_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <memory>

#include "app/hack/hack_options.h"

namespace skyweave {

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

struct XFreer {
    void operator()(void* data) const {
        if (data != nullptr) {
            XFree(data);
        }
    }
};

// The first top-level window that names itself the virtual root; 0 when
// none does.
Window FindVirtualRoot(Display* display, Window root) {
    const Atom vroot_atom = XInternAtom(display, "__SWM_VROOT", True);
    if (vroot_atom == None) {
        return 0;  // nobody ever made the atom, so no window carries it
    }
    Window root_return = 0;
    Window parent_return = 0;
    Window* children_raw = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, root, &root_return, &parent_return, &children_raw, &count) == 0) {
        return 0;
    }
    const std::unique_ptr<Window, XFreer> children(children_raw);
    for (unsigned int i = 0; i < count; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long remaining = 0;
        unsigned char* data_raw = nullptr;
        const int status =
            XGetWindowProperty(display, children.get()[i], vroot_atom, 0, 1, False, XA_WINDOW,
                               &type, &format, &items, &remaining, &data_raw);
        const std::unique_ptr<unsigned char, XFreer> data(data_raw);
        if (status == Success && type == XA_WINDOW && format == 32 && items == 1 && data) {
            // Format-32 properties arrive as longs whatever the word size.
            Window vroot = 0;
            vroot = static_cast<Window>(*reinterpret_cast<const unsigned long*>(data.get()));
            if (vroot != 0) {
                return vroot;
            }
        }
    }
    return 0;
}

}  // namespace

RootTargetResult FindRootTarget(const char* env_window, const char* display_name) {
    RootTargetResult result;
    if (env_window != nullptr && env_window[0] != '\0') {
        if (const auto id = ParseWindowId(env_window)) {
            result.window = *id;
            return result;
        }
        result.message = std::string("XSCREENSAVER_WINDOW=\"") + env_window +
                         "\" is not a window id; drawing on the root window instead";
    }

    const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(display_name));
    if (!display) {
        result.message = std::string("cannot open the X display \"") +
                         (display_name != nullptr ? display_name : XDisplayName(nullptr)) + "\"";
        return result;
    }
    const Window root = DefaultRootWindow(display.get());
    const Window vroot = FindVirtualRoot(display.get(), root);
    result.window = static_cast<std::uint32_t>(vroot != 0 ? vroot : root);
    return result;
}

}  // namespace skyweave
