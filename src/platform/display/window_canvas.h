// The drawing surface of a native window for the span of one drawing job,
// our stand-in for a window device context: black fills, the message text,
// a stretched picture, with an optional clip rectangle. Everything drawn is
// pushed to the screen when the canvas is flushed or destroyed. Made by
// NativeWindow (GetCanvas and its painting) and used by the saver window and
// WindowDrawTarget on the event-loop thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/core/draw_target.h"

struct SDL_Surface;
struct SDL_Window;

namespace skyweave {

class WindowCanvas {
  public:
    // window: the SDL window whose surface is drawn on; may be null, which
    // gives a canvas that draws nothing.
    explicit WindowCanvas(SDL_Window* window);
    ~WindowCanvas();
    WindowCanvas(const WindowCanvas&) = delete;
    WindowCanvas& operator=(const WindowCanvas&) = delete;

    // The surface in the window's own pixel format, or null.
    SDL_Surface* surface() const { return surface_; }
    // (0, 0, width, height) of the surface in pixels.
    PixelRect ClientRect() const;

    // Limits every later drawing to `clip` (window pixels); nullopt lifts it.
    void SetClip(const std::optional<PixelRect>& clip);
    // The clip box: the clip rectangle, or the whole client area.
    PixelRect ClipBox() const;

    // Fills `rect` (window pixels, clipped) with black.
    void FillBlack(const PixelRect& rect);
    // Copies `picture` unscaled with its top left at (x, y).
    void DrawSurface(SDL_Surface* picture, int x, int y);
    // Stretches all of `picture` into `dest` (nearest pixel).
    void StretchSurface(SDL_Surface* picture, const PixelRect& dest);

    // Stretches all of a 24-bit bottom-up `picture` (blue, green, red bytes,
    // rows of exactly width x 3 bytes) into `dest`. Other depths are not
    // drawn.
    void StretchPicture(const FrameImage& picture, const PixelRect& dest);

    // Marks `rect` as changed by drawing done directly on surface().
    void Touch(const PixelRect& rect);
    // Pushes the changed parts to the screen now.
    void Flush();

  private:
    SDL_Window* window_;
    SDL_Surface* surface_ = nullptr;
    std::optional<PixelRect> clip_;
    std::vector<PixelRect> touched_;
};

// `a` cut to `b`; empty (all zero) when they do not meet.
PixelRect IntersectRect(const PixelRect& a, const PixelRect& b);

}  // namespace skyweave
