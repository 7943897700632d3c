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

std::int64_t CanvasSide(double exact, std::int64_t picture) {
    return RoundToFour(static_cast<std::int64_t>(exact), picture);
}

PackedDib BuildCanvas(PackedDib& image, int heading_extent, int pitch_extent,
                      CanvasFailure* failure) {
    if (!image || !image.PixelsFit() || image.Height() <= 0 || heading_extent < 1 ||
        pitch_extent < 1) {
        if (failure != nullptr) {
            *failure = CanvasFailure::kBadImage;
        }
        return {};
    }
    // Extents are at most 360 and 180 and pictures are below 2^31 a side, so
    // these fit comfortably in 64 bits before the pixel-count check.
    const CanvasSize size =
        CanvasSizeFor(image.Width(), image.Height(), heading_extent, pitch_extent);
    CanvasPlacement placement;
    placement.width = size.width;
    placement.height = size.height;
    placement.first_column = (size.width - image.Width()) / 2;
    placement.first_row = (size.height - image.Height()) / 2;
    return PlaceOnCanvas(image, placement, failure);
}

PackedDib PlaceOnCanvas(PackedDib& image, const CanvasPlacement& placement,
                        CanvasFailure* failure) {
    CanvasFailure ignored;
    CanvasFailure& reason = failure != nullptr ? *failure : ignored;
    if (!image || !image.PixelsFit() || image.Height() <= 0 || placement.first_column < 0 ||
        placement.first_row < 0 || placement.first_column + image.Width() > placement.width ||
        placement.first_row + image.Height() > placement.height) {
        reason = CanvasFailure::kBadImage;
        return {};
    }
    const std::int32_t height = image.Height();
    const std::uint64_t bytes_per_pixel = static_cast<std::uint64_t>(image.BytesPerPixel());
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(placement.width) * static_cast<std::uint64_t>(placement.height);
    if (pixels > kMaxCanvasPixels || placement.width > INT32_MAX || placement.height > INT32_MAX) {
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
    header.biWidth = static_cast<std::int32_t>(placement.width);
    header.biHeight = static_cast<std::int32_t>(placement.height);
    canvas.SetHeader(header);
    std::span<std::uint8_t> bytes = canvas.Bytes();
    const std::span<const std::uint8_t> colors = image.ColorTable();
    std::memcpy(bytes.data() + kBitmapHeaderSize, colors.data(),
                std::min<std::size_t>(colors.size(), color_area));

    const std::size_t source_row = image.RowBytes();
    const std::size_t canvas_row = static_cast<std::size_t>(placement.width) * bytes_per_pixel;
    const std::size_t first_row = static_cast<std::size_t>(placement.first_row);
    const std::size_t first_column = static_cast<std::size_t>(placement.first_column);
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
