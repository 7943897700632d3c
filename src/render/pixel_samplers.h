// Pixel samplers: how one destination pixel is taken from the source at a
// 16.16 position (u, v), for each depth and filter kind. Used only by the
// span loops (span_loops.cpp), which call them once per destination pixel;
// everything here is therefore integer-only, branch-light and inlined.
//
// All samplers address the source from the moved source start. Nearest
// sampling reads offset x + rowTable[y]; the averaging and bilinear samplers
// read the 2 by 2 window at offset x + pairRowTable[y] (the stride-multiplied
// row, clamped inside the picture, see row_table.h) and the pixel one to the
// right and one stride later. Pixels are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

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

inline std::uint32_t Load16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

inline void Store16(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

// Channel layout of a 16-bit pixel: the shift and mask of red, green and
// blue. Bit 15 of 5-5-5 belongs to no channel and is dropped on repacking.
struct Layout555 {
    static constexpr std::uint32_t kRedShift = 10, kRedMask = 31;
    static constexpr std::uint32_t kGreenShift = 5, kGreenMask = 31;
    static constexpr std::uint32_t kBlueShift = 0, kBlueMask = 31;
};
struct Layout565 {
    static constexpr std::uint32_t kRedShift = 11, kRedMask = 31;
    static constexpr std::uint32_t kGreenShift = 5, kGreenMask = 63;
    static constexpr std::uint32_t kBlueShift = 0, kBlueMask = 31;
};

// Nearest source pixel, copied unchanged (also bit 15 of 5-5-5 pixels).
template <int kBytes>
struct Nearest {
    static constexpr int kPixelBytes = kBytes;
    SamplerSource source;

    void operator()(std::uint8_t* out, std::int32_t u, std::int32_t v) const {
        const std::ptrdiff_t offset =
            static_cast<std::ptrdiff_t>((u >> 16) + source.rowTable[v >> 16]) * kBytes;
        const std::uint8_t* p = source.src + offset;
        if constexpr (kBytes == 1) {
            out[0] = p[0];
        } else if constexpr (kBytes == 2) {
            const std::uint8_t b0 = p[0], b1 = p[1];
            out[0] = b0;
            out[1] = b1;
        } else {
            const std::uint8_t b0 = p[0], b1 = p[1], b2 = p[2];
            out[0] = b0;
            out[1] = b1;
            out[2] = b2;
        }
    }
};

// The half-pixel average. With fu and fv the bit 15 of u and v, the result
// is the 2 by 2, 2 by 1, 1 by 2 or 1 by 1 average of the window. Written
// without branches: the four summed pixels are P(x, y), P(x + fu, y),
// P(x, y + fv) and P(x + fu, y + fv), and (2a + 2b) >> 2 == (a + b) >> 1,
// 4a >> 2 == a, so each case gives exactly its own average.
template <class Layout>
struct Average16 {
    static constexpr int kPixelBytes = 2;
    SamplerSource source;

    void operator()(std::uint8_t* out, std::int32_t u, std::int32_t v) const {
        const std::uint8_t* p =
            source.src + static_cast<std::ptrdiff_t>((u >> 16) + source.pairRowTable[v >> 16]) * 2;
        const std::ptrdiff_t right = (u >> 15) & 1 ? 2 : 0;
        const std::ptrdiff_t up =
            (v >> 15) & 1 ? static_cast<std::ptrdiff_t>(source.stride) * 2 : 0;
        const std::uint32_t a = Load16(p), b = Load16(p + right), c = Load16(p + up),
                            d = Load16(p + right + up);
        const auto channel = [&](std::uint32_t shift, std::uint32_t mask) {
            return ((((a >> shift) & mask) + ((b >> shift) & mask) + ((c >> shift) & mask) +
                     ((d >> shift) & mask)) >>
                    2)
                   << shift;
        };
        Store16(out, channel(Layout::kRedShift, Layout::kRedMask) |
                         channel(Layout::kGreenShift, Layout::kGreenMask) |
                         channel(Layout::kBlueShift, Layout::kBlueMask));
    }
};

struct Average24 {
    static constexpr int kPixelBytes = 3;
    SamplerSource source;

    void operator()(std::uint8_t* out, std::int32_t u, std::int32_t v) const {
        const std::uint8_t* p =
            source.src + static_cast<std::ptrdiff_t>((u >> 16) + source.pairRowTable[v >> 16]) * 3;
        const std::ptrdiff_t right = (u >> 15) & 1 ? 3 : 0;
        const std::ptrdiff_t up =
            (v >> 15) & 1 ? static_cast<std::ptrdiff_t>(source.stride) * 3 : 0;
        const std::uint8_t* b = p + right;
        const std::uint8_t* c = p + up;
        const std::uint8_t* d = p + right + up;
        const unsigned c0 = (p[0] + b[0] + c[0] + d[0]) >> 2;
        const unsigned c1 = (p[1] + b[1] + c[1] + d[1]) >> 2;
        const unsigned c2 = (p[2] + b[2] + c[2] + d[2]) >> 2;
        out[0] = static_cast<std::uint8_t>(c0);
        out[1] = static_cast<std::uint8_t>(c1);
        out[2] = static_cast<std::uint8_t>(c2);
    }
};

// Bilinear weights from the top four bits of each fraction: a and b are
// 0, 16, ..., 240 and the four weights add up to 65536.
struct BilinearWeights {
    std::uint32_t w00, w10, w01, w11;

    BilinearWeights(std::int32_t u, std::int32_t v) {
        const std::uint32_t a = static_cast<std::uint32_t>(u & 0xF000) >> 8;
        const std::uint32_t b = static_cast<std::uint32_t>(v & 0xF000) >> 8;
        w00 = (256 - a) * (256 - b);
        w10 = a * (256 - b);
        w01 = (256 - a) * b;
        w11 = a * b;
    }

    std::uint32_t Mix(std::uint32_t p00, std::uint32_t p10, std::uint32_t p01,
                      std::uint32_t p11) const {
        return (w00 * p00 + w10 * p10 + w01 * p01 + w11 * p11) >> 16;
    }
};

template <class Layout>
struct Bilinear16 {
    static constexpr int kPixelBytes = 2;
    SamplerSource source;

    void operator()(std::uint8_t* out, std::int32_t u, std::int32_t v) const {
        const std::uint8_t* p =
            source.src + static_cast<std::ptrdiff_t>((u >> 16) + source.pairRowTable[v >> 16]) * 2;
        const std::ptrdiff_t up = static_cast<std::ptrdiff_t>(source.stride) * 2;
        const std::uint32_t a = Load16(p), b = Load16(p + 2), c = Load16(p + up),
                            d = Load16(p + up + 2);
        const BilinearWeights w(u, v);
        const auto channel = [&](std::uint32_t shift, std::uint32_t mask) {
            return w.Mix((a >> shift) & mask, (b >> shift) & mask, (c >> shift) & mask,
                         (d >> shift) & mask)
                   << shift;
        };
        Store16(out, channel(Layout::kRedShift, Layout::kRedMask) |
                         channel(Layout::kGreenShift, Layout::kGreenMask) |
                         channel(Layout::kBlueShift, Layout::kBlueMask));
    }
};

struct Bilinear24 {
    static constexpr int kPixelBytes = 3;
    SamplerSource source;

    void operator()(std::uint8_t* out, std::int32_t u, std::int32_t v) const {
        const std::uint8_t* p =
            source.src + static_cast<std::ptrdiff_t>((u >> 16) + source.pairRowTable[v >> 16]) * 3;
        const std::uint8_t* c = p + static_cast<std::ptrdiff_t>(source.stride) * 3;
        const BilinearWeights w(u, v);
        const std::uint32_t c0 = w.Mix(p[0], p[3], c[0], c[3]);
        const std::uint32_t c1 = w.Mix(p[1], p[4], c[1], c[4]);
        const std::uint32_t c2 = w.Mix(p[2], p[5], c[2], c[5]);
        out[0] = static_cast<std::uint8_t>(c0);
        out[1] = static_cast<std::uint8_t>(c1);
        out[2] = static_cast<std::uint8_t>(c2);
    }
};

}  // namespace samplers
}  // namespace skyweave
