// The automatic motion of one saver window: the view angles that turn by
// themselves every frame, the random re-draw of their speeds, and the view
// rectangle that is placed once and then drifts one pixel per frame,
// bouncing off the client edges. Toolkit-free: CPanoramaSaverWnd owns one
// AutoMotion, builds it from the settings at creation, calls RandomDraw from its
// 5000 ms timer and Advance / PlaceOrDrift from every frame request.
#pragma once

#include <cstdint>
#include <vector>

#include "app/saver_random.h"
#include "settings/saver_settings.h"

namespace skyweave {

// A rectangle in client pixels; right and bottom are exclusive.
struct MotionRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const MotionRect&, const MotionRect&) = default;
};

class AutoMotion {
  public:
    // Id and period of the window timer that re-draws the random speeds.
    static constexpr unsigned kRandomTimerId = 1;
    static constexpr unsigned kRandomTimerPeriodMs = 5000;
    // Speeds beyond this many tenths of a degree per frame are cut back.
    static constexpr std::int32_t kMaxSpeed = 300;

    // Starts at heading = pitch = roll = 0 with the current speeds equal to
    // the configured ones (Heading, Pitch, Roll), the zoom, the random
    // switches, Size and Moving of `settings`. Size exactly 100 turns Moving
    // off. The generator stays unseeded; the window seeds it (SeedFromTime)
    // when AnyRandom().
    explicit AutoMotion(const SaverSettings& settings);

    bool AnyRandom() const { return heading_random_ || pitch_random_ || roll_random_; }
    // seconds: the current time in seconds since the epoch.
    void SeedFromTime(std::uint32_t seconds) { random_.Seed(seconds); }

    // Re-draws the current speed of every random axis uniformly over
    // -|configured|..|configured| (|configured| + 1 in the rarest draw).
    void RandomDraw();

    // Advances heading, then pitch, then roll by one frame of their speeds:
    // the heading wraps into 0..360, roll bounces at -90 and 90, pitch at
    // the ends of its range (-90 and 90 unless SetPitchRange narrowed it).
    void Advance();

    // Narrows the pitch's bounce to what the picture lets the view reach
    // (a strip's limits), so that the motion turns back at the picture's
    // edge instead of resting there; the range never exceeds -90..90 and an
    // empty one becomes its middle.
    void SetPitchRange(double low, double high);

    // Places the view rectangle in `client` on the first call (while it has
    // zero width), then drifts it one pixel per axis while Moving is on.
    // Returns the rectangles of the strip the frame no longer covers (the
    // previous rectangle minus the new one), which the caller paints black.
    std::vector<MotionRect> PlaceOrDrift(const MotionRect& client);

    // True when the next Advance and PlaceOrDrift change nothing: every
    // current speed is 0, the rectangle is placed and does not drift. A
    // random draw may change that.
    bool Still() const {
        return heading_speed_ == 0 && pitch_speed_ == 0 && roll_speed_ == 0 && !moving_ &&
               !view_.Empty();
    }

    double heading() const { return heading_; }
    double pitch() const { return pitch_; }
    double roll() const { return roll_; }
    double zoom() const { return zoom_; }
    std::int32_t heading_speed() const { return heading_speed_; }
    std::int32_t pitch_speed() const { return pitch_speed_; }
    std::int32_t roll_speed() const { return roll_speed_; }
    std::int32_t size() const { return size_; }
    bool moving() const { return moving_; }
    const MotionRect& view_rect() const { return view_; }
    const MotionRect& previous_view_rect() const { return previous_; }
    std::int32_t dx() const { return dx_; }
    std::int32_t dy() const { return dy_; }

    // For tests and the frame log: set angles and current speeds directly.
    void SetAngles(double heading, double pitch, double roll) {
        heading_ = heading;
        pitch_ = pitch;
        roll_ = roll;
    }
    void SetSpeeds(std::int32_t heading, std::int32_t pitch, std::int32_t roll) {
        heading_speed_ = heading;
        pitch_speed_ = pitch;
        roll_speed_ = roll;
    }

  private:
    std::int32_t DrawSpeed(std::int32_t configured);
    std::int32_t DrawStep();
    static void Bounce(double& angle, std::int32_t& speed, double low, double high);

    double heading_ = 0.0;
    double pitch_ = 0.0;
    double roll_ = 0.0;
    double zoom_;
    double pitch_low_ = -90.0;
    double pitch_high_ = 90.0;
    std::int32_t configured_heading_;
    std::int32_t configured_pitch_;
    std::int32_t configured_roll_;
    std::int32_t heading_speed_;
    std::int32_t pitch_speed_;
    std::int32_t roll_speed_;
    bool heading_random_;
    bool pitch_random_;
    bool roll_random_;
    std::int32_t size_;
    bool moving_;
    MotionRect view_;
    MotionRect previous_;
    std::int32_t dx_ = 0;
    std::int32_t dy_ = 0;
    SaverRandom random_;
};

// The parts of `a` not covered by `b`: at most four rectangles.
std::vector<MotionRect> SubtractRect(const MotionRect& a, const MotionRect& b);

}  // namespace skyweave
