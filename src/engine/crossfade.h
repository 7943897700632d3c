// The crossfade between two panoramas: both engines draw the same view
// rectangle, each from its own view, and the two frames are mixed pixel by
// pixel, the incoming one's share growing from 0 to 256 over the fade. Used
// by the saver window when a folder moves on to its next panorama.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/panorama_engine.h"
#include "platform/core/draw_target.h"

namespace skyweave {

// How long a crossfade lasts.
inline constexpr std::chrono::milliseconds kCrossfadeTime{1500};
// The incoming frame's share when it alone shows.
inline constexpr int kFadeWeightFull = 256;

// The incoming frame's share `elapsed` into a fade of `duration`: 0 at the
// start, kFadeWeightFull from the end on, rounded to the nearest step in
// between (half of the time gives exactly 128). A duration of 0 or less
// gives the full share at once.
int FadeWeight(std::chrono::nanoseconds elapsed, std::chrono::nanoseconds duration);

// Whether frames of depth code `depth` can be mixed: 15, 16 and 24 bits
// (channel by channel); 8-bit palette indexes cannot.
bool CanBlendDepth(std::uint16_t depth);

// Mixes two frames of the same size and depth code: every channel becomes
// (from x (256 - weight) + to x weight + 128) / 256, rounded down, so weight
// 0 gives `from`, 256 gives `to` and 128 the average rounded half up.
//   from, to: the pixels of the two frames, same layout.
//   depth:    their depth code (15, 16 or 24; others write nothing).
//   weight:   the share of `to`, 0 .. 256 (clamped).
//   out:      where the mix goes; may be `from` or `to`. Only as many whole
//             pixels as all three spans hold are written.
void BlendFrames(std::span<const std::uint8_t> from, std::span<const std::uint8_t> to,
                 std::uint16_t depth, int weight, std::span<std::uint8_t> out);

// Draws crossfaded frames of one view rectangle. Keeps the frame it mixes
// in between calls, so that a fade allocates once: a window with several
// views keeps one for each.
class Crossfader {
  public:
    Crossfader();
    ~Crossfader();
    Crossfader(const Crossfader&) = delete;
    Crossfader& operator=(const Crossfader&) = delete;
    Crossfader(Crossfader&&) noexcept;
    Crossfader& operator=(Crossfader&&) noexcept;

    // Draws `rect` of `target` as the mix of what `from` and `to` show there
    // (each from its live view number `view`, as their Draw does) with
    // `to`'s share `weight` (0 .. 256). Frames that cannot be mixed (8-bit,
    // or of two depths) show `to` alone. Returns kDone, or kNotLoaded when
    // either engine is not loaded or lacks the view (nothing is drawn then).
    int Draw(PanoramaEngine& from, PanoramaEngine& to, int weight, DrawTarget& target,
             const PixelRect& rect, int view = 0);

    // Frees the kept frame (after the fade).
    void Release();

  private:
    class MixTarget;
    std::unique_ptr<MixTarget> mix_;
};

}  // namespace skyweave
