// Presenting a frame: palette handling for 8-bit screens and the centred
// one-to-one copy.
#include "engine/present_frame.h"

#include <optional>

#include "image/depth_code.h"
#include "image/screen_depth.h"

namespace skyweave {

void PresentFrame(DrawTarget& target, const BitmapInfoHeader& header,
                  std::span<const std::uint8_t> color_table, std::span<const std::uint8_t> pixels,
                  bool palette_dirty, const PixelRect* rect) {
    const PixelRect dest =
        rect != nullptr ? *rect : PixelRect{0, 0, header.biWidth, header.biHeight};
    const std::int64_t width = dest.Width();
    const std::int64_t height = dest.Height();

    std::optional<Palette> palette;
    if (ScreenDepth() == kDepth8) {
        if (palette_dirty && header.biBitCount == 8) {
            Palette fresh{};
            for (std::size_t i = 0; i < fresh.size() && 4 * i + 3 < color_table.size(); ++i) {
                fresh[i] = PaletteEntry{color_table[4 * i + 2], color_table[4 * i + 1],
                                        color_table[4 * i], 0};
            }
            ReplaceSharedPalette(fresh);
        }
        palette = SharedPalette();
    }

    if (width <= 0 || height <= 0 || width > header.biWidth || height > header.biHeight) {
        return;
    }
    const std::int32_t source_x = static_cast<std::int32_t>((header.biWidth - width) / 2);
    const std::int32_t source_y = static_cast<std::int32_t>((header.biHeight - height) / 2);
    FrameImage frame;
    frame.pixels = pixels;
    frame.width = header.biWidth;
    frame.height = header.biHeight;
    frame.depth = static_cast<std::uint16_t>(DepthCodeOf(header.biBitCount, header.biCompression));
    if (header.biBitCount == 8) {
        frame.color_table = color_table;
    }
    target.CopyFrame(frame, source_x, source_y, dest, palette ? &*palette : nullptr);
}

}  // namespace skyweave
