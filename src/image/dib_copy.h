// The copy path of DecodeImage: a BMP file's bitmap or a bare packed DIB
// (biCompression 0 or 3) copied into a PackedDib of the system's own form.
//
// Nothing in the header is trusted. The copy refuses, with "Unsupported file
// fomat", a header size other than 40, a width that is not positive, a zero
// height, a bit count other than 8, 16, 24 or 32 (1- and 4-bit bitmaps
// included), colour masks other than 5-6-5 and 5-5-5 (16-bit) or blue,
// green, red bytes (32-bit), more than 256 colours, and any colour area or
// pixel run that does not lie inside the given bytes. A picture of more than
// 2^30 pixels fails with "Insufficient system memory" before anything is
// allocated.
//
// Rows: files pad every row to a multiple of 4 bytes; the system's own
// pictures do not. Padded rows are used when the bytes hold them, unpadded
// ones otherwise, and the copy stores them unpadded.
//
// The result has biSizeImage 0; an 8-bit picture keeps its colour table (and
// biClrUsed); 5-6-5 pictures carry the masks with biClrUsed 3; all others
// have biClrUsed 0 and no colour area (a BMP's optional palette for a 24-bit
// picture is dropped); 5-5-5 and 32-bit bit-field pictures become plain ones.
// A top-down picture is flipped to bottom-up.
//
// Caller: DecodeImage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "image/packed_dib.h"

namespace skyweave {

// Copies `dib` (from its bitmap header to the end of the input). When the
// input was a BMP file, `stated_pixel_offset` is the pixel offset its file
// header gives, relative to `dib` (bfOffBits - 14); it is used when it lies
// past the colour area and the rows fit from there. 0 when there is none.
// *error_text (when not null) is set on failure only.
PackedDib CopyPackedDib(std::span<const std::uint8_t> dib, std::size_t stated_pixel_offset,
                        const char** error_text);

}  // namespace skyweave
