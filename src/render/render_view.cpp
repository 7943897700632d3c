// RenderView (see render_view.h).
#include "render/render_view.h"

#include "render/projected_render.h"
#include "render/view_geometry.h"

namespace skyweave {

int RenderView(PanoramaRenderer& renderer, const ViewState& view, std::int32_t viewWidth,
               std::int32_t viewHeight, std::span<std::uint8_t> dest, std::int32_t srcWidth,
               std::int32_t srcHeight, std::span<const std::uint8_t> src, std::int32_t depth,
               std::int32_t filterKind, WorkerPool* pool, Projection projection) {
    RenderParams params;
    params.heading = view.heading;
    params.pitch = view.pitch;
    params.roll = view.roll;
    params.focal = FocalLength(view.zoom, viewWidth);
    params.offX = 0.0;
    params.offY = 0.0;
    params.viewWidth = viewWidth;
    params.viewHeight = viewHeight;
    params.dest = dest;
    params.srcWidth = srcWidth;
    params.srcHeight = srcHeight;
    params.src = src;
    params.depth = depth;
    params.filterKind = filterKind;
    if (projection != Projection::Rectilinear) {
        return RenderProjected(params, projection, view.zoom, pool);
    }
    return renderer.Render(params, pool);
}

}  // namespace skyweave
