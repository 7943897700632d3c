// The reductions of picture_fit.h.
#include "image/picture_fit.h"

#include <algorithm>
#include <cmath>

#include "image/exif_orientation.h"

namespace skyweave {
bool FitsWithin(std::int64_t width, std::int64_t height, const DecodeLimits& limits) {
    return width <= limits.max_width && height <= limits.max_height &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <=
               limits.max_pixels;
}

PictureGeometry FittedGeometry(std::int32_t width, std::int32_t height, int orientation,
                               const DecodeLimits& limits) {
    PictureGeometry geometry = FullSize(width, height, orientation);
    const std::int64_t shown_width = OrientationSwapsSides(orientation) ? height : width;
    const std::int64_t shown_height = OrientationSwapsSides(orientation) ? width : height;
    if (width < 1 || height < 1 || FitsWithin(shown_width, shown_height, limits)) {
        return geometry;
    }
    // A hair more than the exact scale, so that a size that fits exactly
    // (a 32768 x 16384 picture into 2^27 pixels) is not lost to rounding;
    // the loop below takes back what does not fit.
    const double scale =
        (1 + 1e-12) *
        std::min(
            {static_cast<double>(std::max(limits.max_width, 1)) / static_cast<double>(shown_width),
             static_cast<double>(std::max(limits.max_height, 1)) /
                 static_cast<double>(shown_height),
             std::sqrt(static_cast<double>(std::max<std::uint64_t>(limits.max_pixels, 1)) /
                       (static_cast<double>(shown_width) * static_cast<double>(shown_height)))});
    std::int64_t reduced_width = std::max<std::int64_t>(
        1, std::min<std::int64_t>(shown_width, static_cast<std::int64_t>(shown_width * scale)));
    std::int64_t reduced_height = std::max<std::int64_t>(
        1, std::min<std::int64_t>(shown_height, static_cast<std::int64_t>(shown_height * scale)));
    // The rounding of the square root may leave one row or column too many.
    while (!FitsWithin(reduced_width, reduced_height, limits) &&
           (reduced_width > 1 || reduced_height > 1)) {
        // Take from the side that is the longer for the shape.
        const bool too_wide = reduced_width * shown_height >= reduced_height * shown_width;
        if ((too_wide && reduced_width > 1) || reduced_height == 1) {
            --reduced_width;
        } else {
            --reduced_height;
        }
    }
    geometry.reduced_width = static_cast<std::int32_t>(
        OrientationSwapsSides(orientation) ? reduced_height : reduced_width);
    geometry.reduced_height = static_cast<std::int32_t>(
        OrientationSwapsSides(orientation) ? reduced_width : reduced_height);
    return geometry;
}

int JpegScaleEighths(std::int32_t width, std::int32_t height, int orientation,
                     const DecodeLimits& limits) {
    for (int eighths = 8; eighths > 1; --eighths) {
        const std::int64_t scaled_width = (std::int64_t{width} * eighths + 7) / 8;
        const std::int64_t scaled_height = (std::int64_t{height} * eighths + 7) / 8;
        if (OrientationSwapsSides(orientation) ? FitsWithin(scaled_height, scaled_width, limits)
                                               : FitsWithin(scaled_width, scaled_height, limits)) {
            return eighths;
        }
    }
    return 1;
}

}  // namespace skyweave
