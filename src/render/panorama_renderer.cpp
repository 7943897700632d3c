// PanoramaRenderer (see panorama_renderer.h).
#include "render/panorama_renderer.h"

#include "render/pole_patch.h"

namespace skyweave {

PanoramaRenderer::PanoramaRenderer() = default;
PanoramaRenderer::~PanoramaRenderer() = default;

const std::int32_t* PanoramaRenderer::RowTable() const {
    return tables_.empty() ? nullptr : tables_.data() + 16;
}

bool PanoramaRenderer::PrepareRowTables() {
    return false;
}

int PanoramaRenderer::Render(const RenderParams& params) {
    (void)params;
    return 0;
}

}  // namespace skyweave
