// ProbeImage (picture_facts.h): the same choice of codec as DecodeImage,
// asking each only for its headers.
#include <cstdlib>

#include "image/bitmap_header.h"
#include "image/heif_codec.h"
#include "image/jpeg_codec.h"
#include "image/picture_facts.h"
#include "image/png_codec.h"
#include "image/webp_codec.h"

namespace skyweave {
namespace {

constexpr std::size_t kBmpFileHeaderSize = 14;

// A bitmap's own size; bitmaps carry no metadata.
PictureFacts ProbeBitmap(std::span<const std::uint8_t> dib, ImageFormat format) {
    PictureFacts facts;
    facts.format = format;
    if (dib.size() >= kBitmapHeaderSize) {
        const auto width = static_cast<std::int32_t>(LoadU32(dib.subspan(4)));
        const auto height = static_cast<std::int32_t>(LoadU32(dib.subspan(8)));
        if (width > 0 && height != 0 && height != INT32_MIN) {
            facts.width = width;
            facts.height = std::abs(height);
        }
    }
    return facts;
}

}  // namespace

PictureFacts ProbeImage(std::span<const std::uint8_t> bytes) {
    const bool bmp_file = ImageFormatOf(bytes) == ImageFormat::kBmpFile;
    PictureFacts unknown;
    unknown.format = bmp_file ? ImageFormat::kBmpFile : ImageFormat::kUnknown;
    if (bmp_file && bytes.size() < kBmpFileHeaderSize) {
        return unknown;
    }
    const std::span<const std::uint8_t> stream =
        bmp_file ? bytes.subspan(kBmpFileHeaderSize) : bytes;
    switch (ImageFormatOf(stream)) {
        case ImageFormat::kDib:
            return ProbeBitmap(stream, bmp_file ? ImageFormat::kBmpFile : ImageFormat::kDib);
        case ImageFormat::kJpeg:
            return ProbeJpeg(stream);
        case ImageFormat::kPng:
            return ProbePng(stream);
        case ImageFormat::kWebp:
            return ProbeWebp(stream);
        case ImageFormat::kHeif:
            return ProbeHeif(stream);
        case ImageFormat::kBmpFile:
        case ImageFormat::kUnknown:
            break;
    }
    return unknown;
}

}  // namespace skyweave
