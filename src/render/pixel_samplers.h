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

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace skyweave {

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

// 3-byte pixels are read as 4 bytes; masking with 0x00FF00FF keeps bytes 0
// and 2 in 16-bit lanes, masking with 0xFF00FF00 keeps byte 1 and the junk
// byte 3 in lanes 8 bits higher. In a uint64 every lane can take a sum of
// bytes weighted by at most 256 in all, and the junk lane's result lands
// in byte 3 of the packed pixel, which the span loop either overwrites with
// the next pixel or does not store.
inline constexpr std::uint64_t kEvenBytes = 0x00FF00FFu;
inline constexpr std::uint64_t kOddBytes = 0xFF00FF00u;

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

struct Average24 {
    static constexpr int kPixelBytes = 3;
    SamplerSource source;

    std::uint32_t operator()(std::int64_t u, std::int64_t v) const {
        const AverageWindow<3> w(source, u, v);
        const std::uint64_t p00 = LoadPixel<3>(w.p);
        const std::uint64_t p10 = LoadPixel<3>(w.p + w.right);
        const std::uint64_t p01 = LoadPixel<3>(w.p + w.up);
        const std::uint64_t p11 = LoadPixel<3>(w.p + w.right + w.up);
        const std::uint64_t even =
            (p00 & kEvenBytes) + (p10 & kEvenBytes) + (p01 & kEvenBytes) + (p11 & kEvenBytes);
        const std::uint64_t odd =
            (p00 & kOddBytes) + (p10 & kOddBytes) + (p01 & kOddBytes) + (p11 & kOddBytes);
        return static_cast<std::uint32_t>(((even >> 2) & kEvenBytes) | ((odd >> 2) & kOddBytes));
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

struct Bilinear24 {
    static constexpr int kPixelBytes = 3;
    SamplerSource source;

    std::uint32_t operator()(std::int64_t u, std::int64_t v) const {
        const std::uint8_t* p = BilinearOrigin<3>(source, u, v);
        const std::uint8_t* q = p + static_cast<std::ptrdiff_t>(source.stride) * 3;
        const BilinearWeights w(u, v);
        const std::uint64_t p00 = LoadPixel<3>(p);
        const std::uint64_t p10 = LoadPixel<3>(p + 3);
        const std::uint64_t p01 = LoadPixel<3>(q);
        const std::uint64_t p11 = LoadPixel<3>(q + 3);
        const std::uint64_t even = w.w00 * (p00 & kEvenBytes) + w.w10 * (p10 & kEvenBytes) +
                                   w.w01 * (p01 & kEvenBytes) + w.w11 * (p11 & kEvenBytes);
        const std::uint64_t odd = w.w00 * (p00 & kOddBytes) + w.w10 * (p10 & kOddBytes) +
                                  w.w01 * (p01 & kOddBytes) + w.w11 * (p11 & kOddBytes);
        return static_cast<std::uint32_t>(((even >> 8) & kEvenBytes) | ((odd >> 8) & kOddBytes));
    }
};

}  // namespace samplers
}  // namespace skyweave
