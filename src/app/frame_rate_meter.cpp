// The frame-rate meter; see frame_rate_meter.h.
#include "app/frame_rate_meter.h"

#include <algorithm>
#include <cstdio>

namespace skyweave {

bool FrameRateMeter::StartIfNeeded(std::int64_t wall_ns, std::int64_t cpu_ns) {
    if (started_ && wall_ns >= span_wall_ns_) {
        return false;
    }
    started_ = true;
    span_wall_ns_ = wall_ns;
    span_cpu_ns_ = cpu_ns;
    frames_ = 0;
    return true;
}

void FrameRateMeter::AddFrame(std::int64_t wall_ns, std::int64_t cpu_ns) {
    if (!StartIfNeeded(wall_ns, cpu_ns)) {
        ++frames_;
    }
}

bool FrameRateMeter::Update(std::int64_t wall_ns, std::int64_t cpu_ns) {
    if (StartIfNeeded(wall_ns, cpu_ns)) {
        return false;
    }
    const std::int64_t span = wall_ns - span_wall_ns_;
    if (span < kPeriodNs) {
        return false;
    }
    const double fps = static_cast<double>(frames_) * 1e9 / static_cast<double>(span);
    const double load = static_cast<double>(std::max<std::int64_t>(cpu_ns - span_cpu_ns_, 0)) /
                        static_cast<double>(span) * 100.0;
    char text[64];
    std::snprintf(text, sizeof text, "FPS: %.1f\nCPU: %.0f%%", fps, load);
    text_ = text;
    span_wall_ns_ = wall_ns;
    span_cpu_ns_ = cpu_ns;
    frames_ = 0;
    return true;
}

}  // namespace skyweave
