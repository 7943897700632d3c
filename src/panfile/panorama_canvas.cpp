// Centring a partial panorama on a full-sphere canvas by whole-row copies.
#include "panfile/panorama_canvas.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "platform/core/file_reader.h"

namespace skyweave {
namespace {

std::int64_t RoundToFour(std::int64_t n, std::int64_t at_least) {
    std::int64_t rounded = n - ((n + 2) % 4) + 2;
    if (rounded < at_least) {
        rounded = (n + 3) / 4 * 4;  // nearest would cut the picture: round up
    }
    return std::max(rounded, at_least);
}

}  // namespace

CanvasSize CanvasSizeFor(std::int32_t width, std::int32_t height, int heading_extent,
                         int pitch_extent) {
    const double wide = (360.0 / heading_extent) * width;
    const double tall = (180.0 / pitch_extent) * height;
    CanvasSize size;
    size.width = RoundToFour(static_cast<std::int64_t>(wide), width);
    size.height = RoundToFour(static_cast<std::int64_t>(tall), height);
    return size;
}

PackedDib BuildCanvas(PackedDib& image, int heading_extent, int pitch_extent,
                      CanvasFailure* failure) {
    CanvasFailure ignored;
    CanvasFailure& reason = failure != nullptr ? *failure : ignored;
    if (!image || !image.PixelsFit() || image.Height() <= 0 || heading_extent < 1 ||
        pitch_extent < 1) {
        reason = CanvasFailure::kBadImage;
        return {};
    }
    const std::int32_t width = image.Width();
    const std::int32_t height = image.Height();
    const std::uint64_t bytes_per_pixel = static_cast<std::uint64_t>(image.BytesPerPixel());
    // Extents are at most 360 and 180 and pictures are below 2^31 a side, so
    // these fit comfortably in 64 bits before the pixel-count check.
    const CanvasSize size = CanvasSizeFor(width, height, heading_extent, pitch_extent);
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(size.width) * static_cast<std::uint64_t>(size.height);
    if (pixels > kMaxCanvasPixels || size.width > INT32_MAX || size.height > INT32_MAX) {
        reason = CanvasFailure::kTooLarge;
        return {};
    }
    const std::size_t color_area = image.ColorAreaSize();
    const std::uint64_t total = image.PixelOffset() + pixels * bytes_per_pixel;
    if (!MemoryCanHold(total)) {
        reason = CanvasFailure::kTooLarge;
        return {};
    }
    MemoryBlock block = MemAllocZeroed(static_cast<std::size_t>(total));
    if (!block) {
        reason = CanvasFailure::kTooLarge;
        return {};
    }
    PackedDib canvas(std::move(block));
    BitmapInfoHeader header = image.Header();
    header.biWidth = static_cast<std::int32_t>(size.width);
    header.biHeight = static_cast<std::int32_t>(size.height);
    canvas.SetHeader(header);
    std::span<std::uint8_t> bytes = canvas.Bytes();
    const std::span<const std::uint8_t> colors = image.ColorTable();
    std::memcpy(bytes.data() + kBitmapHeaderSize, colors.data(),
                std::min<std::size_t>(colors.size(), color_area));

    const std::size_t source_row = image.RowBytes();
    const std::size_t canvas_row = static_cast<std::size_t>(size.width) * bytes_per_pixel;
    const std::size_t first_row = static_cast<std::size_t>((size.height - height) / 2);
    const std::size_t first_column = static_cast<std::size_t>((size.width - width) / 2);
    const std::span<const std::uint8_t> from = std::as_const(image).Pixels();
    std::span<std::uint8_t> to = canvas.Pixels();
    for (std::int32_t row = 0; row < height; ++row) {
        std::memcpy(to.data() + (first_row + row) * canvas_row + first_column * bytes_per_pixel,
                    from.data() + static_cast<std::size_t>(row) * source_row, source_row);
    }
    image = PackedDib();
    return canvas;
}

}  // namespace skyweave
