// Span loops: the pixel loops of the main pass, one per depth and filter
// kind, and the dispatch table that picks one. Called by
// PanoramaRenderer::Render after its set-up.
#pragma once

#include <cstdint>

#include "render/block_grid.h"
#include "render/pixel_samplers.h"

namespace skyweave {

// Fills blockRows block rows of the view: for each, grid.NextBlockRow()
// and then 32 pixel rows of grid.BlockCount() blocks of 32 pixels each,
// written one after another from dest (the rows of the destination in
// memory order).
//   grid: begun for this view (BlockGrid::Begin).
//   source: the moved source start and its row tables.
//   dest: first byte of the destination; it receives
//     blockRows * 32 * grid.BlockCount() * 32 pixels.
//   blockRows: view height / 32.
using SpanLoop = void (*)(BlockGrid& grid, const SamplerSource& source, std::uint8_t* dest,
                          std::int32_t blockRows);

// The loop for depth (8, 15, 16 or 24) and filterKind (0, 1 or 8; depth 8
// takes any kind and samples nearest); null when the pair is not supported.
SpanLoop SelectSpanLoop(std::int32_t depth, std::int32_t filterKind);

}  // namespace skyweave
