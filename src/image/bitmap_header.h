// BitmapInfoHeader: the 40-byte header at the start of every PackedDib, and
// the little-endian byte access that reads and writes it.
//
// The header is kept in the block as bytes (the layout of files and of
// in-memory pictures is the same); this struct is a decoded copy. Callers:
// PackedDib, the BMP/DIB reader, the JPEG adapters and the engine, which
// builds frame headers.
#pragma once

#include <cstdint>
#include <span>

namespace skyweave {

inline constexpr std::uint32_t kBitmapHeaderSize = 40;
inline constexpr std::uint32_t kBiRgb = 0;        // biCompression: plain pixels
inline constexpr std::uint32_t kBiBitfields = 3;  // biCompression: colour masks follow
inline constexpr std::uint32_t kMask565Red = 0xF800;
inline constexpr std::uint32_t kMask565Green = 0x07E0;
inline constexpr std::uint32_t kMask565Blue = 0x001F;

struct BitmapInfoHeader {
    std::uint32_t biSize = kBitmapHeaderSize;
    std::int32_t biWidth = 0;   // pixels per row
    std::int32_t biHeight = 0;  // rows; positive: bottom row first
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;  // bits per pixel
    std::uint32_t biCompression = kBiRgb;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;  // colour-table entries (3 for the masks of 5-6-5)
    std::uint32_t biClrImportant = 0;

    friend bool operator==(const BitmapInfoHeader&, const BitmapInfoHeader&) = default;
};

// Little-endian loads and stores; `bytes` must hold the whole value.
std::uint16_t LoadU16(std::span<const std::uint8_t> bytes);
std::uint32_t LoadU32(std::span<const std::uint8_t> bytes);
std::int32_t LoadI32(std::span<const std::uint8_t> bytes);
void StoreU16(std::span<std::uint8_t> bytes, std::uint16_t value);
void StoreU32(std::span<std::uint8_t> bytes, std::uint32_t value);
void StoreI32(std::span<std::uint8_t> bytes, std::int32_t value);

// Reads the header from the first 40 bytes of `bytes` (at least 40 long).
BitmapInfoHeader ReadBitmapHeader(std::span<const std::uint8_t> bytes);

// Writes `header` into the first 40 bytes of `bytes` (at least 40 long).
void WriteBitmapHeader(std::span<std::uint8_t> bytes, const BitmapInfoHeader& header);

}  // namespace skyweave
