// PadWidthToMultipleOf4: gives a picture the row stride the renderer uses.
//
// The renderer rounds the picture width up to a multiple of 4 and takes that
// as the row stride in pixels, while PackedDib rows are unpadded; a picture
// 1001 pixels wide would be read with a growing skew. DecodeImage therefore
// widens such a picture to the next multiple of 4 by repeating its last
// column in every row. Repeating rather than cropping keeps every source
// pixel, and on a 360-degree panorama the repeated column sits where the
// last column meets the first, which were neighbours anyway, so the seam
// shows no edge; the heading scale changes by at most 3 columns in the
// whole circle. A partial panorama gains at most 3 columns of its own edge
// colour at the right, and its canvas (built by the loader from this width)
// needs no special case.
//
// Caller: DecodeImage, as its last step.
#pragma once

#include "image/packed_dib.h"

namespace skyweave {

// Returns `image` itself when its width is already a multiple of 4, else a
// new block with the width rounded up, the header and colour area copied and
// every row extended with copies of its last pixel (the input is freed).
// Null when the new block cannot be had (then *error_text, when not null,
// is "Insufficient system memory") or the input's pixels do not fit its
// block ("Unsupported file fomat").
PackedDib PadWidthToMultipleOf4(PackedDib image, const char** error_text);

}  // namespace skyweave
