// The codec path of DecodeImage: a packed DIB whose pixels a video codec
// compressed (biCompression holds the codec's FourCC).
//
// Such bitmaps go to the platform's video-codec decompressor. This platform
// has none, so the program always passes a null decompressor and the path
// fails with "MS Video for Windows not installed"; the decompressor is a
// parameter so that the request and the failure text are exercised all the
// same. Caller: DecodeImage.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "image/bitmap_header.h"
#include "image/packed_dib.h"

namespace skyweave {

// The output format asked of a codec: a header and three mask words.
struct VideoCodecRequest {
    BitmapInfoHeader header;
    std::array<std::uint32_t, 3> masks{kMask565Red, kMask565Green, kMask565Blue};
};

// A decompressor: `input` is the bitmap's header, `bits` the compressed data
// after it; the result is a picture in the requested format, or null.
using VideoCodecDecompress = PackedDib (*)(const BitmapInfoHeader& input,
                                           std::span<const std::uint8_t> bits,
                                           const VideoCodecRequest& request);

// The request for an input header at screen depth `screen_depth`: the input
// header with biCompression 3 at depth 16 (else 0), biSizeImage 0, biBitCount
// 16 at depth 15 (else the depth), biClrUsed 3 with bit fields (else 0) and
// biClrImportant 0.
VideoCodecRequest BuildVideoCodecRequest(const BitmapInfoHeader& input, int screen_depth);

// Decodes the packed DIB `dib` (at least 40 bytes) through `decompress`.
// Null `decompress`: fails with "MS Video for Windows not installed". A
// decompressor that returns null: fails with the codec-failure text
// (codec_failure.h) for the input's FourCC. *error_text (when not null) is
// set on failure only.
PackedDib DecodeWithVideoCodec(std::span<const std::uint8_t> dib, int screen_depth,
                               VideoCodecDecompress decompress, const char** error_text);

}  // namespace skyweave
