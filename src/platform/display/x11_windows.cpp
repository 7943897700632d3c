// Xlib window services; see x11_windows.h.
#include "platform/display/x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>
#include <limits>
#include <string>

namespace skyweave {
namespace {

struct DisplayCloser {
    void operator()(Display* display) const {
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr OpenDisplay() {
    return DisplayPtr(XOpenDisplay(nullptr));
}

// Errors on a vanished window are expected here; the caller checks results.
int QuietErrors(Display*, XErrorEvent*) {
    return 0;
}

class ErrorScope {
  public:
    ErrorScope() : previous_(XSetErrorHandler(QuietErrors)) {}
    ~ErrorScope() { XSetErrorHandler(previous_); }
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;

  private:
    int (*previous_)(Display*, XErrorEvent*);
};

bool ValidId(std::uint64_t window) {
    return window != 0 && window <= std::numeric_limits<std::uint32_t>::max();
}

std::string WindowTitle(Display* display, Window window) {
    const Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, net_wm_name, 0, 1024, False, utf8, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
        std::string title(reinterpret_cast<const char*>(data), count);
        XFree(data);
        if (type == utf8 && format == 8) {
            return title;
        }
    }
    XTextProperty text{};
    if (XGetWMName(display, window, &text) != 0 && text.value != nullptr) {
        std::string title(reinterpret_cast<const char*>(text.value), text.nitems);
        XFree(text.value);
        return title;
    }
    return {};
}

Window SearchTree(Display* display, Window window, std::string_view title, int depth) {
    if (WindowTitle(display, window) == title) {
        return window;
    }
    // A window manager puts each client window one or two levels below its
    // frame; deeper windows are no top-level windows.
    if (depth >= 2) {
        return 0;
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        found = SearchTree(display, children[i], title, depth + 1);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

}  // namespace

std::uint64_t FindTopLevelWindowByTitle(std::string_view title) {
    DisplayPtr display = OpenDisplay();
    if (!display) {
        return 0;
    }
    ErrorScope errors;
    const Window root = DefaultRootWindow(display.get());
    Window root_return = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display.get(), root, &root_return, &parent, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        found = SearchTree(display.get(), children[i], title, 1);
    }
    if (children != nullptr) {
        XFree(children);
    }
    XSync(display.get(), False);
    return found;
}

bool X11WindowSize(std::uint64_t window, int& width, int& height) {
    if (!ValidId(window)) {
        return false;
    }
    DisplayPtr display = OpenDisplay();
    if (!display) {
        return false;
    }
    ErrorScope errors;
    XWindowAttributes attributes{};
    const Status ok = XGetWindowAttributes(display.get(), static_cast<Window>(window), &attributes);
    XSync(display.get(), False);
    if (ok == 0) {
        return false;
    }
    width = attributes.width;
    height = attributes.height;
    return true;
}

bool X11WindowExists(std::uint64_t window) {
    int width = 0;
    int height = 0;
    return X11WindowSize(window, width, height);
}

bool X11OffersDirectRendering() {
    const DisplayPtr display = OpenDisplay();
    if (!display) {
        return false;
    }
    for (const char* extension : {"DRI3", "DRI2", "NV-GLX"}) {
        int opcode = 0;
        int event = 0;
        int error = 0;
        if (XQueryExtension(display.get(), extension, &opcode, &event, &error) != 0) {
            return true;
        }
    }
    return false;
}

struct X11ChildWindow::Connection {
    DisplayPtr display;
};

std::unique_ptr<X11ChildWindow> X11ChildWindow::Create(std::uint64_t parent) {
    if (!ValidId(parent)) {
        return nullptr;
    }
    auto child = std::unique_ptr<X11ChildWindow>(new X11ChildWindow());
    child->connection_ = std::make_unique<Connection>();
    child->connection_->display = OpenDisplay();
    Display* display = child->connection_->display.get();
    if (display == nullptr) {
        return nullptr;
    }
    ErrorScope errors;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, static_cast<Window>(parent), &attributes) == 0) {
        return nullptr;
    }
    XSetWindowAttributes set{};
    set.background_pixel = BlackPixel(display, DefaultScreen(display));
    set.border_pixel = 0;
    // A child of the root is a top-level window; no window manager may frame
    // or move what is meant to cover the host's area.
    set.override_redirect = static_cast<Window>(parent) == DefaultRootWindow(display);
    const int width = attributes.width > 0 ? attributes.width : 1;
    const int height = attributes.height > 0 ? attributes.height : 1;
    const Window window =
        XCreateWindow(display, static_cast<Window>(parent), 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixel | CWBorderPixel | CWOverrideRedirect, &set);
    XStoreName(display, window, "VELMORA SCREENSAVER");
    XMapWindow(display, window);
    XSync(display, False);
    child->window_ = window;
    child->parent_ = parent;
    child->width_ = width;
    child->height_ = height;
    return child;
}

X11ChildWindow::~X11ChildWindow() {
    if (connection_ && connection_->display && window_ != 0) {
        ErrorScope errors;
        XDestroyWindow(connection_->display.get(), static_cast<Window>(window_));
        XSync(connection_->display.get(), False);
    }
}

bool X11ChildWindow::ParentAlive() const {
    Display* display = connection_->display.get();
    ErrorScope errors;
    XWindowAttributes attributes{};
    const Status ok = XGetWindowAttributes(display, static_cast<Window>(parent_), &attributes);
    XSync(display, False);
    return ok != 0;
}

bool X11ChildWindow::FollowParentSize() {
    Display* display = connection_->display.get();
    ErrorScope errors;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, static_cast<Window>(parent_), &attributes) == 0) {
        return false;
    }
    if (attributes.width == width_ && attributes.height == height_) {
        return false;
    }
    width_ = attributes.width > 0 ? attributes.width : 1;
    height_ = attributes.height > 0 ? attributes.height : 1;
    XResizeWindow(display, static_cast<Window>(window_), static_cast<unsigned>(width_),
                  static_cast<unsigned>(height_));
    XSync(display, False);
    return true;
}

}  // namespace skyweave
