// The monitor layout of the X display; see monitor_layout.h.
#include "platform/display/monitor_layout.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <tuple>
#include <utility>

namespace skyweave {
namespace {

bool Contains(const PixelRect& outer, const PixelRect& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// A monitor from an origin and a size as X reports them (sizes are at most
// 16 bits there, so the sum cannot overflow).
PixelRect FromOriginAndSize(int x, int y, int width, int height) {
    return PixelRect{x, y, x + width, y + height};
}

std::vector<PixelRect> XineramaMonitors(Display* display) {
    std::vector<PixelRect> monitors;
    int event_base = 0;
    int error_base = 0;
    if (XineramaQueryExtension(display, &event_base, &error_base) == 0 ||
        XineramaIsActive(display) == 0) {
        return monitors;
    }
    int count = 0;
    XineramaScreenInfo* screens = XineramaQueryScreens(display, &count);
    for (int i = 0; screens != nullptr && i < count; ++i) {
        monitors.push_back(FromOriginAndSize(screens[i].x_org, screens[i].y_org, screens[i].width,
                                             screens[i].height));
    }
    if (screens != nullptr) {
        XFree(screens);
    }
    return monitors;
}

std::vector<PixelRect> RandrMonitors(Display* display) {
    std::vector<PixelRect> monitors;
    int event_base = 0;
    int error_base = 0;
    int major = 0;
    int minor = 0;
    if (XRRQueryExtension(display, &event_base, &error_base) == 0 ||
        XRRQueryVersion(display, &major, &minor) == 0 ||
        std::pair(major, minor) < std::pair(1, 5)) {
        return monitors;
    }
    int count = 0;
    XRRMonitorInfo* list = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    for (int i = 0; list != nullptr && i < count; ++i) {
        monitors.push_back(FromOriginAndSize(list[i].x, list[i].y, list[i].width, list[i].height));
    }
    if (list != nullptr) {
        XRRFreeMonitors(list);
    }
    return monitors;
}

// The root window's size now (the one in the connection's set-up data is
// not updated when the screen is resized).
PixelRect RootRect(Display* display) {
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    if (XGetGeometry(display, DefaultRootWindow(display), &root, &x, &y, &width, &height, &border,
                     &depth) == 0) {
        return {};
    }
    return FromOriginAndSize(0, 0, static_cast<int>(width), static_cast<int>(height));
}

}  // namespace

std::vector<PixelRect> NormaliseMonitors(std::span<const PixelRect> monitors) {
    std::vector<PixelRect> kept;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const PixelRect& m = monitors[i];
        if (m.Empty()) {
            continue;
        }
        bool inside_another = false;
        for (std::size_t j = 0; j < monitors.size() && !inside_another; ++j) {
            // Of two equal monitors the first is kept.
            inside_another = j != i && !monitors[j].Empty() && Contains(monitors[j], m) &&
                             (monitors[j] != m || j < i);
        }
        if (!inside_another) {
            kept.push_back(m);
        }
    }
    std::sort(kept.begin(), kept.end(), [](const PixelRect& a, const PixelRect& b) {
        return std::tie(a.left, a.top, a.right, a.bottom) <
               std::tie(b.left, b.top, b.right, b.bottom);
    });
    return kept;
}

PixelRect MonitorBounds(std::span<const PixelRect> monitors) {
    if (monitors.empty()) {
        return {};
    }
    PixelRect bounds = monitors.front();
    for (const PixelRect& m : monitors) {
        bounds.left = std::min(bounds.left, m.left);
        bounds.top = std::min(bounds.top, m.top);
        bounds.right = std::max(bounds.right, m.right);
        bounds.bottom = std::max(bounds.bottom, m.bottom);
    }
    return bounds;
}

struct MonitorWatch::Connection {
    Display* display = nullptr;
    ~Connection() {
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }
};

std::unique_ptr<MonitorWatch> MonitorWatch::Open() {
    std::unique_ptr<MonitorWatch> watch(new MonitorWatch());
    watch->connection_ = std::make_unique<Connection>();
    watch->connection_->display = XOpenDisplay(nullptr);
    if (watch->connection_->display == nullptr) {
        return nullptr;
    }
    watch->monitors_ = watch->Read();
    return watch;
}

MonitorWatch::~MonitorWatch() = default;

std::vector<PixelRect> MonitorWatch::Read() const {
    Display* display = connection_->display;
    std::vector<PixelRect> monitors = NormaliseMonitors(XineramaMonitors(display));
    if (monitors.empty()) {
        monitors = NormaliseMonitors(RandrMonitors(display));
    }
    if (monitors.empty()) {
        const PixelRect root = RootRect(display);
        if (!root.Empty()) {
            monitors.push_back(root);
        }
    }
    return monitors;
}

std::optional<std::vector<PixelRect>> MonitorWatch::PollChange() {
    std::vector<PixelRect> now = Read();
    if (now.empty() || now == monitors_) {
        return std::nullopt;
    }
    monitors_ = now;
    return now;
}

}  // namespace skyweave
