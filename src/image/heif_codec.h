// HEIF pictures through libheif: HEIC (HEVC-coded, what phones write) and
// AVIF (AV1-coded), their grids of tiles, alpha (laid over black), and the
// rotation, mirroring and crop the file asks for, which libheif applies.
// An XMP metadata block may carry Photo Sphere fields.
// Pictures above 8 bits a sample are brought to 8.
//
// libheif decodes the whole primary picture into planes and then an RGB
// buffer of its own; together they may take twice
// DecodeLimits::max_decoder_memory. A derived picture (grid, overlay,
// identity) whose referenced pictures add up to more than 2.5 x 2^27 pixels
// (or twice DecodeLimits::max_stream_pixels) is refused from its boxes
// before libheif reads the file. Its rows
// then go to a PictureBuilder, whose area filter reduces a picture larger
// than the limits allow. The decode itself cannot be interrupted:
// the cancel flag is looked at before it and between the rows after it.
//
// Caller: DecodeImage.
#pragma once

#include <cstdint>
#include <span>

#include "image/decode_limits.h"
#include "image/packed_dib.h"
#include "image/picture_facts.h"

namespace skyweave {

// Decodes the HEIF file `data` into a bottom-up 24-bit PackedDib. Null on
// failure with *error_text (when not null) set to libheif's own message,
// "Insufficient system memory" or "Decoding cancelled".
PackedDib DecodeHeif(std::span<const std::uint8_t> data, const DecodeLimits& limits,
                     const char** error_text);

// The primary picture's size (after the file's own turn) and the Photo
// Sphere fields of its XMP metadata block (picture_facts.h). The Exif
// orientation of a HEIF file is never applied on top of its own turn.
PictureFacts ProbeHeif(std::span<const std::uint8_t> data);

}  // namespace skyweave
