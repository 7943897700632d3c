// The per-pixel rules between the pixel formats. Bits a narrower format lacks
// are zero in the wider one; low bits are never replicated, so a round trip
// 16 -> 24 -> 16 is exact while white 5-6-5 becomes 0xF8, 0xFC, 0xF8.
//
// Callers: MatchScreenDepth and the JPEG adapters. Everything is constexpr so
// that the tests can state the rules' example words at compile time too.
#pragma once

#include <cstdint>

namespace skyweave {

// 24- or 32-bit blue, green, red to 5-6-5.
constexpr std::uint16_t Pack565(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return static_cast<std::uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
}

// 24- or 32-bit blue, green, red to 5-5-5 (bit 15 zero).
constexpr std::uint16_t Pack555(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return static_cast<std::uint16_t>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3));
}

// 5-5-5 to 5-6-5: red and green move up one bit; green's lowest bit is 0.
constexpr std::uint16_t Convert555To565(std::uint16_t p) {
    return static_cast<std::uint16_t>(((p >> 5) << 6) | (p & 0x1F));
}

// 5-6-5 to 5-5-5: green's lowest bit is dropped.
constexpr std::uint16_t Convert565To555(std::uint16_t p) {
    return static_cast<std::uint16_t>(((p & 0xFFC1) >> 1) | (p & 0x1F));
}

struct Bgr {
    std::uint8_t blue;
    std::uint8_t green;
    std::uint8_t red;
};

constexpr Bgr Unpack565(std::uint16_t p) {
    return {static_cast<std::uint8_t>((p << 3) & 0xFF), static_cast<std::uint8_t>((p >> 3) & 0xFC),
            static_cast<std::uint8_t>((p >> 8) & 0xF8)};
}

constexpr Bgr Unpack555(std::uint16_t p) {
    return {static_cast<std::uint8_t>((p << 3) & 0xFF), static_cast<std::uint8_t>((p >> 2) & 0xF8),
            static_cast<std::uint8_t>((p >> 7) & 0xF8)};
}

}  // namespace skyweave
