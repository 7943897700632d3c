// The full-sphere canvas of a partial panorama.
//
// A partial panorama's picture covers only part of the sphere; the renderer
// wants a picture whose width spans 360 degrees and height 180. The loader
// calls BuildCanvas to centre the picture on such a canvas.
#pragma once

#include <cstdint>
#include <optional>

#include "image/packed_dib.h"

namespace skyweave {

// Largest canvas built, in pixels: a crafted extent of a degree or two would
// otherwise ask for hundreds of gigabytes.
inline constexpr std::uint64_t kMaxCanvasPixels = std::uint64_t{1} << 30;

// Canvas size for a picture of `width` x `height` pixels covering
// `heading_extent` x `pitch_extent` degrees: (360 / Eh) x W and (180 / Ev) x H
// truncated, each rounded to the nearest multiple of 4 (a remainder of 2
// rounds up), or rounded up instead when nearest would cut the picture.
struct CanvasSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
};
CanvasSize CanvasSizeFor(std::int32_t width, std::int32_t height, int heading_extent,
                         int pitch_extent);

// A canvas side for a picture side of `picture` pixels whose full-sphere
// size is `exact` pixels: truncated toward zero, then rounded as above.
std::int64_t CanvasSide(double exact, std::int64_t picture);

// A canvas and where a picture goes on it: the canvas's width and height,
// and the canvas column of the picture's first pixel and the canvas row of
// its first stored row (rows run bottom-up, so this counts from the
// canvas's bottom). The picture must fit inside.
struct CanvasPlacement {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t first_column = 0;
    std::int64_t first_row = 0;
};

// Why BuildCanvas gave no canvas.
enum class CanvasFailure {
    kTooLarge,  // over kMaxCanvasPixels, or not allocatable
    kBadImage,  // the picture's pixels do not lie inside its block
};

// Builds the canvas: header and colour area copied from `image` with width
// and height replaced, the picture's rows copied so that its first stored
// row lands in canvas row (H' - H) / 2 and its first pixel in column
// (W' - W) / 2; the rest of the canvas is 0 bytes. On success `image` is
// released and the canvas returned; on failure `image` is left as it was.
//   image:          the decoded picture, bottom-up.
//   heading_extent: degrees, 1 ... 360.
//   pitch_extent:   degrees, 1 ... 180.
//   failure:        receives the reason when the result is null (may be null).
PackedDib BuildCanvas(PackedDib& image, int heading_extent, int pitch_extent,
                      CanvasFailure* failure);

// Builds the canvas `placement` describes for `image`: header and colour
// area copied with width and height replaced, the picture's rows copied
// whole to their place, the rest 0 bytes. On success `image` is released
// and the canvas returned; on failure (the reasons above, or a placement
// that does not hold the picture: kBadImage) `image` is left as it was.
PackedDib PlaceOnCanvas(PackedDib& image, const CanvasPlacement& placement, CanvasFailure* failure);

}  // namespace skyweave
