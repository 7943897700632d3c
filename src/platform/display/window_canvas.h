// The drawing surface of a native window for the span of one drawing job,
// our stand-in for a window device context: black fills, the message text,
// a stretched picture, with an optional clip rectangle. Everything drawn is
// handed to the window when the canvas is flushed or destroyed: through the
// window surface it reaches the screen at once; through OpenGL it is shown
// at once, or with the window's next present when the canvas was made for
// a frame or for painting, so that everything drawn in one turn of the
// event loop appears in one vertical blank. Made by NativeWindow (GetCanvas
// and its painting) and used by the saver window and WindowDrawTarget on the
// event-loop thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/core/draw_target.h"

struct SDL_Surface;

namespace skyweave {

class NativeWindow;

class WindowCanvas {
  public:
    // window: the window drawn on; null, or a destroyed window, gives a
    // canvas that draws nothing.
    // present_now: show what was drawn when flushed even where the window
    // presents once per turn of its event loop (OpenGL).
    explicit WindowCanvas(NativeWindow* window, bool present_now = true);
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
    // Hands the changed parts to the window (see the top of this file).
    void Flush();

  private:
    NativeWindow* window_;
    bool present_now_;
    SDL_Surface* surface_ = nullptr;
    std::optional<PixelRect> clip_;
    std::vector<PixelRect> touched_;
};

// `a` cut to `b`; empty (all zero) when they do not meet.
PixelRect IntersectRect(const PixelRect& a, const PixelRect& b);

}  // namespace skyweave
