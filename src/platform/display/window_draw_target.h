// The engine's drawing target on a native window: frames are copied one to
// one into the window's canvas, converted once from the frame's own format
// (24-bit BGR, 5-6-5, 5-5-5 or 8-bit palettised) to the X visual's format,
// and shown with the rest of the event loop's turn (at once through the
// window surface). Made by the saver window for each Draw call on the
// event-loop thread; the window must outlive it.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/core/draw_target.h"

struct SDL_Surface;

namespace skyweave {

class NativeWindow;
class WindowCanvas;

class WindowDrawTarget : public DrawTarget {
  public:
    // window: where frames go. present_ns: when not null, the wall time of
    // every copy (conversion and push to the screen) is added to it, in
    // nanoseconds. decorate: when set, draws over each copied frame on the
    // same canvas before it is shown (an overlay that must never flicker).
    explicit WindowDrawTarget(NativeWindow& window, std::uint64_t* present_ns = nullptr,
                              std::function<void(WindowCanvas&)> decorate = {})
        : window_(window), present_ns_(present_ns), decorate_(std::move(decorate)) {}

    PixelRect ClientRect() const override;
    void CopyFrame(const FrameImage& frame, std::int32_t source_x, std::int32_t source_y,
                   const PixelRect& dest, const Palette* palette) override;

  private:
    NativeWindow& window_;
    std::uint64_t* present_ns_;
    std::function<void(WindowCanvas&)> decorate_;
};

// The conversion itself, on any SDL surface: copies the block of `frame`
// described as in DrawTarget::CopyFrame into `surface`, clipped to it.
// Returns the rectangle of the surface that changed (empty when none).
PixelRect CopyFrameToSurface(const FrameImage& frame, std::int32_t source_x, std::int32_t source_y,
                             const PixelRect& dest, const Palette* palette, SDL_Surface* surface);

}  // namespace skyweave
