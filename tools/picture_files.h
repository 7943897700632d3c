// Writing a presented picture to disk for skyweave-render: expansion of the
// target's pixels to 24 bits and the PNG and BMP writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/memory_draw_target.h"

namespace skyweave {

// A 24-bit picture, rows top first, each width x 3 bytes red, green, blue.
struct RgbPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;
};

// The target's pixels as 24 bits by the picture model's rules: 8-bit through
// the colour table of the last frame (an index past its end gives black),
// 15- and 16-bit by the 5-5-5 and 5-6-5 expansions (low bits zero), 24-bit
// as they are.
RgbPicture ExpandTo24Bits(const MemoryDrawTarget& target);

// Writes `picture` as PNG (8-bit RGB, no interlace) through libpng. Returns
// an empty string, or the reason it failed.
std::string WritePng(const RgbPicture& picture, const std::string& path);

// Writes `picture` as an uncompressed 24-bit BMP file (bottom-up rows padded
// to 4 bytes). Returns an empty string, or the reason it failed.
std::string WriteBmp(const RgbPicture& picture, const std::string& path);

}  // namespace skyweave
