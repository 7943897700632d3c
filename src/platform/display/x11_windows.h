// Plain Xlib services the saver needs around its SDL window: finding a
// top-level window by its title (the "Display Properties" owner search),
// checking that a window id names a live window, whether the server offers
// direct rendering, and a child window of our own inside a foreign window
// (the preview and the daemon's windows). Each
// call opens its own short connection unless it owns a long-lived one.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace skyweave {

// The X11 window id of the first top-level window (a child of the root, or
// the client window a window manager framed) whose _NET_WM_NAME or WM_NAME is
// exactly `title`; 0 when there is none or no display can be opened.
std::uint64_t FindTopLevelWindowByTitle(std::string_view title);

// True when `window` (an X11 window id) names an existing window on the
// display; false for 0, for ids beyond 32 bits and when no display opens.
bool X11WindowExists(std::uint64_t window);

// Size in pixels of `window`; false when it does not exist.
bool X11WindowSize(std::uint64_t window, int& width, int& height);

// True when the X server offers direct rendering to OpenGL drivers (the
// DRI3, DRI2 or NV-GLX extension). Without it every OpenGL renderer draws in
// software or through the server (a virtual or remote X server); false also
// when no display opens.
bool X11OffersDirectRendering();

// A child window of ours that fills a foreign parent. It lives on its own
// connection, which must stay open while the window is used (an X server
// destroys a client's windows when its connection closes).
class X11ChildWindow {
  public:
    // Creates, maps and flushes a child filling `parent`; null when the
    // parent does not exist or no display opens.
    static std::unique_ptr<X11ChildWindow> Create(std::uint64_t parent);
    ~X11ChildWindow();
    X11ChildWindow(const X11ChildWindow&) = delete;
    X11ChildWindow& operator=(const X11ChildWindow&) = delete;

    std::uint64_t id() const { return window_; }
    std::uint64_t parent() const { return parent_; }
    // True while the parent still exists (the host has not destroyed it).
    bool ParentAlive() const;
    // Resizes the child to the parent's current size; true when it changed.
    bool FollowParentSize();

  private:
    X11ChildWindow() = default;
    struct Connection;
    std::unique_ptr<Connection> connection_;
    std::uint64_t window_ = 0;
    std::uint64_t parent_ = 0;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace skyweave
