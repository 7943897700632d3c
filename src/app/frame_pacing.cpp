// The frame rate rule; see frame_pacing.h.
#include "app/frame_pacing.h"

#include <algorithm>
#include <cmath>

namespace skyweave {
namespace {

constexpr double kAboutSixty = 60.0;

}  // namespace

double PacedFrameRate(int refresh_hz, int max_frame_rate) {
    if (refresh_hz > 0) {
        const double divisor = std::max(1.0, std::round(refresh_hz / kAboutSixty));
        return refresh_hz / divisor;
    }
    return max_frame_rate > 0 ? static_cast<double>(max_frame_rate) : 0.0;
}

}  // namespace skyweave
