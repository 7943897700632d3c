// The view rectangles of a saver window, one per monitor; see
// monitor_views.h.
#include "app/monitor_views.h"

#include <algorithm>

namespace skyweave {
namespace {

// The state of a generator that was never seeded.
constexpr std::uint32_t kUnseeded = 1;

MotionRect Offset(const MotionRect& r, std::int32_t dx, std::int32_t dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

MotionRect Local(const MotionRect& monitor) {
    return {0, 0, monitor.Width(), monitor.Height()};
}

}  // namespace

std::uint32_t ViewSeed(std::uint32_t seconds, std::size_t index) {
    if (index == 0) {
        return seconds;
    }
    // A 32-bit finaliser: neighbouring numbers give unrelated seeds, where
    // seeds a few apart would start the generator on nearly equal values.
    std::uint32_t x = seconds + static_cast<std::uint32_t>(index) * 0x9E3779B9u;
    x ^= x >> 16;
    x *= 0x85EBCA6Bu;
    x ^= x >> 13;
    x *= 0xC2B2AE35u;
    x ^= x >> 16;
    return x;
}

MotionRect MonitorView::ViewRect() const {
    return Offset(motion.view_rect(), monitor.left, monitor.top);
}

MonitorViews::MonitorViews(const SaverSettings& settings) : settings_(settings) {
    views_.push_back(NewView({}, 0, false));
}

MonitorView MonitorViews::NewView(const MotionRect& screen, std::size_t index, bool draw_speeds) {
    MonitorView view{screen, {}, AutoMotion(settings_)};
    // The first view of an unseeded window keeps the generator's own start,
    // so that it places its rectangle as one window does.
    if (seeded_ || index > 0) {
        view.motion.SeedFromTime(ViewSeed(seeded_ ? seed_ : kUnseeded, index));
    }
    if (draw_speeds) {
        view.motion.RandomDraw();
    }
    return view;
}

void MonitorViews::Seed(std::uint32_t seconds) {
    seeded_ = true;
    seed_ = seconds;
    for (std::size_t i = 0; i < views_.size(); ++i) {
        views_[i].motion.SeedFromTime(ViewSeed(seconds, i));
    }
}

bool MonitorViews::AnyRandom() const {
    return views_.front().motion.AnyRandom();
}

bool MonitorViews::AllStill() const {
    return std::all_of(views_.begin(), views_.end(),
                       [](const MonitorView& view) { return view.motion.Still(); });
}

void MonitorViews::RandomDraw() {
    for (MonitorView& view : views_) {
        view.motion.RandomDraw();
    }
}

void MonitorViews::SetAngles(double heading, double pitch, double roll) {
    for (MonitorView& view : views_) {
        view.motion.SetAngles(heading, pitch, roll);
    }
}

void MonitorViews::SetPitchRange(std::size_t index, double low, double high) {
    if (index < views_.size()) {
        views_[index].motion.SetPitchRange(low, high);
    }
}

void MonitorViews::SetMonitors(std::span<const MotionRect> screens, std::int32_t origin_x,
                               std::int32_t origin_y, bool draw_speeds) {
    std::vector<MonitorView> views;
    if (screens.empty()) {
        // The window was made anew, perhaps in another size: placed afresh.
        views.push_back(NewView({}, 0, draw_speeds));
        views_ = std::move(views);
        return;
    }
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const MotionRect& screen = screens[i];
        auto old = std::find_if(views_.begin(), views_.end(), [&](const MonitorView& v) {
            return !v.screen.Empty() && v.screen == screen;
        });
        MonitorView view = old != views_.end() ? std::move(*old) : NewView(screen, i, draw_speeds);
        view.monitor = Offset(screen, -origin_x, -origin_y);
        views.push_back(std::move(view));
    }
    views_ = std::move(views);
}

std::vector<MotionRect> MonitorViews::Advance(const MotionRect& client) {
    std::vector<MotionRect> strips;
    for (MonitorView& view : views_) {
        if (view.screen.Empty()) {
            view.monitor = client;
        }
        view.motion.Advance();
        for (const MotionRect& strip : view.motion.PlaceOrDrift(Local(view.monitor))) {
            strips.push_back(Offset(strip, view.monitor.left, view.monitor.top));
        }
    }
    return strips;
}

}  // namespace skyweave
