// DecodeImage (decode_image.h): tells the input's kind by its first bytes,
// reads it into a PackedDib and brings it to the screen's format and the
// renderer's stride.
#include "image/decode_image.h"

#include <new>
#include <utility>
#include <vector>

#include "image/depth_code.h"
#include "image/dib_copy.h"
#include "image/error_texts.h"
#include "image/heif_codec.h"
#include "image/image_format.h"
#include "image/jpeg_codec.h"
#include "image/match_screen_depth.h"
#include "image/picture_builder.h"
#include "image/picture_fit.h"
#include "image/png_codec.h"
#include "image/screen_depth.h"
#include "image/stride_padding.h"
#include "image/video_codec.h"
#include "image/webp_codec.h"

namespace skyweave {
namespace {

constexpr std::size_t kBmpFileHeaderSize = 14;

// A bitmap larger than the limits allow, reduced: brought to 24 bits (an
// 8-bit one through its colour table) and its rows folded into a builder
// from the top. Bitmaps lie in memory whole, so this costs the copy once
// more at its reduced size.
PackedDib FitBitmap(PackedDib picture, const DecodeLimits& limits, const char** failure) {
    if (!picture || !picture.PixelsFit() || picture.Height() <= 0 ||
        FitsWithin(picture.Width(), picture.Height(), limits)) {
        return picture;
    }
    if (picture.DepthCode() != kDepth8) {
        picture = MatchScreenDepth(std::move(picture), kDepth24, failure);
        if (!picture) {
            return {};
        }
    }
    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    PictureBuilder builder(FittedGeometry(width, height, 1, limits), failure);
    if (!builder.Ready()) {
        return {};
    }
    const std::span<const std::uint8_t> pixels = std::as_const(picture).Pixels();
    const std::span<const std::uint8_t> table = picture.ColorTable();
    std::vector<std::uint8_t> expanded(static_cast<std::size_t>(width) * 3);
    for (std::int32_t y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = pixels.data() + static_cast<std::size_t>(y) * picture.RowBytes();
        if (picture.DepthCode() == kDepth8) {
            for (std::int32_t x = 0; x < width; ++x) {
                const std::size_t entry = 4 * std::size_t{row[x]};
                for (std::size_t c = 0; c < 3; ++c) {
                    expanded[3 * x + c] = entry + c < table.size() ? table[entry + c] : 0;
                }
            }
            row = expanded.data();
        }
        builder.AddRow(row, RowLayout::kBgr);
    }
    return builder.Finish();
}

// Reads the input in whatever form it comes; null with *failure set (or
// left null) when it cannot.
PackedDib ReadInput(std::span<const std::uint8_t> bytes, int screen_depth,
                    const DecodeLimits& limits, const char** failure) {
    std::span<const std::uint8_t> stream = bytes;
    std::size_t stated_pixel_offset = 0;
    if (ImageFormatOf(bytes) == ImageFormat::kBmpFile) {
        if (bytes.size() < kBmpFileHeaderSize) {
            *failure = kTextUnsupportedFormat;
            return {};
        }
        const std::uint32_t offset = LoadU32(bytes.subspan(10));
        stated_pixel_offset = offset > kBmpFileHeaderSize ? offset - kBmpFileHeaderSize : 0;
        stream = bytes.subspan(kBmpFileHeaderSize);
    }
    switch (ImageFormatOf(stream)) {
        case ImageFormat::kDib: {
            if (stream.size() < kBitmapHeaderSize) {
                *failure = kTextUnsupportedFormat;
                return {};
            }
            const std::uint32_t compression = LoadU32(stream.subspan(16));
            if (compression != kBiRgb && compression != kBiBitfields) {
                // No video codecs on this platform: the path reports so.
                return DecodeWithVideoCodec(stream, screen_depth, nullptr, failure);
            }
            return FitBitmap(CopyPackedDib(stream, stated_pixel_offset, failure), limits, failure);
        }
        case ImageFormat::kJpeg:
            return DecodeJpeg(stream, static_cast<std::uint16_t>(screen_depth), limits, failure);
        case ImageFormat::kPng:
            return DecodePng(stream, limits, failure);
        case ImageFormat::kWebp:
            return DecodeWebp(stream, limits, failure);
        case ImageFormat::kHeif:
            return DecodeHeif(stream, limits, failure);
        case ImageFormat::kBmpFile:
        case ImageFormat::kUnknown:
            break;
    }
    *failure = kTextUnsupportedFormat;
    return {};
}

// ReadInput with the checks every caller needs: a picture whose pixels fit
// its block, bottom-up, of a depth the model knows; null with *failure set
// otherwise.
PackedDib ReadPicture(std::span<const std::uint8_t> bytes, int screen_depth,
                      const DecodeLimits& limits, const char** failure) {
    PackedDib image;
    if (limits.Cancelled()) {
        *failure = kTextDecodeCancelled;
        return {};
    }
    try {
        image = ReadInput(bytes, screen_depth, limits, failure);
    } catch (const std::bad_alloc&) {
        // A codec's row buffers; the picture itself never throws.
        *failure = kTextInsufficientMemory;
        return {};
    }
    if (image && limits.Cancelled()) {
        *failure = kTextDecodeCancelled;
        return {};
    }
    if (!image || !image.PixelsFit() || image.Height() < 0 || !IsPictureDepth(image.DepthCode())) {
        if (*failure == nullptr) {
            *failure = kTextUnsupportedFormat;
        }
        return {};
    }
    return image;
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
    PackedDib image = ReadPicture(bytes, screen_depth, limits, &failure);
    if (image) {
        // The conversions are whole-picture passes: the picture is ready
        // now, so a cancellation no longer saves anything. MatchScreenDepth
        // leaves `failure` null when the 256-colour reduction fails in its
        // decompression step.
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

PackedDib DecodePicture(std::span<const std::uint8_t> bytes, const char** error_text,
                        const DecodeLimits& limits) {
    const char* failure = nullptr;
    PackedDib image = ReadPicture(bytes, kDepth24, limits, &failure);
    if (error_text != nullptr) {
        *error_text = image ? nullptr : failure;
    }
    return image;
}

}  // namespace skyweave
