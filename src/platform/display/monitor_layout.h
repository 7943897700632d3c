// The monitors of the X display: which parts of the root window each monitor
// shows, read from Xinerama (the layout full-screen windows are told about,
// and the only one a server of several X screens joined by Xinerama gives)
// or else from the RandR monitor list, and watched for monitors that come
// and go while the saver runs. The full-screen saver covers their union and
// draws one view per monitor; the arithmetic on the list needs no display.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/core/draw_target.h"

namespace skyweave {

// The monitors as the saver uses them, in root-window pixels: empty ones
// dropped, and one that lies wholly inside another dropped too (a mirrored
// output shows the same pixels, and two views there would draw over each
// other); the rest sorted by left edge, then top edge, so that the view of
// a monitor keeps its number while the others stay where they are.
std::vector<PixelRect> NormaliseMonitors(std::span<const PixelRect> monitors);

// The smallest rectangle that holds every monitor; all zero for none.
PixelRect MonitorBounds(std::span<const PixelRect> monitors);

// A connection of its own to the X display that reads the monitor layout.
// Used on the event-loop thread only.
class MonitorWatch {
  public:
    // Connects to the display named by DISPLAY and reads the layout once.
    // Null when no display opens.
    static std::unique_ptr<MonitorWatch> Open();
    ~MonitorWatch();
    MonitorWatch(const MonitorWatch&) = delete;
    MonitorWatch& operator=(const MonitorWatch&) = delete;

    // The layout of the last read, normalised; never empty (a display that
    // names no monitor counts as one monitor the size of its root window).
    const std::vector<PixelRect>& Monitors() const { return monitors_; }

    // Reads the layout again (one round trip to the server). Returns the
    // new layout when it differs from the last one, which it then replaces;
    // nothing when it is the same.
    std::optional<std::vector<PixelRect>> PollChange();

  private:
    MonitorWatch() = default;
    std::vector<PixelRect> Read() const;

    struct Connection;
    std::unique_ptr<Connection> connection_;
    std::vector<PixelRect> monitors_;
};

}  // namespace skyweave
