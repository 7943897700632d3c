// Span loops and their dispatch table (see span_loops.h).
#include "render/span_loops.h"

#include <bit>
#include <cstring>

namespace skyweave {

namespace {

// Writes a packed pixel. A 3-byte pixel may be written as 4 bytes when the
// next pixel of the row is written after it (wide), which saves a store.
template <int kBytes, bool kWide>
inline void StorePixel(std::uint8_t* out, std::uint32_t pixel) {
    if constexpr (kBytes == 1) {
        out[0] = static_cast<std::uint8_t>(pixel);
    } else if constexpr (kBytes == 3 && kWide && std::endian::native == std::endian::little) {
        std::memcpy(out, &pixel, 4);
    } else {
        for (int i = 0; i < kBytes; ++i) {
            out[i] = static_cast<std::uint8_t>(pixel >> (8 * i));
        }
    }
}

// The hot loop of the renderer: every destination pixel costs the
// sampler's work plus two additions. Positions are stepped in 16.16 fixed
// point from the block's span ends; each block recomputes its step from its
// own ends, so no error runs on from block to block. The last pixel of a
// block is written narrow, so nothing lands past the end of the frame.
template <class Sampler>
void DrawBlockRows(BlockGrid& grid, const SamplerSource& source, std::uint8_t* dest,
                   std::int32_t blockRows) {
    constexpr int kBytes = Sampler::kPixelBytes;
    const Sampler sample{source};
    const std::int32_t blocks = grid.BlockCount();
    for (std::int32_t blockRow = 0; blockRow < blockRows; ++blockRow) {
        grid.NextBlockRow();
        for (std::int32_t row = 0; row < BlockGrid::kBlock; ++row) {
            const Span* spans = grid.Spans();
            for (std::int32_t b = 0; b < blocks; ++b) {
                const Span span = spans[b];
                // Held in 64 bits only to spare the sign extensions of
                // addressing; the values are the 32-bit ones exactly.
                const std::int64_t du = (span.uRight - span.uLeft) >> 5;
                const std::int64_t dv = (span.vRight - span.vLeft) >> 5;
                std::int64_t u = span.uLeft;
                std::int64_t v = span.vLeft;
#pragma GCC unroll 4
                for (std::int32_t k = 0; k < BlockGrid::kBlock - 1; ++k) {
                    StorePixel<kBytes, true>(dest, sample(u, v));
                    dest += kBytes;
                    u += du;
                    v += dv;
                }
                StorePixel<kBytes, false>(dest, sample(u, v));
                dest += kBytes;
            }
            grid.AdvanceSpans();
        }
    }
}

}  // namespace

SpanLoop SelectSpanLoop(std::int32_t depth, std::int32_t filterKind) {
    using namespace samplers;
    switch (depth) {
        case 8:
            return &DrawBlockRows<Nearest<1>>;
        case 15:
            switch (filterKind) {
                case 0:
                    return &DrawBlockRows<Nearest<2>>;
                case 1:
                    return &DrawBlockRows<Average16<Layout555>>;
                case 8:
                    return &DrawBlockRows<Bilinear16<Layout555>>;
                default:
                    return nullptr;
            }
        case 16:
            switch (filterKind) {
                case 0:
                    return &DrawBlockRows<Nearest<2>>;
                case 1:
                    return &DrawBlockRows<Average16<Layout565>>;
                case 8:
                    return &DrawBlockRows<Bilinear16<Layout565>>;
                default:
                    return nullptr;
            }
        case 24:
            switch (filterKind) {
                case 0:
                    return &DrawBlockRows<Nearest<3>>;
                case 1:
                    return &DrawBlockRows<Average24>;
                case 8:
                    return &DrawBlockRows<Bilinear24>;
                default:
                    return nullptr;
            }
        default:
            return nullptr;
    }
}

}  // namespace skyweave
