// Telling picture streams apart by their first bytes.
#include "image/image_format.h"

#include <algorithm>
#include <array>

#include "image/bitmap_header.h"

namespace skyweave {
namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint8_t kJpegStart[] = {0xFF, 0xD8, 0xFF};
constexpr std::uint8_t kRiff[] = {'R', 'I', 'F', 'F'};
constexpr std::uint8_t kWebp[] = {'W', 'E', 'B', 'P'};
constexpr std::uint8_t kFileType[] = {'f', 't', 'y', 'p'};

// Brands of still HEIF pictures: HEVC-coded (HEIC), AV1-coded (AVIF), and
// the generic image brands both carry.
constexpr std::array<std::array<char, 4>, 8> kHeifBrands = {{
    {'h', 'e', 'i', 'c'},
    {'h', 'e', 'i', 'x'},
    {'h', 'e', 'i', 'm'},
    {'h', 'e', 'i', 's'},
    {'m', 'i', 'f', '1'},
    {'m', 's', 'f', '1'},
    {'a', 'v', 'i', 'f'},
    {'a', 'v', 'i', 's'},
}};

bool IsHeifBrand(std::span<const std::uint8_t> brand) {
    return std::any_of(kHeifBrands.begin(), kHeifBrands.end(), [&](const auto& known) {
        return std::equal(known.begin(), known.end(), brand.begin(),
                          [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
    });
}

// An ISO base media file starts with its "ftyp" box: a big-endian size, the
// type, the major brand, a minor version and compatible brands to the end
// of the box. Only the bytes given are looked at.
bool StartsHeif(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 16 || !StartsWith(bytes.subspan(4), kFileType)) {
        return false;
    }
    const std::size_t box = std::size_t{bytes[0]} << 24 | std::size_t{bytes[1]} << 16 |
                            std::size_t{bytes[2]} << 8 | bytes[3];
    if (box < 16) {
        return false;
    }
    if (IsHeifBrand(bytes.subspan(8, 4))) {
        return true;
    }
    const std::size_t end = std::min(box, bytes.size());
    for (std::size_t at = 16; at + 4 <= end; at += 4) {
        if (IsHeifBrand(bytes.subspan(at, 4))) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool StartsRiff(std::span<const std::uint8_t> bytes) {
    return StartsWith(bytes, kRiff);
}

ImageFormat ImageFormatOf(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        return ImageFormat::kBmpFile;
    }
    if (bytes.size() >= 4 && LoadU32(bytes) == kBitmapHeaderSize) {
        return ImageFormat::kDib;
    }
    // Start of image and the first byte of the next marker, whichever it is.
    if (bytes.size() >= 4 && StartsWith(bytes, kJpegStart)) {
        return ImageFormat::kJpeg;
    }
    if (StartsWith(bytes, kPngSignature)) {
        return ImageFormat::kPng;
    }
    if (StartsRiff(bytes) && bytes.size() >= 12 && StartsWith(bytes.subspan(8), kWebp)) {
        return ImageFormat::kWebp;
    }
    if (StartsHeif(bytes.first(std::min(bytes.size(), kSignatureBytes)))) {
        return ImageFormat::kHeif;
    }
    return ImageFormat::kUnknown;
}

}  // namespace skyweave
