// Pole patch: re-draws the neighbourhood of each pole that is in front of
// the viewer by recursive subdivision with exactly mapped cell corners.
//
// Near the poles of an equirectangular picture the source position changes
// far from linearly across the view, so the main pass's 32-pixel
// interpolation is least exact there. For the pole at pitch -90 and then the
// one at +90, the patch re-draws a square of at most 96 by 96 view pixels
// around the pole's projection in cells of 16 pixels whose corners are
// mapped exactly; cells touching the polar band split once into 8-pixel
// cells, and cells straddling the picture's seam split down to single
// pixels. It always samples the nearest source pixel, whatever the filter
// kind of the main pass.
//
// Called by PanoramaRenderer::Render as its last pass after a successful
// main pass. It reads the renderer's state through State() and RowTable()
// (panorama_renderer.h) and writes only into State().dest.
#pragma once

#include <cstdint>
#include <span>

#include "render/panorama_renderer.h"

namespace skyweave {

// What one patch did, for tests and benchmarks.
struct PolePatchStats {
    // Poles in front of the viewer whose square reached into the view.
    std::int32_t polesDrawn = 0;
    // 16-pixel cells visited, over both poles: at most 36 per pole.
    std::int32_t cells = 0;
    // Corner mappings (PixelToPanorama calls): 4 per cell plus 5 per split.
    std::int32_t mappings = 0;
    // Destination pixels written.
    std::int32_t pixels = 0;
};

// renderer: the renderer whose main pass just finished.
// depth: the depth of the main pass's loop: 8, 15 (drawn as 16), 16 or 24;
//   any other depth draws nothing.
void PolePatch(PanoramaRenderer& renderer, int depth);

// The patch on an explicit renderer state, as PolePatch runs it.
//   state: the renderer's fields after its set-up step (adjusted angles,
//     moved source start, rounded stride, positive view height with the
//     topDown flag, the whole destination and source picture).
//   rowTable: the whole row table, srcHeight + 32 entries: entry i + 16 is
//     the pixel offset of source row i for i from -16 to srcHeight + 15.
//   depth: as for PolePatch.
// Nothing is drawn when the state is inconsistent (a destination smaller
// than the view, a row table of the wrong length, a source start outside
// the picture). Every source read is kept inside state.picture and every
// write inside state.dest.
PolePatchStats DrawPolePatch(const RenderState& state, std::span<const std::int32_t> rowTable,
                             int depth);

}  // namespace skyweave
