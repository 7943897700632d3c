// Test helpers for the image tests: BMP and DIB bytes built by hand, a
// reference JPEG decoder straight on libjpeg (independent of the adapter
// under test), file reading and the screen depth a test runs at.
#pragma once

#include <cstdint>
#include <filesystem>
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
