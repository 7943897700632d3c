// The Exif Orientation tag, read with libexif.
//
// Callers: the JPEG, PNG and WebP adapters, which find the Exif block in
// their container (a JPEG APP1 segment, a PNG eXIf chunk, a WebP EXIF
// chunk). HEIF files carry their turn in the container, which libheif
// applies, so their Exif orientation is not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace skyweave {

// The orientation (1 to 8, see picture_builder.h) of the first image
// directory of `exif`: an Exif block that starts with "Exif\0\0" or
// straight with its TIFF header ("II*\0" or "MM\0*"). 1 when the block,
// the tag or its value is missing or malformed.
// Only the first kMaxExifBlockBytes of a block are read: the first
// directory comes first, and a JPEG's whole block fits in that much.
int ExifOrientation(std::span<const std::uint8_t> exif);

inline constexpr std::size_t kMaxExifBlockBytes = std::size_t{64} << 10;

// Whether `orientation` turns the picture a quarter (5 to 8): the picture
// shown is as wide as the stored one is high.
inline bool OrientationSwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

}  // namespace skyweave
