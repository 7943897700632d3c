// Byte-exact little-endian access to the bitmap header, independent of the
// host's byte order.
#include "image/bitmap_header.h"

namespace skyweave {

std::uint16_t LoadU16(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t LoadU32(std::span<const std::uint8_t> bytes) {
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

std::int32_t LoadI32(std::span<const std::uint8_t> bytes) {
    return static_cast<std::int32_t>(LoadU32(bytes));
}

void StoreU16(std::span<std::uint8_t> bytes, std::uint16_t value) {
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

void StoreU32(std::span<std::uint8_t> bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void StoreI32(std::span<std::uint8_t> bytes, std::int32_t value) {
    StoreU32(bytes, static_cast<std::uint32_t>(value));
}

BitmapInfoHeader ReadBitmapHeader(std::span<const std::uint8_t> bytes) {
    BitmapInfoHeader h;
    h.biSize = LoadU32(bytes.subspan(0));
    h.biWidth = LoadI32(bytes.subspan(4));
    h.biHeight = LoadI32(bytes.subspan(8));
    h.biPlanes = LoadU16(bytes.subspan(12));
    h.biBitCount = LoadU16(bytes.subspan(14));
    h.biCompression = LoadU32(bytes.subspan(16));
    h.biSizeImage = LoadU32(bytes.subspan(20));
    h.biXPelsPerMeter = LoadI32(bytes.subspan(24));
    h.biYPelsPerMeter = LoadI32(bytes.subspan(28));
    h.biClrUsed = LoadU32(bytes.subspan(32));
    h.biClrImportant = LoadU32(bytes.subspan(36));
    return h;
}

void WriteBitmapHeader(std::span<std::uint8_t> bytes, const BitmapInfoHeader& h) {
    StoreU32(bytes.subspan(0), h.biSize);
    StoreI32(bytes.subspan(4), h.biWidth);
    StoreI32(bytes.subspan(8), h.biHeight);
    StoreU16(bytes.subspan(12), h.biPlanes);
    StoreU16(bytes.subspan(14), h.biBitCount);
    StoreU32(bytes.subspan(16), h.biCompression);
    StoreU32(bytes.subspan(20), h.biSizeImage);
    StoreI32(bytes.subspan(24), h.biXPelsPerMeter);
    StoreI32(bytes.subspan(28), h.biYPelsPerMeter);
    StoreU32(bytes.subspan(32), h.biClrUsed);
    StoreU32(bytes.subspan(36), h.biClrImportant);
}

}  // namespace skyweave
