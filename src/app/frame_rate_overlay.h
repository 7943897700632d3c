// FrameRateOverlay: the saver window's frame-rate overlay (option --fps,
// setting ShowFrameRate): frames per second and the process's processor load
// over the last second, white on a black band in the bottom-left corner of
// the window (of its first monitor, on a window over several). The band only ever grows, so a
// shorter figure never leaves pieces of a longer one behind; where it lies over the view it hides
// the view, and nowhere else does the overlay change a pixel. Owned by the saver window, used on
// its thread.
#pragma once

#include <array>

#include "app/frame_rate_meter.h"
#include "platform/core/draw_target.h"
#include "platform/display/text_renderer.h"

namespace skyweave {

class WindowCanvas;

class FrameRateOverlay {
  public:
    // The window timer that refreshes the figures while no frame is drawn,
    // and its period in milliseconds.
    static constexpr unsigned kTimerId = 3;
    static constexpr unsigned kTimerPeriodMs = 1000;

    // Counts a frame drawn now (reads the steady clock and the process's
    // processor time).
    void CountFrame();
    // The timer's work: true when the figures changed and the band should
    // be painted again.
    bool Tick();

    // Paints the band in the bottom-left corner of `area` (window pixels;
    // the whole client area when empty) on `canvas`, within its clip;
    // nothing before the first second has been measured.
    void Draw(WindowCanvas& canvas, const PixelRect& area = {});

    // Where the band lies in the bottom-left corner of `area`; empty before
    // the first figure was drawn.
    PixelRect Band(const PixelRect& area) const;

  private:
    FrameRateMeter meter_;
    // One for each line of the text (each keeps its last picture).
    std::array<TextRenderer, 2> lines_;
    // The band's size in pixels, the largest the text has needed so far.
    int width_ = 0;
    int height_ = 0;
};

}  // namespace skyweave
