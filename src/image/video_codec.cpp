// The codec path (video_codec.h).
#include "image/video_codec.h"

#include "image/codec_failure.h"
#include "image/depth_code.h"
#include "image/error_texts.h"

namespace skyweave {

VideoCodecRequest BuildVideoCodecRequest(const BitmapInfoHeader& input, int screen_depth) {
    VideoCodecRequest request;
    request.header = input;
    request.header.biCompression = screen_depth == kDepth16 ? kBiBitfields : kBiRgb;
    request.header.biSizeImage = 0;
    request.header.biBitCount = static_cast<std::uint16_t>(
        screen_depth == kDepth15 ? 16 : static_cast<std::uint16_t>(screen_depth));
    request.header.biClrUsed = request.header.biCompression == kBiBitfields ? 3 : 0;
    request.header.biClrImportant = 0;
    return request;
}

PackedDib DecodeWithVideoCodec(std::span<const std::uint8_t> dib, int screen_depth,
                               VideoCodecDecompress decompress, const char** error_text) {
    const auto fail = [error_text](const char* text) {
        if (error_text != nullptr) {
            *error_text = text;
        }
        return PackedDib();
    };
    if (decompress == nullptr) {
        return fail(kTextNoVideoForWindows);
    }
    const BitmapInfoHeader input = ReadBitmapHeader(dib);
    PackedDib result = decompress(input, dib.subspan(kBitmapHeaderSize),
                                  BuildVideoCodecRequest(input, screen_depth));
    if (!result) {
        return fail(CodecFailureText(input.biCompression));
    }
    return result;
}

}  // namespace skyweave
