// Wrapped message text for the saver window: white on an opaque black band,
// in a system sans font found through fontconfig (DejaVu Sans where
// installed). Owned by the saver window's platform layer; the rendered text
// is kept until the text or the wrap width changes, because the saver may
// show the same message on every frame.
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct SDL_Surface;
typedef struct _TTF_Font TTF_Font;

namespace skyweave {

// The file of the best sans-serif font fontconfig knows, preferring DejaVu
// Sans; empty when fontconfig finds none.
std::string FindSansFontFile();

class TextRenderer {
  public:
    // pixel_size: font height in pixels; default 16, the size of a desktop
    // dialog font. Without a usable font every Render returns null.
    explicit TextRenderer(int pixel_size = 16);
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    bool HasFont() const { return font_ != nullptr; }

    // The text rendered white on black, broken between words so that no line
    // is wider than `wrap_width` pixels (a single word wider than that is
    // broken where it must). The surface's size is the measured text
    // rectangle. Owned by the renderer and valid until the next call; null
    // for empty text or without a font.
    SDL_Surface* Render(std::string_view text, int wrap_width);

  private:
    TTF_Font* font_ = nullptr;
    SDL_Surface* cached_ = nullptr;
    std::string cached_text_;
    int cached_width_ = -1;
};

}  // namespace skyweave
