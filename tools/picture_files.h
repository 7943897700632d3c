// Pictures on disk for the tools: expansion of skyweave-render's target to
// 24 bits and its PNG and BMP writers, and the picture streams skyweave-pan
// stores in a container.
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

// Makes `stream` (a whole picture file) one that a panorama container can
// hold: a JPEG, BMP or bare bitmap stream, or bytes of no known format, stay
// as they are; a PNG, WebP or HEIF picture is decoded (turned upright) and
// stored again as a JPEG of quality 95, or with `lossless` as a 24-bit BMP
// file. Returns an empty string, or why the picture cannot be stored.
std::string MakeStorable(std::vector<std::uint8_t>& stream, bool lossless);

}  // namespace skyweave
