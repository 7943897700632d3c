// MemoryDrawTarget: a drawing target that is a picture in memory the size of
// the destination, used by skyweave-render and by the tests in place of a
// window.
//
// It keeps the pixels exactly as the frames hand them over (their depth code
// and byte layout), top row first, plus the colour table and the palette of
// the last copy, so that the caller can convert them as it likes.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/core/draw_target.h"

namespace skyweave {

class MemoryDrawTarget final : public DrawTarget {
  public:
    // A target of `width` x `height` pixels, all bytes 0, depth 24.
    //   width, height: pixels, 0 or more (negative counts as 0).
    MemoryDrawTarget(std::int32_t width, std::int32_t height);

    PixelRect ClientRect() const override;

    // Copies the block into the picture, clipped to it. When the frame's depth
    // differs from the picture's, the picture first becomes all zero bytes in
    // the frame's depth.
    void CopyFrame(const FrameImage& frame, std::int32_t source_x, std::int32_t source_y,
                   const PixelRect& dest, const Palette* palette) override;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // Depth code of the pixels (that of the last frame copied; 24 before).
    std::uint16_t Depth() const { return depth_; }
    // Rows top first, each Width() x FrameBytesPerPixel(Depth()) bytes.
    const std::vector<std::uint8_t>& Pixels() const { return pixels_; }
    // The colour table of the last 8-bit frame (4 bytes per entry: blue,
    // green, red, reserved); empty when the last frame was not 8-bit.
    const std::vector<std::uint8_t>& ColorTable() const { return color_table_; }
    // The palette selected for the last copy, if any.
    const std::optional<Palette>& SelectedPalette() const { return palette_; }
    // How many CopyFrame calls arrived, and the arguments of the last one.
    int CopyCount() const { return copy_count_; }
    std::int32_t LastSourceX() const { return last_source_x_; }
    std::int32_t LastSourceY() const { return last_source_y_; }
    const PixelRect& LastDest() const { return last_dest_; }

  private:
    std::int32_t width_;
    std::int32_t height_;
    std::uint16_t depth_ = 24;
    std::vector<std::uint8_t> pixels_;
    std::vector<std::uint8_t> color_table_;
    std::optional<Palette> palette_;
    int copy_count_ = 0;
    std::int32_t last_source_x_ = 0;
    std::int32_t last_source_y_ = 0;
    PixelRect last_dest_;
};

}  // namespace skyweave
