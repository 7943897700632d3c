// The view rectangles of a saver window, one per monitor: each monitor's
// view turns, is placed, sized (Size is a share of its own monitor) and
// drifts exactly as the automatic motion does for one window, bouncing off
// its own monitor's edges and never crossing into another. A window on one
// monitor has a single view over its whole client area, which follows the
// client's size as the motion of one window always has. Toolkit-free:
// CPanoramaSaverWnd owns one, gives it the monitor layout, and calls
// RandomDraw from its random timer and Advance from every frame request.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "app/auto_motion.h"
#include "settings/saver_settings.h"

namespace skyweave {

// One view: its monitor and its motion. A crossfade or any other drawing of
// the view goes through ViewRect() and the motion's angles.
struct MonitorView {
    // The monitor in root-window pixels (the identity of the monitor while
    // monitors come and go); empty for the view of the whole client area.
    MotionRect screen;
    // The monitor in client pixels of the window.
    MotionRect monitor;
    // Angles, speeds and the view rectangle, the rectangle in pixels from
    // the monitor's top left corner.
    AutoMotion motion;

    // The view rectangle in client pixels.
    MotionRect ViewRect() const;
};

class MonitorViews {
  public:
    // settings: what every view's motion starts from (speeds, zoom, random
    // switches, Size, Moving). Starts with one view of the whole client area.
    explicit MonitorViews(const SaverSettings& settings);

    // Seeds the generators when any random switch is on: the first view's
    // with `seconds` (as one window does), every other view's with a value
    // mixed from it and the view's number, so that no two views turn or
    // drift alike. Views made later are seeded the same way.
    //   seconds: the current time in seconds since the epoch.
    void Seed(std::uint32_t seconds);
    // Whether any random switch is on (the window then runs the timer).
    bool AnyRandom() const;
    // Whether no view turns or drifts.
    bool AllStill() const;
    // Re-draws the random speeds of every view.
    void RandomDraw();
    // Turns every view to the same angles (a panorama's initial view), in
    // the motion's ranges; speeds and rectangles stay.
    void SetAngles(double heading, double pitch, double roll);
    // The pitch range view `index` may move in (AutoMotion::SetPitchRange);
    // an index past the views is ignored.
    void SetPitchRange(std::size_t index, double low, double high);

    // One view per monitor of `screens` (root-window pixels, as the monitor
    // list gives them) in a window whose client area starts at `origin`
    // (root-window pixels); an empty list makes a fresh view of the whole
    // client area. A monitor that was there before keeps its view and its
    // motion; a new one gets a fresh view, placed on its first frame, whose
    // speeds are drawn at once when `draw_speeds` is set (the random timer
    // runs).
    void SetMonitors(std::span<const MotionRect> screens, std::int32_t origin_x,
                     std::int32_t origin_y, bool draw_speeds);

    // Advances every view by one frame: its angles, then its rectangle
    // (placed on its first frame, then drifting). `client` is the window's
    // client rectangle, the monitor of the whole-window view. Returns the
    // strips, in client pixels, that the views no longer cover and that the
    // caller paints black.
    std::vector<MotionRect> Advance(const MotionRect& client);

    std::size_t size() const { return views_.size(); }
    const MonitorView& operator[](std::size_t i) const { return views_[i]; }
    const std::vector<MonitorView>& views() const { return views_; }

  private:
    MonitorView NewView(const MotionRect& screen, std::size_t index, bool draw_speeds);

    SaverSettings settings_;
    std::vector<MonitorView> views_;
    bool seeded_ = false;
    std::uint32_t seed_ = 0;
};

// The generator seed of view `index`: `seconds` itself for view 0, else a
// value mixed from both.
std::uint32_t ViewSeed(std::uint32_t seconds, std::size_t index);

}  // namespace skyweave
