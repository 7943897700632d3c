// Depth codes: the numbers that name a pixel format, for pictures, frames and
// the screen.
//
//   8   8-bit palette index, colour table in the colour area
//   15  16-bit 5-5-5 (biCompression 0), no colour area
//   16  16-bit 5-6-5 (biCompression 3), the three masks 0xF800, 0x07E0, 0x001F
//   24  24-bit blue, green, red, no colour area
//   32  32-bit blue, green, red, ignored byte; input pictures only
//
// Callers: PackedDib, MatchScreenDepth, the JPEG adapters, the engine and the
// renderer's dispatch.
#pragma once

#include <cstdint>

namespace skyweave {

inline constexpr int kDepth8 = 8;
inline constexpr int kDepth15 = 15;
inline constexpr int kDepth16 = 16;
inline constexpr int kDepth24 = 24;
inline constexpr int kDepth32 = 32;

// The depth code of a picture: `bit_count` (biBitCount), except that 16 with
// `compression` (biCompression) 0 gives 15.
constexpr int DepthCodeOf(std::uint16_t bit_count, std::uint32_t compression) {
    if (bit_count == 16 && compression == 0) {
        return kDepth15;
    }
    return bit_count;
}

// Whether `depth` is a format a decoded picture may have (8, 15, 16, 24, 32).
constexpr bool IsPictureDepth(int depth) {
    return depth == kDepth8 || depth == kDepth15 || depth == kDepth16 || depth == kDepth24 ||
           depth == kDepth32;
}

// The biBitCount that stores depth code `depth` (15 is stored as 16).
constexpr std::uint16_t BitCountOfDepth(int depth) {
    return static_cast<std::uint16_t>(depth == kDepth15 ? 16 : depth);
}

// Bytes per pixel of a bit count: biBitCount / 8.
constexpr int BytesPerPixelOf(std::uint16_t bit_count) {
    return bit_count / 8;
}

}  // namespace skyweave
