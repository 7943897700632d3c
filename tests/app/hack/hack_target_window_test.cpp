// The --root look-up on a private X server: $XSCREENSAVER_WINDOW first, then
// a virtual root, then the real root.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "app/hack/hack_target_window.h"
#include "support/xvfb_display.h"

namespace skyweave {
namespace {

TEST(HackTargetWindow, EnvironmentWindowWinsWithoutAskingTheServer) {
    // No server is named or running: a usable variable must not need one.
    RootTargetResult r = FindRootTarget("0x400008", ":unused-display");
    EXPECT_EQ(r.window, 0x400008u);
    EXPECT_EQ(r.message, "");
    r = FindRootTarget("12345", ":unused-display");
    EXPECT_EQ(r.window, 12345u);
}

TEST(HackTargetWindow, NoServerIsAClearFailure) {
    const RootTargetResult r = FindRootTarget(nullptr, ":9999");
    EXPECT_FALSE(r.window.has_value());
    EXPECT_EQ(r.message, "cannot open the X display \":9999\"");
}

TEST(HackTargetWindow, RootThenVirtualRootOnARealServer) {
    test::XvfbDisplay xvfb;
    ASSERT_FALSE(xvfb.Name().empty()) << "Xvfb did not start";
    Display* display = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(display, nullptr);
    const Window root = DefaultRootWindow(display);

    RootTargetResult r = FindRootTarget(nullptr, xvfb.Name().c_str());
    EXPECT_EQ(r.window, root);
    EXPECT_EQ(r.message, "");

    // An unusable variable falls back, and says so.
    r = FindRootTarget("0xnonsense", xvfb.Name().c_str());
    EXPECT_EQ(r.window, root);
    EXPECT_EQ(r.message,
              "XSCREENSAVER_WINDOW=\"0xnonsense\" is not a window id; drawing on the root window "
              "instead");
    r = FindRootTarget("", xvfb.Name().c_str());
    EXPECT_EQ(r.window, root);
    EXPECT_EQ(r.message, "");

    // A desktop's virtual root: a top-level window naming itself in
    // __SWM_VROOT. A plain sibling before it must not confuse the search.
    const Window plain = XCreateSimpleWindow(display, root, 0, 0, 50, 50, 0, 0, 0);
    const Window vroot = XCreateSimpleWindow(display, root, 0, 0, 640, 480, 0, 0, 0);
    const Atom atom = XInternAtom(display, "__SWM_VROOT", False);
    const unsigned long value = vroot;
    XChangeProperty(display, vroot, atom, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
    // A property of the wrong type on the plain window is ignored.
    const unsigned long junk = 7;
    XChangeProperty(display, plain, atom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&junk), 1);
    XSync(display, False);

    r = FindRootTarget(nullptr, xvfb.Name().c_str());
    EXPECT_EQ(r.window, vroot);
    EXPECT_NE(vroot, root);
    // The variable still wins over the virtual root.
    r = FindRootTarget("0x1234", xvfb.Name().c_str());
    EXPECT_EQ(r.window, 0x1234u);
    XCloseDisplay(display);
}

}  // namespace
}  // namespace skyweave
