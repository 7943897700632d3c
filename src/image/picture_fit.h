// How large a decoded picture may be: the reduction DecodeLimits asks for
// (decode_limits.h), worked out once for every codec.
//
// Callers: the codec adapters, as they learn a stream's size.
#pragma once

#include <cstdint>

#include "image/decode_limits.h"
#include "image/picture_builder.h"

namespace skyweave {

// Whether a picture shown `width` x `height` is within the limits.
bool FitsWithin(std::int64_t width, std::int64_t height, const DecodeLimits& limits);

// The builder geometry for rows of a picture stored `width` x `height`
// that is shown turned by `orientation`: kept whole when the shown picture
// fits, else reduced to the largest size of the same shape (each side
// rounded down, at least 1) that fits.
PictureGeometry FittedGeometry(std::int32_t width, std::int32_t height, int orientation,
                               const DecodeLimits& limits);

// The DCT scale, in eighths (8 down to 1), that reduces a JPEG stored
// `width` x `height` and shown turned by `orientation` the least while
// fitting; libjpeg scales each side to ceil(side * eighths / 8). 1 when
// even that does not fit (an area filter then takes it the rest of the
// way).
int JpegScaleEighths(std::int32_t width, std::int32_t height, int orientation,
                     const DecodeLimits& limits);

}  // namespace skyweave
