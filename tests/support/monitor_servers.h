// X servers with several monitors, for the tests of the full-screen saver:
// Xvfb whose RandR monitor list is set (and changed while a program runs)
// with xrandr, as on one graphics card driving several monitors; and Xephyr
// joining several X screens with Xinerama, run inside an Xvfb of its own,
// where RandR lists only the first screen and Xinerama alone tells the truth.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "support/xvfb_display.h"

namespace skyweave::test {

// Where a monitor shows the root window: the top left corner and the size,
// in pixels.
struct MonitorBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Runs the X client `args` (xrandr, xdotool, ...) on `display` to its end,
// with no output; returns its exit code, or -1 when it ran over 20 s.
int RunXClient(const std::vector<std::string>& args, const std::string& display);

class RandrMonitorsDisplay {
  public:
    // Xvfb with a screen of width x height (24 bits) showing `monitors`:
    // the first takes the server's one output, the others have none.
    RandrMonitorsDisplay(int width, int height, const std::vector<MonitorBox>& monitors);
    RandrMonitorsDisplay(const RandrMonitorsDisplay&) = delete;
    RandrMonitorsDisplay& operator=(const RandrMonitorsDisplay&) = delete;

    // ":N", or empty when the server did not start or a monitor could not
    // be set.
    const std::string& Name() const { return ok_ ? server_.Name() : empty_; }

    // Plugs in one more monitor (no output); false when xrandr failed.
    bool AddMonitor(const MonitorBox& box);
    // Unplugs the monitor added as number `index` (0 is the first of the
    // constructor's list; never 0 itself, which holds the output).
    bool RemoveMonitor(int index);

  private:
    XvfbDisplay server_;
    bool ok_ = false;
    int added_ = 0;
    std::string empty_;
};

class XephyrXineramaDisplay {
  public:
    // Xephyr with one X screen of each width x height, side by side in that
    // order, joined by Xinerama; its windows live on a private Xvfb.
    explicit XephyrXineramaDisplay(const std::vector<std::pair<int, int>>& screens);
    ~XephyrXineramaDisplay();
    XephyrXineramaDisplay(const XephyrXineramaDisplay&) = delete;
    XephyrXineramaDisplay& operator=(const XephyrXineramaDisplay&) = delete;

    // ":N" of the Xephyr server, or empty when it did not start.
    const std::string& Name() const { return name_; }

  private:
    XvfbDisplay host_;
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace skyweave::test
