// MatchScreenDepth and FlipToBottomUp: the steps that bring a freshly decoded
// picture into a format the renderers and the screen can take.
//
// Callers: DecodeImage (both), and tests. The per-pixel rules are in
// pixel_rules.h.
#pragma once

#include "image/packed_dib.h"

namespace skyweave {

// Converts `image` (depth code 8, 15, 16, 24 or 32, pixel run inside the
// block, bottom-up) for a screen of depth `screen_depth`:
//
//   screen  image 8   image 15        image 16        image 24        image 32
//   8       kept      JPEG re-encode  JPEG re-encode  JPEG re-encode  JPEG re-encode
//   15      kept      kept            to 15 in place  to 15 in place  to 15 in place
//   16      kept      to 16 new       kept            to 16 new       to 16 new
//   24      kept      to 24 new       to 24 new       kept            to 24 in place
//
// Any other screen depth keeps the picture. In place means the same block
// comes back (the tail past the new pixel run is unused); new means a block
// of exactly the new size, with the old one freed. Results at 15, 24 and 32
// bits have biClrUsed 0 and their pixels at byte 40; results at 5-6-5 have
// the masks at byte 40, biClrUsed 3 and their pixels at byte 52. Every
// conversion writes biSizeImage 0.
//
// The JPEG re-encoding (screen depth 8) compresses at quality 100 and
// decompresses at depth 8; when compression fails the unconverted picture is
// the result, when decompression fails the result is null with no text.
//
// On failure: null, the input freed, and *error_text (when not null) set to
// "Insufficient system memory" when a new block cannot be had, or
// "Unsupported file fomat" for a picture that is not one of the formats
// above or whose pixels do not fit its block.
PackedDib MatchScreenDepth(PackedDib image, int screen_depth, const char** error_text);

// Flips a top-down picture (negative biHeight) in place: biHeight becomes
// positive and rows i and height - 1 - i swap. Pixels are located by the
// PackedDib rule (so 8-bit pictures with fewer than 256 colours work too).
// Returns false, changing nothing, when the pixel run does not fit the
// block or biHeight is the one value that has no positive counterpart.
bool FlipToBottomUp(PackedDib& image);

}  // namespace skyweave
