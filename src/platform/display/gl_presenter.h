// The OpenGL way to the screen. Canvases draw into a surface in memory of
// the window's size and pixel format, exactly as they would into the window
// surface; Present uploads what changed into a streaming texture and has
// SDL's OpenGL renderer draw it one to one, synchronised with the vertical
// blank, so a turning panorama never tears. Made by NativeWindow for the gl
// and auto present methods; whenever it fails, the window goes back to its
// window surface with the picture it had.
#pragma once

#include <memory>
#include <string>

#include "platform/core/draw_target.h"

struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Texture;
struct SDL_Window;

namespace skyweave {

class GlPresenter {
  public:
    // Makes SDL's OpenGL renderer with vertical-blank sync on `window`, which
    // must not have a window surface yet. hardware_only refuses software
    // OpenGL (llvmpipe, softpipe, swrast and SDL's own software renderer).
    // Null, with `why` set, when no renderer is made or it is refused.
    static std::unique_ptr<GlPresenter> Create(SDL_Window* window, bool hardware_only,
                                               std::string& why);
    ~GlPresenter();
    GlPresenter(const GlPresenter&) = delete;
    GlPresenter& operator=(const GlPresenter&) = delete;

    // The surface canvases draw on: the window's size in its pixel format,
    // made anew (black) when the window's size changed. Null when it cannot
    // be made.
    SDL_Surface* Surface();
    // Marks `rect` (window pixels) as changed for the next Present.
    void Touch(const PixelRect& rect);
    // Marks the whole window for drawing again (exposure).
    void TouchAll();
    // Something changed since the last Present.
    bool Pending() const { return pending_; }
    // Uploads the changed part and shows the whole picture, waiting for the
    // vertical blank where the display has one. False when the renderer
    // failed; the surface still holds the picture.
    bool Present();

    // The OpenGL renderer's name (GL_RENDERER), for the event log.
    const std::string& RendererName() const { return name_; }

  private:
    GlPresenter(SDL_Window* window, SDL_Renderer* renderer, std::string name);
    bool MakeTexture();

    SDL_Window* window_;
    SDL_Renderer* renderer_;
    std::string name_;
    SDL_Surface* surface_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    // The bounding box of the changes since the last Present.
    PixelRect dirty_{};
    bool pending_ = false;
};

}  // namespace skyweave
