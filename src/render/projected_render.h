// RenderProjected: draws a view in one of the non-rectilinear projections
// (projection.h) into the same packed frames the PanoramaRenderer fills.
//
// The exact mapping is evaluated at the corners of 16-pixel cells and the
// source positions interpolated inside; a cell the interpolation cannot be
// trusted with (one that holds a pole, crosses the seam, reaches near a
// pole or has a corner outside the projection's picture) is mapped pixel by
// pixel, so poles and the seam stay clean. Stateless: any thread may call it.
#pragma once

#include <cstdint>

#include "render/panorama_renderer.h"
#include "render/projection.h"

namespace skyweave {

// Draws the view of `params` (angles, view and source as for
// PanoramaRenderer::Render; the focal length and offset are not used) in
// `projection` with the horizontal field of view `zoom` degrees. Pixels that
// show no direction are black (zero). Nearest sampling, except bilinear at
// depth 24 when params.filterKind is not 0. Returns 1 when drawn; 0, with
// the destination untouched, for anything Render would refuse, a zoom that
// is not finite and positive, or the rectilinear projection (Render's job).
//   pool: threads to share the rows with, or null for the calling thread.
int RenderProjected(const RenderParams& params, Projection projection, double zoom,
                    WorkerPool* pool = nullptr);

}  // namespace skyweave
