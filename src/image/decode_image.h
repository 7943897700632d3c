// DecodeImage: turns the bytes of a panorama's image into a PackedDib in the
// screen's pixel format. The loader calls it once per load.
//
// Accepted input, told apart by the first bytes (image_format.h):
//   "BM"              a BMP file: 14-byte file header, then a 40-byte header;
//   u32 40            a bare packed DIB (header, colour area, pixels);
//                     biCompression 0 or 3 is copied, any other value is a
//                     video codec's FourCC (no such codecs exist here, so it
//                     fails with "MS Video for Windows not installed");
//   FF D8 FF          a JPEG stream, JFIF or not (jpeg_codec.h);
//   the PNG signature a PNG stream (png_codec.h);
//   "RIFF"..."WEBP"   a WebP stream (webp_codec.h);
//   an "ftyp" box     a HEIF file, HEIC or AVIF (heif_codec.h).
//
// A picture larger than the limits allow (DecodeLimits::max_pixels,
// max_width, max_height) comes at a reduced scale that fits: each codec
// says how (picture_fit.h); a bitmap is reduced by the area filter after
// its copy.
//
// The result is bottom-up, in the screen depth (MatchScreenDepth), with rows
// unpadded, and with a width that is a multiple of 4 pixels: the renderer
// rounds the width up to a multiple of 4 and uses it as its row stride, so a
// narrower picture is widened by repeating its last column (see
// stride_padding.h for why). The engine can use the picture as it comes.
//
// On failure the result is null and *error_text points to a constant text
// the caller never frees: one of error_texts.h, the codec-failure buffer
// (codec_failure.h), a codec's own text (the JPEG library's message, those
// of png_codec.h, webp_codec.h, heif_codec.h); it stays null only when the
// 256-colour reduction failed in its decompression step.
#pragma once

#include <cstdint>
#include <span>

#include "image/decode_limits.h"
#include "image/packed_dib.h"

namespace skyweave {

// Sets the screen depth (limits.screen_depth, or RefreshScreenDepth from
// screen_depth.h when that is 0) and decodes `bytes` (the whole image, any
// length, untrusted) within `limits` (decode_limits.h; the default keeps
// every picture that decoded before). `error_text` may be null; otherwise it
// is set to null first and to the failure text on failure, "Decoding
// cancelled" when limits.cancel was set before the picture was ready.
PackedDib DecodeImage(std::span<const std::uint8_t> bytes, const char** error_text,
                      const DecodeLimits& limits = {});

// The picture as its codec gives it, for tools that store it again: the
// same decode without the screen's format and the renderer's stride, so
// bitmaps keep their depth and everything else is 24-bit, at its own
// width. limits.screen_depth is not used and the screen depth is left
// alone. Failures as for DecodeImage.
PackedDib DecodePicture(std::span<const std::uint8_t> bytes, const char** error_text,
                        const DecodeLimits& limits = {});

}  // namespace skyweave
