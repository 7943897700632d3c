// The splash picture: the program's resource "JPG" 110 decoded on demand to
// a 24-bit picture, and where it goes in a client area (unscaled when it
// fits, else scaled to fit, centred). Owned by CPanoramaSaverWnd, which
// frees it on the first frame request and decodes it again when it closes.
#pragma once

#include <cstdint>

#include "image/packed_dib.h"
#include "platform/core/draw_target.h"

namespace skyweave {

class WindowCanvas;

// Where a w x h picture is drawn in a cw x ch client area (all in pixels):
// unscaled when it fits, else scaled by the smaller of the two ratios, each
// side truncated; centred with integer division.
PixelRect SplashPlacement(std::int32_t client_width, std::int32_t client_height, std::int32_t width,
                          std::int32_t height);

class SplashPicture {
  public:
    bool IsDecoded() const { return static_cast<bool>(picture_); }
    // Decodes the resource when not decoded yet; a missing resource or a
    // failed decode leaves it undecoded (nothing is drawn then).
    void Decode();
    void Free() { picture_ = PackedDib(); }
    // Draws the picture (decoding it first when needed) into `area` of the
    // canvas (window pixels; the whole client area when empty) as
    // SplashPlacement says.
    void Draw(WindowCanvas& canvas, const PixelRect& area = {});
    const PackedDib& picture() const { return picture_; }

  private:
    PackedDib picture_;
};

}  // namespace skyweave
