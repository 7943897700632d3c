// Span loops and their dispatch table (see span_loops.h).
#include "render/span_loops.h"

namespace skyweave {

namespace {

// The hot loop of the renderer: every destination pixel costs the
// sampler's work plus two additions. Positions are stepped in 16.16 fixed
// point from the block's span ends; each block recomputes its step from its
// own ends, so no error runs on from block to block.
template <class Sampler>
void DrawBlockRows(BlockGrid& grid, const SamplerSource& source, std::uint8_t* dest,
                   std::int32_t blockRows) {
    const Sampler sample{source};
    const std::int32_t blocks = grid.BlockCount();
    for (std::int32_t blockRow = 0; blockRow < blockRows; ++blockRow) {
        grid.NextBlockRow();
        for (std::int32_t row = 0; row < BlockGrid::kBlock; ++row) {
            const Span* spans = grid.Spans();
            for (std::int32_t b = 0; b < blocks; ++b) {
                const Span span = spans[b];
                const std::int32_t du = (span.uRight - span.uLeft) >> 5;
                const std::int32_t dv = (span.vRight - span.vLeft) >> 5;
                std::int32_t u = span.uLeft;
                std::int32_t v = span.vLeft;
                for (std::int32_t k = 0; k < BlockGrid::kBlock; ++k) {
                    sample(dest, u, v);
                    dest += Sampler::kPixelBytes;
                    u += du;
                    v += dv;
                }
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
