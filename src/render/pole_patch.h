// Pole patch: re-draws the neighbourhood of each pole that is in front of
// the viewer by recursive subdivision with exactly mapped cell corners.
//
// Called by PanoramaRenderer::Render as its last pass after a successful
// main pass. It reads the renderer's state through State() and RowTable()
// (panorama_renderer.h) and writes into State().dest.
#pragma once

#include <cstdint>

#include "render/panorama_renderer.h"

namespace skyweave {

// renderer: the renderer whose main pass just finished.
// depth: the depth of the main pass's loop: 8, 15 (drawn as 16), 16 or 24.
void PolePatch(PanoramaRenderer& renderer, int depth);

}  // namespace skyweave
