// The automatic motion of one saver window; see auto_motion.h.
#include "app/auto_motion.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace skyweave {
namespace {

// Settings are read from a file the user may have edited: keep every
// intermediate in 64 bits and saturate the result, so that extreme stored
// values (INT32_MIN included) behave like large ones instead of overflowing.
std::int32_t Saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

AutoMotion::AutoMotion(const SaverSettings& settings)
    : zoom_(static_cast<double>(settings.zoom)),
      configured_heading_(settings.heading),
      configured_pitch_(settings.pitch),
      configured_roll_(settings.roll),
      heading_speed_(settings.heading),
      pitch_speed_(settings.pitch),
      roll_speed_(settings.roll),
      heading_random_(settings.headingRandom),
      pitch_random_(settings.pitchRandom),
      roll_random_(settings.rollRandom),
      size_(settings.size),
      // Only exactly 100 stops the drift; a larger stored size is clamped to
      // 100 later and keeps drifting between (0, 0) and (1, 1).
      moving_(settings.moving && settings.size != 100) {}

std::int32_t AutoMotion::DrawSpeed(std::int32_t configured) {
    const std::int64_t a = std::llabs(static_cast<std::int64_t>(configured));
    const std::int64_t r = random_.Next();
    return Saturate(r * (2 * a + 1) / SaverRandom::kMax - a);
}

void AutoMotion::RandomDraw() {
    if (heading_random_) {
        heading_speed_ = DrawSpeed(configured_heading_);
    }
    if (pitch_random_) {
        pitch_speed_ = DrawSpeed(configured_pitch_);
    }
    if (roll_random_) {
        roll_speed_ = DrawSpeed(configured_roll_);
    }
}

void AutoMotion::Bounce(double& angle, std::int32_t& speed, double low, double high) {
    // Too fast either way runs at +300: the sign of an out-of-range speed is
    // dropped, not kept.
    if (std::llabs(static_cast<std::int64_t>(speed)) > kMaxSpeed) {
        speed = kMaxSpeed;
    }
    const double next = angle + 0.1 * static_cast<double>(speed);
    if (next >= low && next <= high) {
        angle = next;
        return;
    }
    // One step from the previous angle in the new direction.
    const std::int32_t old_speed = speed;
    speed = -speed;
    angle = next - 0.2 * static_cast<double>(old_speed);
    // A narrowed range may be shorter than a step, or the angle may have
    // started outside it: the angle is kept inside. The full range keeps
    // the plain bounce above.
    if (low > -90.0 || high < 90.0) {
        angle = std::clamp(angle, low, high);
    }
}

void AutoMotion::SetPitchRange(double low, double high) {
    low = std::max(low, -90.0);
    high = std::min(high, 90.0);
    if (!(low <= high)) {
        low = high = std::isfinite(low + high) ? (low + high) / 2 : 0.0;
    }
    pitch_low_ = low;
    pitch_high_ = high;
}

void AutoMotion::Advance() {
    heading_speed_ = std::clamp(heading_speed_, -kMaxSpeed, kMaxSpeed);
    heading_ += 0.1 * static_cast<double>(heading_speed_);
    if (heading_ < 0.0) {
        heading_ += 360.0;
    } else if (heading_ > 360.0) {
        heading_ -= 360.0;
    }
    Bounce(pitch_, pitch_speed_, pitch_low_, pitch_high_);
    Bounce(roll_, roll_speed_, -90.0, 90.0);
}

std::int32_t AutoMotion::DrawStep() {
    std::int32_t step = 0;
    while (step == 0) {
        step = 2 * random_.Next() / SaverRandom::kMax - 1;
    }
    return step;
}

std::vector<MotionRect> AutoMotion::PlaceOrDrift(const MotionRect& client) {
    if (view_.right == view_.left) {
        size_ = std::clamp(size_, 20, 100);
        const std::int64_t cw = static_cast<std::int64_t>(client.right) - client.left;
        const std::int64_t ch = static_cast<std::int64_t>(client.bottom) - client.top;
        const std::int64_t w = size_ * cw / 100;
        const std::int64_t h = size_ * ch / 100;
        std::int64_t x = 0;
        std::int64_t y = 0;
        if (moving_) {
            dx_ = DrawStep();
            dy_ = DrawStep();
            x = random_.Next() * (cw - w) / SaverRandom::kMax;
            y = random_.Next() * (ch - h) / SaverRandom::kMax;
        } else {
            x = (cw - w) / 2;
            y = (ch - h) / 2;
        }
        // Placed in client coordinates from (0, 0), as the client rectangle
        // of a window always starts there.
        view_ = {Saturate(x), Saturate(y), Saturate(x + w), Saturate(y + h)};
        previous_ = view_;
    }
    if (!moving_) {
        return {};
    }
    if (view_.left + static_cast<std::int64_t>(dx_) < client.left ||
        view_.right + static_cast<std::int64_t>(dx_) > client.right) {
        dx_ = -dx_;
    }
    if (view_.top + static_cast<std::int64_t>(dy_) < client.top ||
        view_.bottom + static_cast<std::int64_t>(dy_) > client.bottom) {
        dy_ = -dy_;
    }
    previous_ = view_;
    view_.left += dx_;
    view_.right += dx_;
    view_.top += dy_;
    view_.bottom += dy_;
    return SubtractRect(previous_, view_);
}

std::vector<MotionRect> SubtractRect(const MotionRect& a, const MotionRect& b) {
    if (a.Empty()) {
        return {};
    }
    const MotionRect overlap{std::max(a.left, b.left), std::max(a.top, b.top),
                             std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (overlap.Empty()) {
        return {a};
    }
    std::vector<MotionRect> parts;
    if (a.top < overlap.top) {
        parts.push_back({a.left, a.top, a.right, overlap.top});
    }
    if (overlap.bottom < a.bottom) {
        parts.push_back({a.left, overlap.bottom, a.right, a.bottom});
    }
    if (a.left < overlap.left) {
        parts.push_back({a.left, overlap.top, overlap.left, overlap.bottom});
    }
    if (overlap.right < a.right) {
        parts.push_back({overlap.right, overlap.top, a.right, overlap.bottom});
    }
    return parts;
}

}  // namespace skyweave
