// One-to-one copies of bottom-up frames into a top-down picture in memory.
#include "platform/core/memory_draw_target.h"

#include <algorithm>
#include <cstring>

namespace skyweave {

MemoryDrawTarget::MemoryDrawTarget(std::int32_t width, std::int32_t height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
    pixels_.assign(static_cast<std::size_t>(width_) * height_ * FrameBytesPerPixel(depth_), 0);
}

PixelRect MemoryDrawTarget::ClientRect() const {
    return {0, 0, width_, height_};
}

void MemoryDrawTarget::CopyFrame(const FrameImage& frame, std::int32_t source_x,
                                 std::int32_t source_y, const PixelRect& dest,
                                 const Palette* palette) {
    ++copy_count_;
    last_source_x_ = source_x;
    last_source_y_ = source_y;
    last_dest_ = dest;
    palette_ = palette != nullptr ? std::optional<Palette>(*palette) : std::nullopt;
    const int bpp = FrameBytesPerPixel(frame.depth);
    if (bpp == 0 || frame.width <= 0 || frame.height <= 0) {
        return;
    }
    if (frame.depth != depth_) {
        depth_ = frame.depth;
        pixels_.assign(static_cast<std::size_t>(width_) * height_ * bpp, 0);
    }
    if (frame.depth == 8) {
        color_table_.assign(frame.color_table.begin(), frame.color_table.end());
    } else {
        color_table_.clear();
    }
    const std::int64_t block_width = dest.Width();
    const std::int64_t block_height = dest.Height();
    if (block_width <= 0 || block_height <= 0 || source_x < 0 || source_y < 0 ||
        source_x + block_width > frame.width || source_y + block_height > frame.height) {
        return;  // the caller broke its promise; draw nothing rather than read outside
    }
    const std::size_t frame_stride = static_cast<std::size_t>(frame.width) * bpp;
    if (frame.pixels.size() < frame_stride * static_cast<std::size_t>(frame.height)) {
        return;
    }
    const std::size_t target_stride = static_cast<std::size_t>(width_) * bpp;
    // Clip the destination block to the picture.
    const std::int64_t x0 = std::max<std::int64_t>(dest.left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(dest.right, width_);
    const std::int64_t y0 = std::max<std::int64_t>(dest.top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(dest.bottom, height_);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    const std::size_t run = static_cast<std::size_t>(x1 - x0) * bpp;
    for (std::int64_t y = y0; y < y1; ++y) {
        // Block row 0 is its top row: frame row source_y + block_height - 1.
        const std::int64_t block_row = y - dest.top;
        const std::int64_t frame_row = source_y + block_height - 1 - block_row;
        const std::int64_t frame_col = source_x + (x0 - dest.left);
        const std::uint8_t* from = frame.pixels.data() + frame_row * frame_stride +
                                   static_cast<std::size_t>(frame_col) * bpp;
        std::uint8_t* to = pixels_.data() + y * target_stride + static_cast<std::size_t>(x0) * bpp;
        std::memcpy(to, from, run);
    }
}

}  // namespace skyweave
