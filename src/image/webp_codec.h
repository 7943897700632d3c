// WebP through libwebp: lossy and lossless streams, with or without alpha
// (laid over black). An animation gives its first frame. The Exif
// orientation of an EXIF chunk is applied; an XMP chunk may carry Photo
// Sphere fields.
//
// libwebp decodes into a buffer of its own format (the whole picture, or
// the reduced one when the picture is larger than the limits allow: libwebp
// then scales while it decodes), fed in pieces so that a
// cancellation takes hold between them; its rows then go to a
// PictureBuilder. That buffer, and for a lossless stream the decoder's own
// copy of the whole stated picture at 4 bytes a pixel, count together
// against DecodeLimits::max_decoder_memory: a lossless stream stating more
// than about 2^26 pixels fails with "Insufficient system memory" before a
// byte is allocated.
//
// Caller: DecodeImage.
#pragma once

#include <cstdint>
#include <span>

#include "image/decode_limits.h"
#include "image/packed_dib.h"
#include "image/picture_facts.h"

namespace skyweave {

// Decodes the WebP stream `data` ("RIFF", a length, "WEBP", chunks) into a
// bottom-up 24-bit PackedDib. Null on failure with *error_text (when not
// null) set to one of the WebP texts below, "Insufficient system memory"
// or "Decoding cancelled".
PackedDib DecodeWebp(std::span<const std::uint8_t> data, const DecodeLimits& limits,
                     const char** error_text);

// The stream's canvas size, Exif orientation and Photo Sphere fields from
// its chunks (picture_facts.h).
PictureFacts ProbeWebp(std::span<const std::uint8_t> data);

inline constexpr const char* kTextCorruptWebp = "Corrupt WebP data";
inline constexpr const char* kTextUnsupportedWebp = "Unsupported WebP feature";
inline constexpr const char* kTextShortWebp = "Premature end of WebP data";

}  // namespace skyweave
