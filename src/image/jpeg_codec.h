// The JPEG library's call contract, on libjpeg-turbo: JPGImageDecompress and
// JPGImageCompress.
//
// Callers: DecodeImage's JPEG path (at the screen depth), the 256-colour
// reduction of MatchScreenDepth (compress at quality 100, decompress at 8)
// and the saver's splash picture (decompress at 24).
//
// Failures never end the process: a corrupt or truncated stream returns null
// with the library's own message text. That text lives in a per-thread
// buffer owned by this adapter; a later failure on the same thread
// overwrites it, so callers copy it if they keep it past the next call.
#pragma once

#include <cstdint>
#include <span>

#include "image/decode_limits.h"
#include "image/packed_dib.h"
#include "image/picture_facts.h"
#include "platform/core/memory_block.h"

namespace skyweave {

// Decompresses the JFIF stream `data` into a bottom-up PackedDib:
//   depth 8   8-bit with a colour table of up to 256 entries from libjpeg's
//             two-pass quantizer (Floyd-Steinberg dithered);
//   depth 15  16-bit 5-5-5, biCompression 0;
//   depth 16  16-bit 5-6-5, biCompression 3, the masks, biClrUsed 3;
//   otherwise 24-bit blue, green, red.
// The width is the stream's own (no stride padding). `flags` is reserved
// (0). Null on failure; then *error_text (when `error_text` is not null)
// receives the library's message, or "Insufficient system memory" when the
// stream claims more than limits.max_stream_pixels (2^30 unless the caller
// says less), the block cannot be had or the
// library's buffers would pass limits.max_decoder_memory; "Too many
// progressive JPEG scans" past limits.max_progressive_scans or
// limits.max_scan_blocks (counted from the markers before the first scan is
// decoded); "Decoding cancelled" when limits.cancel was set.
PackedDib JPGImageDecompress(std::span<const std::uint8_t> data, std::uint16_t depth,
                             std::uint32_t flags, const char** error_text,
                             const DecodeLimits& limits = {});

// DecodeImage's JPEG path: any stream that starts FF D8 FF, whatever
// marker follows. Grey and YCbCr streams take JPGImageDecompress's own path
// at `depth`, pixel for pixel; CMYK and YCCK streams (Adobe's inverted
// form when an Adobe marker says so) and streams whose Exif orientation
// (in an APP1 segment, after a JFIF one or not) is not 1 become a 24-bit
// blue, green, red picture, turned upright. A stream larger than the
// limits' picture size is decoded at the smallest DCT scale reduction that
// fits (picture_fit.h), and through the area filter when even 1/8 does
// not. Failures as for
// JPGImageDecompress; a 12-bit stream fails with the library's
// "Unsupported JPEG data precision 12".
PackedDib DecodeJpeg(std::span<const std::uint8_t> data, std::uint16_t depth,
                     const DecodeLimits& limits, const char** error_text);

// The stream's size, Exif orientation and Photo Sphere fields from its
// headers (picture_facts.h).
PictureFacts ProbeJpeg(std::span<const std::uint8_t> data);

// Compresses the picture described by `header` with the pixel run `bits`
// (rows of biWidth * biBitCount / 8 bytes without padding, bottom-up for a
// positive biHeight, top-down for a negative one) at `quality` (1-100; the
// system always asks 100) as a baseline JFIF stream. Accepted formats: 15,
// 16, 24 and 32 bits (8-bit pictures carry no colour table here and are
// refused). `flags` is reserved (0). The result holds exactly the stream;
// empty on failure, with *error_text set as for JPGImageDecompress.
MemoryBlock JPGImageCompress(const BitmapInfoHeader& header, std::span<const std::uint8_t> bits,
                             std::uint16_t quality, std::uint32_t flags, const char** error_text);

}  // namespace skyweave
