// Test helpers for the image tests: BMP and DIB bytes built by hand, a
// reference JPEG decoder straight on libjpeg (independent of the adapter
// under test), file reading and the screen depth a test runs at.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "image/packed_dib.h"

namespace skyweave::test {

using Bytes = std::vector<std::uint8_t>;

// The whole file at `path` (relative paths are taken from the source tree).
Bytes ReadSourceFile(const std::string& relative_path);

// A sample panorama from samples/ ("city.jpg" and the like).
Bytes ReadSample(const std::string& name);

// A picture as a reference decoder sees it: rows top first, 3 bytes per
// pixel in red, green, blue order.
struct RgbPicture {
    int width = 0;
    int height = 0;
    Bytes rgb;
    const std::uint8_t* At(int x, int y) const {
        return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    }
};

// Decodes `jpeg` with libjpeg's defaults to RGB; fails the test on error.
RgbPicture ReferenceDecode(std::span<const std::uint8_t> jpeg);

// What EncodeJpeg writes. Every field has a plain default: a 16 x 16 colour
// baseline stream with Huffman coding at quality 90.
struct JpegRecipe {
    int width = 16;
    int height = 16;
    int components = 3;        // 1: grey; 3: RGB (stored as YCbCr)
    bool arithmetic = false;   // arithmetic instead of Huffman coding
    bool progressive = false;  // libjpeg's own progression (about ten scans)
    // Above 0: a progressive stream of many scans instead (grey only): the
    // DC scan, then each of the 63 AC coefficients on its own, first with
    // the low `refine_bits` bits left out and then refined one bit per
    // scan: 1 + 63 * (refine_bits + 1) scans.
    int refine_bits = 0;
    int quality = 90;
};

// Row `y` (top first) of the picture to encode, `width * components`
// samples; the default fills every sample with 128.
using RowFiller = std::function<void(int y, std::uint8_t* row)>;

// A JPEG stream from libjpeg's encoder; fails the test on error.
Bytes EncodeJpeg(const JpegRecipe& recipe, const RowFiller& fill = {});

// Rewrites the size in the stream's frame header, leaving the data as it
// is: a claim the data does not back, as crafted files make.
void ClaimJpegSize(Bytes& jpeg, int width, int height);

// Header fields for the builders below.
struct DibSpec {
    std::int32_t width = 0;
    std::int32_t height = 0;  // negative: rows given top first
    std::uint16_t bit_count = 24;
    std::uint32_t compression = 0;
    std::uint32_t clr_used = 0;
    std::uint32_t header_size = 40;
};

// A packed DIB: header (`header_size` bytes, the first 40 filled), then
// `colors` verbatim, then the given rows, each followed by `row_pad` zero
// bytes.
Bytes BuildDib(const DibSpec& layout, std::span<const std::uint8_t> colors,
               const std::vector<Bytes>& rows, std::size_t row_pad);

// A BMP file: the 14-byte file header (bfOffBits pointing right after the
// colour area plus `gap` bytes) in front of BuildDib's bytes, with every row
// padded to a multiple of 4 bytes as files are.
Bytes BuildBmp(const DibSpec& layout, std::span<const std::uint8_t> colors,
               const std::vector<Bytes>& rows, std::size_t gap = 0);

// Makes every DecodeImage of this process see screen depth `depth`.
void UseScreenDepth(int depth);

}  // namespace skyweave::test
