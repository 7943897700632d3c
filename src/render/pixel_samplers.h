// Pixel samplers: how one destination pixel is taken from the source at a
// 16.16 position (u, v), for each depth and filter kind. Used only by the
// span loops (span_loops.cpp), which call them once per destination pixel;
// everything here is therefore integer-only, branch-free and inlined.
//
// All samplers address the source from the moved source start. Nearest
// sampling reads offset x + rowTable[y]; the averaging and bilinear samplers
// read the 2 by 2 window at offset x + pairRowTable[y] (the stride-multiplied
// row, clamped inside the picture, see row_table.h): P(x, y), the pixel to
// its right and the two pixels one stride later. Pixels are little-endian.
//
// A sampler returns the pixel packed in the low bytes of a uint32. Pixels
// of 3 bytes are read as 4: every read leaves at least half a row of the
// picture behind it (row_table.h), so the extra byte is always inside.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace skyweave {

// Source and destination pixels are little-endian and are moved as whole
// little-endian words.
static_assert(std::endian::native == std::endian::little, "little-endian hosts only");

// What every sampler needs from the renderer.
struct SamplerSource {
    // First pixel of the source, moved right by the set-up step.
    const std::uint8_t* src = nullptr;
    // Entry 0 of the nearest loops' row table (pixel offsets).
    const std::int32_t* rowTable = nullptr;
    // Entry 0 of the averaging and bilinear loops' row table (pixel offsets).
    const std::int32_t* pairRowTable = nullptr;
    // Source stride, pixels.
    std::int32_t stride = 0;
};

namespace samplers {

// The kBytes bytes at p as a little-endian number; 3-byte pixels are read
// as 4 bytes and the top byte is junk for the caller to ignore.
template <int kBytes>
inline std::uint32_t LoadPixel(const std::uint8_t* p) {
    if constexpr (kBytes == 1) {
        return p[0];
    } else if constexpr (kBytes == 2) {
        return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
    } else if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t value;
        std::memcpy(&value, p, 4);
        return value;
    } else {
        return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    }
}

// Channel layouts of 16-bit pixels: the shift and mask of each channel.
// Bit 15 of 5-5-5 belongs to no channel and is dropped on repacking.
struct Layout555 {
    static constexpr std::uint32_t kShift[3] = {10, 5, 0};
    static constexpr std::uint32_t kMask[3] = {31, 31, 31};
};
struct Layout565 {
    static constexpr std::uint32_t kShift[3] = {11, 5, 0};
    static constexpr std::uint32_t kMask[3] = {31, 63, 31};
};

// The channels of a 16-bit pixel in separate 16-bit lanes of a uint64
// (red, green, blue at bits 0, 16, 32), so that one multiplication weighs
// all three and a sum of channels weighted by at most 256 in all stays
// inside its lane.
template <class Layout>
inline std::uint64_t Spread(std::uint32_t pixel) {
    return static_cast<std::uint64_t>((pixel >> Layout::kShift[0]) & Layout::kMask[0]) |
           static_cast<std::uint64_t>((pixel >> Layout::kShift[1]) & Layout::kMask[1]) << 16 |
           static_cast<std::uint64_t>((pixel >> Layout::kShift[2]) & Layout::kMask[2]) << 32;
}

// Packs the lanes of Spread, each shifted right by `drop` bits first, back
// into a pixel; lane bits above the channel's width are discarded.
template <class Layout>
inline std::uint32_t Gather(std::uint64_t lanes, int drop) {
    return static_cast<std::uint32_t>((lanes >> drop) & Layout::kMask[0]) << Layout::kShift[0] |
           static_cast<std::uint32_t>((lanes >> (16 + drop)) & Layout::kMask[1])
               << Layout::kShift[1] |
           static_cast<std::uint32_t>((lanes >> (32 + drop)) & Layout::kMask[2])
               << Layout::kShift[2];
}

// Nearest source pixel, copied unchanged (also bit 15 of 5-5-5 pixels).
template <int kBytes>
struct Nearest {
    static constexpr int kPixelBytes = kBytes;
    SamplerSource source;

    std::uint32_t operator()(std::int64_t u, std::int64_t v) const {
        const std::ptrdiff_t pixel =
            static_cast<std::ptrdiff_t>(u >> 16) + source.rowTable[v >> 16];
        return LoadPixel<kBytes>(source.src + pixel * kBytes);
    }
};

// The half-pixel average. With fu and fv the bit 15 of u and v, each
// channel is the 2 by 2, 2 by 1, 1 by 2 or 1 by 1 average of the window.
// Written without branches: the four summed pixels are P(x, y),
// P(x + fu, y), P(x, y + fv) and P(x + fu, y + fv); since
// (2a + 2b) >> 2 == (a + b) >> 1 and 4a >> 2 == a, each case gives exactly
// its own average (and bit 15 of a 5-5-5 pixel is cleared in every case).
template <int kBytes>
struct AverageWindow {
    const std::uint8_t* p;
    std::ptrdiff_t right;
    std::ptrdiff_t up;

    AverageWindow(const SamplerSource& source, std::int64_t u, std::int64_t v)
        : p(source.src +
            (static_cast<std::ptrdiff_t>(u >> 16) + source.pairRowTable[v >> 16]) * kBytes),
          right(((u >> 15) & 1) * kBytes),
          up(((v >> 15) & 1) * static_cast<std::ptrdiff_t>(source.stride) * kBytes) {}
};

template <class Layout>
struct Average16 {
    static constexpr int kPixelBytes = 2;
    SamplerSource source;

    std::uint32_t operator()(std::int64_t u, std::int64_t v) const {
        const AverageWindow<2> w(source, u, v);
        const std::uint64_t sum = Spread<Layout>(LoadPixel<2>(w.p)) +
                                  Spread<Layout>(LoadPixel<2>(w.p + w.right)) +
                                  Spread<Layout>(LoadPixel<2>(w.p + w.up)) +
                                  Spread<Layout>(LoadPixel<2>(w.p + w.right + w.up));
        return Gather<Layout>(sum, 2);
    }
};

// Bilinear with 16 levels: a and b are the top four bits of the fractions
// times 16, and each channel is
//   ((256-a)(256-b) P00 + a(256-b) P10 + (256-a)b P01 + ab P11) >> 16.
// Every weight is 256 times (16 - a/16 or a/16)(16 - b/16 or b/16), so the
// same value is (w00 P00 + w10 P10 + w01 P01 + w11 P11) >> 8 with four small
// weights adding up to 256: a weighted sum needs at most 16 bits per
// channel, and one multiplication weighs several channels at once.
struct BilinearWeights {
    std::uint64_t w00, w10, w01, w11;

    BilinearWeights(std::int64_t u, std::int64_t v) {
        const std::uint64_t a = static_cast<std::uint64_t>(u >> 12) & 15;
        const std::uint64_t b = static_cast<std::uint64_t>(v >> 12) & 15;
        w00 = (16 - a) * (16 - b);
        w10 = a * (16 - b);
        w01 = (16 - a) * b;
        w11 = a * b;
    }
};

template <int kBytes>
inline const std::uint8_t* BilinearOrigin(const SamplerSource& source, std::int64_t u,
                                          std::int64_t v) {
    return source.src +
           (static_cast<std::ptrdiff_t>(u >> 16) + source.pairRowTable[v >> 16]) * kBytes;
}

template <class Layout>
struct Bilinear16 {
    static constexpr int kPixelBytes = 2;
    SamplerSource source;

    std::uint32_t operator()(std::int64_t u, std::int64_t v) const {
        const std::uint8_t* p = BilinearOrigin<2>(source, u, v);
        const std::uint8_t* q = p + static_cast<std::ptrdiff_t>(source.stride) * 2;
        const BilinearWeights w(u, v);
        const std::uint64_t sum =
            w.w00 * Spread<Layout>(LoadPixel<2>(p)) + w.w10 * Spread<Layout>(LoadPixel<2>(p + 2)) +
            w.w01 * Spread<Layout>(LoadPixel<2>(q)) + w.w11 * Spread<Layout>(LoadPixel<2>(q + 2));
        return Gather<Layout>(sum, 8);
    }
};

// 3-byte pixels: the 2 by 2 window is weighed in 16-bit vector lanes. A
// load of 8 bytes at P(x, y) holds P(x, y) and P(x + 1, y) in lanes 0-2 and
// 3-5 (lanes 6 and 7 are bytes past the window, weighed 0); the same at
// P(x, y + 1) holds the lower row. Each lane is multiplied by its pixel's
// weight, the two rows are added, lanes 3-5 are added onto lanes 0-2 and the
// sum is shifted right. With weights adding up to at most 256 every sum
// fits its 16-bit lane, so the result is exactly the per-channel formula.
// The 8-byte loads reach 2 bytes past P(x + 1, y + 1), inside the picture
// (row_table.h).
using Lanes16 = std::uint16_t __attribute__((vector_size(16)));
using Lanes8 = std::uint8_t __attribute__((vector_size(8)));
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
using Words64 = std::uint64_t __attribute__((vector_size(16)));

// Lane weights of one window: upper row (the row of P(x, y)) and lower row.
struct WindowWeights {
    alignas(16) std::uint16_t top[8];
    alignas(16) std::uint16_t bottom[8];
};

// The weights for (right, up) with right and up each 0 or 1 (the half-pixel
// bits): (2 - right)(2 - up), right(2 - up), (2 - right)up and right up, to
// be shifted right by 2. They give P(x, y) for (0, 0), the pair averages for
// one bit set and the 2 by 2 average for both.
inline constexpr std::array<WindowWeights, 4> kAverageWeights = [] {
    std::array<WindowWeights, 4> table{};
    for (std::uint16_t i = 0; i < 4; ++i) {
        const std::uint16_t right = i & 1, up = i >> 1;
        for (int c = 0; c < 3; ++c) {
            table[i].top[c] = static_cast<std::uint16_t>((2 - right) * (2 - up));
            table[i].top[3 + c] = static_cast<std::uint16_t>(right * (2 - up));
            table[i].bottom[c] = static_cast<std::uint16_t>((2 - right) * up);
            table[i].bottom[3 + c] = static_cast<std::uint16_t>(right * up);
        }
    }
    return table;
}();

// The bilinear weights for a | b << 4, a and b the top four fraction bits:
// (16 - a)(16 - b), a(16 - b), (16 - a)b and ab, to be shifted right by 8.
inline constexpr std::array<WindowWeights, 256> kBilinearWeights = [] {
    std::array<WindowWeights, 256> table{};
    for (std::uint16_t i = 0; i < 256; ++i) {
        const std::uint16_t a = i & 15, b = i >> 4;
        for (int c = 0; c < 3; ++c) {
            table[i].top[c] = static_cast<std::uint16_t>((16 - a) * (16 - b));
            table[i].top[3 + c] = static_cast<std::uint16_t>(a * (16 - b));
            table[i].bottom[c] = static_cast<std::uint16_t>((16 - a) * b);
            table[i].bottom[3 + c] = static_cast<std::uint16_t>(a * b);
        }
    }
    return table;
}();

// 8 bytes at p, each widened to a 16-bit lane (an interleave with zeros).
inline Lanes16 LoadTwoPixels(const std::uint8_t* p) {
    std::uint64_t eight;
    std::memcpy(&eight, p, sizeof eight);
    const Bytes16 bytes = std::bit_cast<Bytes16>(Words64{eight, 0});
    const Bytes16 zero{};
    return std::bit_cast<Lanes16>(__builtin_shufflevector(bytes, zero, 0, 16, 1, 17, 2, 18, 3, 19,
                                                          4, 20, 5, 21, 6, 22, 7, 23));
}

// The weighed window at p (upper row) and q (lower row), packed; byte 3 is
// junk that the span loop overwrites with the next pixel or does not store.
template <int kShift>
inline std::uint32_t WeighWindow(const std::uint8_t* p, const std::uint8_t* q,
                                 const WindowWeights& weights) {
    Lanes16 top, bottom;
    std::memcpy(&top, weights.top, sizeof top);
    std::memcpy(&bottom, weights.bottom, sizeof bottom);
    Lanes16 sum = LoadTwoPixels(p) * top + LoadTwoPixels(q) * bottom;
    // Lanes 3-5 onto lanes 0-2: a shift of the whole vector by three lanes.
    const Lanes16 zero{};
    sum += __builtin_shufflevector(sum, zero, 3, 4, 5, 6, 7, 8, 9, 10);
    sum >>= kShift;
    const Lanes8 bytes = __builtin_convertvector(sum, Lanes8);
    std::uint32_t pixel;
    std::memcpy(&pixel, &bytes, sizeof pixel);
    return pixel;
}

struct Average24 {
    static constexpr int kPixelBytes = 3;
    SamplerSource source;

    std::uint32_t operator()(std::int64_t u, std::int64_t v) const {
        const std::uint8_t* p =
            source.src + (static_cast<std::ptrdiff_t>(u >> 16) + source.pairRowTable[v >> 16]) * 3;
        const std::size_t bits = static_cast<std::size_t>(((u >> 15) & 1) | ((v >> 14) & 2));
        return WeighWindow<2>(p, p + static_cast<std::ptrdiff_t>(source.stride) * 3,
                              kAverageWeights[bits]);
    }
};

struct Bilinear24 {
    static constexpr int kPixelBytes = 3;
    SamplerSource source;

    std::uint32_t operator()(std::int64_t u, std::int64_t v) const {
        const std::uint8_t* p = BilinearOrigin<3>(source, u, v);
        const std::size_t bits = static_cast<std::size_t>(((u >> 12) & 15) | ((v >> 8) & 0xF0));
        return WeighWindow<8>(p, p + static_cast<std::ptrdiff_t>(source.stride) * 3,
                              kBilinearWeights[bits]);
    }
};

}  // namespace samplers
}  // namespace skyweave
