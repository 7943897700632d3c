// PNG through libpng: every bit depth (1 to 16) of grey, palette, RGB and
// their alpha forms, transparency chunks, and Adam7 interlacing.
//
// Rows go to a PictureBuilder as libpng gives them, 16-bit samples rounded
// to 8 bits and alpha laid over black, reduced by its area filter when the
// picture is larger than the limits allow. An interlaced picture needs every
// row before any is complete, so it is held whole once at 8 bits a sample;
// that copy counts against DecodeLimits::max_decoder_memory. Gamma and
// colour-profile chunks are not applied. An Exif orientation (an eXIf
// chunk) and Photo Sphere XMP (the iTXt chunk "XML:com.adobe.xmp") count
// when they come before the picture data, as their specifications ask.
//
// Caller: DecodeImage.
#pragma once

#include <cstdint>
#include <span>

#include "image/decode_limits.h"
#include "image/packed_dib.h"
#include "image/picture_facts.h"

namespace skyweave {

// Decodes the PNG stream `data` into a bottom-up 24-bit PackedDib. Null on
// failure with *error_text (when not null) set to libpng's own message,
// "Insufficient system memory" for a picture over 2^30 pixels or memory
// that cannot be had, or "Decoding cancelled".
PackedDib DecodePng(std::span<const std::uint8_t> data, const DecodeLimits& limits,
                    const char** error_text);

// The stream's size, Exif orientation and Photo Sphere fields from its
// chunks before the picture data (picture_facts.h).
PictureFacts ProbePng(std::span<const std::uint8_t> data);

}  // namespace skyweave
