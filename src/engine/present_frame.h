// PresentFrame: the copy of a finished frame onto a drawing target, with the
// shared palette of 8-bit screens. Called by RenderFrame once per frame.
#pragma once

#include <cstdint>
#include <span>

#include "image/bitmap_header.h"
#include "platform/core/draw_target.h"

namespace skyweave {

// Copies the frame one to one into the destination, cutting the part added
// by the rounding to 32 evenly from both sides (the right and top edges lose
// the odd column or row).
//   target:       where the frame goes.
//   header:       the frame's header (biWidth, biHeight: frame size in pixels;
//                 biBitCount and biCompression: its format).
//   color_table:  the colour area that follows the header (4 bytes per entry:
//                 blue, green, red, reserved); used for 8-bit frames.
//   pixels:       the frame's pixels, bottom-up rows.
//   palette_dirty: rebuild the shared palette from the colour table (only on
//                 an 8-bit screen, and only for an 8-bit frame).
//   rect:         the destination rectangle, or null for (0, 0, biWidth,
//                 biHeight).
// A destination larger than the frame, or empty, draws nothing.
void PresentFrame(DrawTarget& target, const BitmapInfoHeader& header,
                  std::span<const std::uint8_t> color_table, std::span<const std::uint8_t> pixels,
                  bool palette_dirty, const PixelRect* rect);

}  // namespace skyweave
