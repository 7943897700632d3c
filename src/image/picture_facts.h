// What a picture file says about itself before any pixel is decoded: its
// format, its size as it will be shown, the turn DecodeImage will give it,
// and its Photo Sphere metadata.
//
// The loader asks first (ProbeImage) to learn where the picture lies on the
// sphere and how large a picture the renderer can take, and then decodes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "image/exif_orientation.h"
#include "image/image_format.h"
#include "image/photo_sphere.h"

namespace skyweave {

struct PictureFacts {
    ImageFormat format = ImageFormat::kUnknown;
    // Pixels as shown: after the orientation (5 to 8 swap the stored width
    // and height). 0 when the header cannot be read.
    std::int32_t width = 0;
    std::int32_t height = 0;
    // The Exif orientation DecodeImage applies (1: none). HEIF files are
    // turned by libheif, so theirs is always 1 here.
    int orientation = 1;
    // The picture's Photo Sphere fields, as written.
    std::optional<PhotoSphere> sphere;
};

// Reads the headers and metadata of `bytes` (a whole picture file or
// container image stream, untrusted), decoding no pixels. A stream whose
// headers cannot be read gives its format (or kUnknown) and size 0; the
// decode then says what is wrong.
PictureFacts ProbeImage(std::span<const std::uint8_t> bytes);

// The stored size turned by `orientation`: width and height swap for 5 to 8.
inline void ApplyOrientation(PictureFacts& facts, std::int32_t stored_width,
                             std::int32_t stored_height, int orientation) {
    const bool turned = OrientationSwapsSides(orientation);
    facts.orientation = orientation;
    facts.width = turned ? stored_height : stored_width;
    facts.height = turned ? stored_width : stored_height;
}

}  // namespace skyweave
