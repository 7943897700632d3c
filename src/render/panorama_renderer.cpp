// PanoramaRenderer (see panorama_renderer.h): checks a call, runs the
// set-up, the view set-up, the span loop and the pole patch.
#include "render/panorama_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "platform/core/worker_pool.h"
#include "render/block_grid.h"
#include "render/pole_patch.h"
#include "render/row_table.h"
#include "render/span_loops.h"

namespace skyweave {

namespace {

// 1 / 360.
constexpr double kPerTurn = 0.002777777777777778;

bool Finite(const RenderParams& p) {
    return std::isfinite(p.heading) && std::isfinite(p.pitch) && std::isfinite(p.roll) &&
           std::isfinite(p.focal) && std::isfinite(p.offX) && std::isfinite(p.offY);
}

// Everything about a call that can be refused. It is checked before the
// set-up, so a refused call changes nothing at all, not even the row table.
bool Acceptable(const RenderParams& p) {
    if (!Finite(p)) {
        return false;
    }
    if (p.viewWidth <= 0 || p.viewWidth % BlockGrid::kBlock != 0 ||
        p.viewWidth / BlockGrid::kBlock > kMaxBlocksPerRow) {
        return false;
    }
    if (p.viewHeight == 0 || p.viewHeight == INT32_MIN || p.viewHeight % BlockGrid::kBlock != 0) {
        return false;
    }
    if (p.srcWidth < kMinSourceWidth || p.srcWidth > kMaxSourceWidth ||
        p.srcHeight < kMinSourceHeight || p.srcHeight > kMaxSourceHeight) {
        return false;
    }
    const std::size_t pixelBytes = static_cast<std::size_t>((p.depth + 1) / 8);
    const std::size_t destBytes = static_cast<std::size_t>(p.viewWidth) *
                                  static_cast<std::size_t>(std::abs(p.viewHeight)) * pixelBytes;
    const std::size_t stride = (static_cast<std::size_t>(p.srcWidth) + 3) & ~std::size_t{3};
    const std::size_t srcBytes = stride * static_cast<std::size_t>(p.srcHeight) * pixelBytes;
    return p.dest.size() >= destBytes && p.src.size() >= srcBytes && p.dest.data() != nullptr &&
           p.src.data() != nullptr;
}

// Brings a finite heading into [-139, 221] by whole turns; both bounds are
// kept. Steps of 360 cannot move a huge heading, so it is reduced first.
double NormaliseHeading(double heading) {
    if (std::abs(heading) > 1.0e6) {
        heading = std::fmod(heading, 360.0);
    }
    while (heading > 221.0) {
        heading -= 360.0;
    }
    while (heading < -139.0) {
        heading += 360.0;
    }
    return heading;
}

}  // namespace

PanoramaRenderer::PanoramaRenderer() : grid_(std::make_unique<BlockGrid>()) {}
PanoramaRenderer::~PanoramaRenderer() = default;

const std::int32_t* PanoramaRenderer::RowTable() const {
    return tables_.empty() ? nullptr : tables_.data() + kRowTableGuard;
}

bool PanoramaRenderer::PrepareRowTables(std::int32_t srcWidth, std::int32_t srcHeight) {
    if (tables_.empty() || srcHeight != tableHeight_) {
        // A fresh block, not a resize: the old table is released first.
        std::vector<std::int32_t>().swap(tables_);
        tableWidth_ = 0;
        tableHeight_ = 0;
        try {
            tables_.resize(2 * static_cast<std::size_t>(RowTableSize(srcHeight)));
        } catch (const std::bad_alloc&) {
            return false;
        }
        tableHeight_ = srcHeight;
    }
    if (srcWidth != tableWidth_) {
        const std::span<std::int32_t> all(tables_);
        const std::size_t size = static_cast<std::size_t>(RowTableSize(srcHeight));
        FillRowTable(all.first(size), srcWidth, srcHeight);
        FillPairRowTable(all.subspan(size, size), srcWidth, srcHeight);
        tableWidth_ = srcWidth;
    }
    return true;
}

bool PanoramaRenderer::PrepareBandGrids(std::int32_t threads) {
    try {
        while (static_cast<std::int32_t>(bandGrids_.size()) + 1 < threads) {
            bandGrids_.push_back(std::make_unique<BlockGrid>());
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

int PanoramaRenderer::Render(const RenderParams& params, WorkerPool* pool) {
    const SpanLoop loop = SelectSpanLoop(params.depth, params.filterKind);
    if (loop == nullptr || !Acceptable(params)) {
        return 0;
    }
    const std::int32_t pixelBytes = (params.depth + 1) / 8;

    RenderState state;
    state.roll = params.roll;
    state.focal = params.focal;
    state.offX = params.offX;
    state.offY = params.offY;
    state.viewWidth = params.viewWidth;
    state.topDown = params.viewHeight < 0 ? 1 : 0;
    state.viewHeight = std::abs(params.viewHeight);
    state.depth = params.depth;
    state.dest = params.dest;
    state.srcHeight = params.srcHeight;
    state.picture = params.src;

    // Set-up. The heading and pitch adjustments and the moved source start
    // are part of how the picture is addressed: the view centre ends up
    // near column 3/4 counted from the moved start.
    const double heading = NormaliseHeading(params.heading);
    state.pitch = params.pitch + heading * kPerTurn * (180.0 / params.srcHeight);
    // 0 <= k <= 409/360 of the width: always inside the picture.
    const std::int32_t k =
        static_cast<std::int32_t>((270.0 - heading) * params.srcWidth * kPerTurn);
    state.src = params.src.data() + static_cast<std::ptrdiff_t>(k) * pixelBytes;
    state.heading = heading + static_cast<double>(k) / params.srcWidth * 360.0;
    state.srcWidth = (params.srcWidth + 3) & ~3;
    if (!PrepareRowTables(state.srcWidth, state.srcHeight)) {
        return 0;
    }
    state_ = state;

    SamplerSource source;
    source.src = state_.src;
    source.rowTable = tables_.data() + kRowTableGuard;
    source.pairRowTable =
        tables_.data() + static_cast<std::size_t>(RowTableSize(state_.srcHeight)) + kRowTableGuard;
    source.stride = state_.srcWidth;
    const std::int32_t blockRows = state_.viewHeight / BlockGrid::kBlock;
    const std::int32_t threads = pool != nullptr ? pool->Threads() : 1;
    const bool parallel =
        threads > 1 && blockRows > 1 &&
        std::int64_t{state_.viewWidth} * state_.viewHeight >= kMinParallelPixels &&
        PrepareBandGrids(threads);
    if (!parallel) {
        grid_->Begin(state_);
        loop(*grid_, source, state_.dest.data(), blockRows);
    } else {
        // Bands of whole block rows, in memory order of the destination;
        // each thread draws its bands with its own grid.
        const std::int32_t bands = std::min(blockRows, threads * kBandsPerThread);
        const std::size_t blockRowBytes =
            static_cast<std::size_t>(state_.viewWidth) * BlockGrid::kBlock * pixelBytes;
        pool->Run(bands, [&](int band, int slot) {
            const auto first = static_cast<std::int32_t>(std::int64_t{band} * blockRows / bands);
            const auto end = static_cast<std::int32_t>(std::int64_t{band + 1} * blockRows / bands);
            BlockGrid& grid = slot == 0 ? *grid_ : *bandGrids_[static_cast<std::size_t>(slot - 1)];
            grid.Begin(state_, first);
            loop(grid, source, state_.dest.data() + static_cast<std::size_t>(first) * blockRowBytes,
                 end - first);
        });
    }

    PolePatch(*this, state_.depth);
    return 1;
}

}  // namespace skyweave
