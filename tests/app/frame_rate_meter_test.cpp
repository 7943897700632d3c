// The frame-rate overlay's figures: frames per second and processor load
// over spans of at least a second, from frame and tick times given here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frame_rate_meter.h"

namespace skyweave {
namespace {

constexpr std::int64_t kMs = 1'000'000;

// A frame (counted, then the figures updated, as the overlay does), or a
// once-a-second tick (the figures updated only).
struct Event {
    std::int64_t wall_ms;
    std::int64_t cpu_ms;
    bool frame = true;
};

// n + 1 frames evenly spread over `span_ms` from `start_ms`, the process
// busy `busy` of the time.
std::vector<Event> Frames(int n, std::int64_t span_ms, double busy, std::int64_t start_ms = 0) {
    std::vector<Event> events;
    for (int i = 0; i <= n; ++i) {
        const std::int64_t t = start_ms + span_ms * i / n;
        events.push_back({t, static_cast<std::int64_t>(static_cast<double>(t) * busy)});
    }
    return events;
}

std::vector<Event> Joined(std::vector<Event> a, const std::vector<Event>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(FrameRateMeterTest, FiguresOverSpansOfASecond) {
    struct Case {
        const char* what;
        std::vector<Event> events;
        std::string text;  // after the last event
        int updates;       // events whose update gave new figures
    };
    const Case cases[] = {
        {"nothing yet", {}, "", 0},
        {"one frame only starts the span", {{5000, 10}}, "", 0},
        {"under a second", Frames(59, 990, 0.5), "", 0},
        {"sixty frames in a second", Frames(60, 1000, 0.25), "FPS: 60.0\nCPU: 25%", 1},
        {"two threads busy", Frames(30, 1000, 1.5), "FPS: 30.0\nCPU: 150%", 1},
        {"a slow frame", {{0, 0}, {2500, 100}}, "FPS: 0.4\nCPU: 4%", 1},
        {"one decimal", Frames(143, 1000, 0.004), "FPS: 143.0\nCPU: 0%", 1},
        {"three seconds at 72", Frames(216, 3000, 0.2), "FPS: 72.0\nCPU: 20%", 3},
        {"processor time never counts backwards", {{0, 500}, {1000, 400}}, "FPS: 1.0\nCPU: 0%", 1},
        // Frames stop: the next ticks bring the rate down to 0 and show the
        // idle load.
        {"frames stop, ticks go on",
         Joined(Frames(60, 1000, 0.5), {{2000, 520, false}, {3000, 530, false}}),
         "FPS: 0.0\nCPU: 1%", 3},
        {"a tick before a second does nothing", {{0, 0}, {400, 100, false}}, "", 0},
        {"ticks alone start and end spans",
         {{0, 0, false}, {1000, 30, false}, {2000, 80, false}},
         "FPS: 0.0\nCPU: 5%",
         2},
        // A clock that jumps back starts a new span: frames before the jump
        // do not count after it.
        {"clock jumps back", Joined(Frames(10, 1000, 0.1, 5000), Frames(20, 1000, 0.1, 100)),
         "FPS: 20.0\nCPU: 10%", 2},
    };
    for (const Case& c : cases) {
        FrameRateMeter meter;
        int updates = 0;
        for (const Event& e : c.events) {
            if (e.frame) {
                meter.AddFrame(e.wall_ms * kMs, e.cpu_ms * kMs);
            }
            updates += meter.Update(e.wall_ms * kMs, e.cpu_ms * kMs) ? 1 : 0;
        }
        EXPECT_EQ(meter.Text(), c.text) << c.what;
        EXPECT_EQ(updates, c.updates) << c.what;
    }
}

}  // namespace
}  // namespace skyweave
