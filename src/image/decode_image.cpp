// DecodeImage (decode_image.h): tells the input's kind by its first bytes,
// reads it into a PackedDib and brings it to the screen's format and the
// renderer's stride.
#include "image/decode_image.h"

#include "image/depth_code.h"
#include "image/dib_copy.h"
#include "image/error_texts.h"
#include "image/jpeg_codec.h"
#include "image/match_screen_depth.h"
#include "image/screen_depth.h"
#include "image/stride_padding.h"
#include "image/video_codec.h"

namespace skyweave {
namespace {

constexpr std::size_t kBmpFileHeaderSize = 14;

bool StartsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> prefix) {
    if (bytes.size() < prefix.size()) {
        return false;
    }
    std::size_t i = 0;
    for (std::uint8_t byte : prefix) {
        if (bytes[i++] != byte) {
            return false;
        }
    }
    return true;
}

// Reads the input in whatever form it comes; null with *failure set (or
// left null) when it cannot.
PackedDib ReadInput(std::span<const std::uint8_t> bytes, int screen_depth,
                    const DecodeLimits& limits, const char** failure) {
    std::span<const std::uint8_t> bitmap = bytes;
    std::size_t stated_pixel_offset = 0;
    if (StartsWith(bytes, {'B', 'M'})) {
        if (bytes.size() < kBmpFileHeaderSize) {
            *failure = kTextUnsupportedFormat;
            return {};
        }
        const std::uint32_t offset = LoadU32(bytes.subspan(10));
        stated_pixel_offset = offset > kBmpFileHeaderSize ? offset - kBmpFileHeaderSize : 0;
        bitmap = bytes.subspan(kBmpFileHeaderSize);
    }
    if (bitmap.size() >= 4 && LoadU32(bitmap) == kBitmapHeaderSize) {
        if (bitmap.size() < kBitmapHeaderSize) {
            *failure = kTextUnsupportedFormat;
            return {};
        }
        const std::uint32_t compression = LoadU32(bitmap.subspan(16));
        if (compression != kBiRgb && compression != kBiBitfields) {
            // No video codecs on this platform: the path reports so.
            return DecodeWithVideoCodec(bitmap, screen_depth, nullptr, failure);
        }
        return CopyPackedDib(bitmap, stated_pixel_offset, failure);
    }
    if (StartsWith(bitmap, {0xFF, 0xD8, 0xFF, 0xE0})) {
        return JPGImageDecompress(bitmap, static_cast<std::uint16_t>(screen_depth), 0, failure,
                                  limits);
    }
    *failure = kTextUnsupportedFormat;
    return {};
}

}  // namespace

PackedDib DecodeImage(std::span<const std::uint8_t> bytes, const char** error_text,
                      const DecodeLimits& limits) {
    const char* failure = nullptr;
    if (error_text != nullptr) {
        *error_text = nullptr;
    }
    int screen_depth = limits.screen_depth;
    if (screen_depth == 0) {
        screen_depth = RefreshScreenDepth();
    } else {
        SetScreenDepth(screen_depth);
    }

    PackedDib image;
    if (limits.Cancelled()) {
        failure = kTextDecodeCancelled;
    } else {
        image = ReadInput(bytes, screen_depth, limits, &failure);
    }
    if (image && limits.Cancelled()) {
        // The conversions below are whole-picture passes: not worth starting.
        image = PackedDib();
        failure = kTextDecodeCancelled;
    }
    if (!image || !image.PixelsFit() || image.Height() < 0 || !IsPictureDepth(image.DepthCode())) {
        if (failure == nullptr) {
            failure = kTextUnsupportedFormat;
        }
        image = PackedDib();
    } else {
        // MatchScreenDepth leaves `failure` null when the 256-colour
        // reduction fails in its decompression step.
        image = MatchScreenDepth(std::move(image), screen_depth, &failure);
        if (image) {
            image = PadWidthToMultipleOf4(std::move(image), &failure);
        }
    }
    if (!image && error_text != nullptr) {
        *error_text = failure;
    }
    return image;
}

}  // namespace skyweave
