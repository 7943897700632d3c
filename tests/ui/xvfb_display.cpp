// One private X server for the whole GUI test process (see xvfb_display.h).
#include "xvfb_display.h"

#include <cstdlib>
#include <string>

#include "support/xvfb_display.h"

namespace skyweave::testing {

std::string EnsureXvfbDisplay() {
    static const test::XvfbDisplay server(1024, 768, 24);
    if (!server.Name().empty()) {
        setenv("DISPLAY", server.Name().c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
    }
    return server.Name();
}

}  // namespace skyweave::testing
