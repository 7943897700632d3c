// FlipToBottomUp (match_screen_depth.h): turns a top-down picture into the
// bottom-up order every other part of the system expects.
#include <algorithm>
#include <limits>

#include "image/match_screen_depth.h"

namespace skyweave {

bool FlipToBottomUp(PackedDib& image) {
    if (!image) {
        return false;
    }
    const std::int32_t height = image.Height();
    if (height >= 0) {
        return true;
    }
    if (height == std::numeric_limits<std::int32_t>::min() || !image.PixelsFit()) {
        return false;
    }
    std::span<std::uint8_t> pixels = image.Pixels();
    const std::size_t row = image.RowBytes();
    const auto rows = static_cast<std::size_t>(-height);
    for (std::size_t i = 0; i < rows / 2; ++i) {
        auto top = pixels.subspan(i * row, row);
        auto bottom = pixels.subspan((rows - 1 - i) * row, row);
        std::swap_ranges(top.begin(), top.end(), bottom.begin());
    }
    BitmapInfoHeader header = image.Header();
    header.biHeight = -height;
    image.SetHeader(header);
    return true;
}

}  // namespace skyweave
