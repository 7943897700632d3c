// RenderView: the one call through which the frame pipeline has a view
// drawn. Turns the view's zoom into a focal length and runs Render with the
// view's angles and no view offset. Called by the panorama engine once per
// frame.
#pragma once

#include <cstdint>
#include <span>

#include "render/panorama_renderer.h"
#include "render/projection.h"
#include "render/view_state.h"

namespace skyweave {

// Returns the result of Render: 1 drawn, 0 nothing drawn (see RenderParams
// for what is supported).
//   renderer: the engine's renderer.
//   view: angles and zoom, degrees, already clamped by the caller.
//   viewWidth, viewHeight: frame size, pixels, multiples of 32; a negative
//     height asks for a top-down destination.
//   dest: the frame buffer.
//   srcWidth, srcHeight, src: the panorama picture's size in pixels and its
//     pixels (rows with a stride of srcWidth rounded up to 4 pixels).
//   depth: 8, 15, 16 or 24.
//   filterKind: 0 nearest, 1 half-pixel average, 8 bilinear.
//   pool: threads that share the drawing, or null (the default) for the
//     calling thread alone; the picture is the same either way.
//   projection: rectilinear (the default) draws through the renderer; any
//     other through RenderProjected (projected_render.h), the renderer
//     untouched.
int RenderView(PanoramaRenderer& renderer, const ViewState& view, std::int32_t viewWidth,
               std::int32_t viewHeight, std::span<std::uint8_t> dest, std::int32_t srcWidth,
               std::int32_t srcHeight, std::span<const std::uint8_t> src, std::int32_t depth,
               std::int32_t filterKind, WorkerPool* pool = nullptr,
               Projection projection = Projection::Rectilinear);

}  // namespace skyweave
