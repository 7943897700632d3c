// FrameRateMeter: frames per second and the process's processor load over
// spans of a second or more, as the text of the frame-rate overlay. Pure
// arithmetic on times the caller reads, so that it can be tested with any
// sequence of frames.
#pragma once

#include <cstdint>
#include <string>

namespace skyweave {

class FrameRateMeter {
  public:
    // The shortest span a figure is taken over, nanoseconds.
    static constexpr std::int64_t kPeriodNs = 1'000'000'000;

    // Counts one frame shown at `wall_ns` (a steady clock, nanoseconds) when
    // the process had used `cpu_ns` nanoseconds of processor time, all its
    // threads together. The first call of AddFrame or Update only starts a
    // span, and so does a clock that ran backwards.
    void AddFrame(std::int64_t wall_ns, std::int64_t cpu_ns);

    // Ends the span when it has lasted kPeriodNs or more at `wall_ns` and
    // takes Text() from it; true then. Called after each frame and, so that
    // the figures also fall to 0 frames when nothing is drawn, once a second.
    bool Update(std::int64_t wall_ns, std::int64_t cpu_ns);

    // Two lines, "FPS: 59.9" and "CPU: 23%": frames per second with one
    // decimal, and processor time per wall time in percent of one core
    // (above 100 when several threads were busy). Empty until the first span
    // ended.
    const std::string& Text() const { return text_; }

  private:
    // Starts a span when none runs or the clock ran backwards; true then.
    bool StartIfNeeded(std::int64_t wall_ns, std::int64_t cpu_ns);

    bool started_ = false;
    std::int64_t span_wall_ns_ = 0;
    std::int64_t span_cpu_ns_ = 0;
    std::int64_t frames_ = 0;
    std::string text_;
};

}  // namespace skyweave
