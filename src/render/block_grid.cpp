// BlockGrid (see block_grid.h): the exact mapping of the grid corners and
// the fixed-point spans between them.
#include "render/block_grid.h"

#include "render/view_geometry.h"

namespace skyweave {

void BlockGrid::Begin(const RenderState& state, std::int32_t firstBlockRow) {
    blocks_ = state.viewWidth / kBlock;
    srcWidth_ = state.srcWidth;
    srcHeight_ = state.srcHeight;
    const double halfWidth = state.viewWidth * 0.5;
    const double halfHeight = state.viewHeight * 0.5;
    rowStart_ = {-halfWidth, state.topDown ? halfHeight : -halfHeight, state.focal};
    RotateToWorld(state.heading, state.pitch, state.roll, state.offX, state.offY, rowStart_[0],
                  rowStart_[1], rowStart_[2]);
    columnStep_ = {static_cast<double>(kBlock), 0.0, 0.0};
    RotateToWorld(state.heading, state.pitch, state.roll, 0.0, 0.0, columnStep_[0], columnStep_[1],
                  columnStep_[2]);
    rowStep_ = {0.0, state.topDown ? -static_cast<double>(kBlock) : static_cast<double>(kBlock),
                0.0};
    RotateToWorld(state.heading, state.pitch, state.roll, 0.0, 0.0, rowStep_[0], rowStep_[1],
                  rowStep_[2]);
    for (std::int32_t row = 0; row < firstBlockRow; ++row) {
        StepRowStart();
    }
    ComputeCornerRow();
}

void BlockGrid::ComputeCornerRow() {
    std::array<double, 3> ray = rowStart_;
    for (std::int32_t corner = 0; corner <= blocks_; ++corner) {
        const SourcePosition position =
            EquirectangularLookup(ray[0], ray[1], ray[2], srcWidth_, srcHeight_);
        corners_[2 * corner] = position.u;
        corners_[2 * corner + 1] = position.v;
        for (int axis = 0; axis < 3; ++axis) {
            ray[axis] += columnStep_[axis];
        }
    }
    StepRowStart();
}

void BlockGrid::StepRowStart() {
    for (int axis = 0; axis < 3; ++axis) {
        rowStart_[axis] += rowStep_[axis];
    }
}

void BlockGrid::NextBlockRow() {
    for (std::int32_t b = 0; b < blocks_; ++b) {
        BlockCorners& c = blockCorners_[b];
        c.uLeft = corners_[2 * b];
        c.vLeft = corners_[2 * b + 1];
        c.uRight = corners_[2 * b + 2];
        c.vRight = corners_[2 * b + 3];
    }
    ComputeCornerRow();
    // The picture's width is at most kMaxSourceWidth, so these products and
    // the unwrapped columns (below 1.25 * srcWidth * 65536) fit in int32.
    const std::int32_t half = (srcWidth_ / 2) * 65536;
    const std::int32_t quarter = (srcWidth_ / 4) * 65536;
    const std::int32_t turn = srcWidth_ * 65536;
    for (std::int32_t b = 0; b < blocks_; ++b) {
        BlockCorners& c = blockCorners_[b];
        c.uNextLeft = corners_[2 * b];
        c.vNextLeft = corners_[2 * b + 1];
        c.uNextRight = corners_[2 * b + 2];
        c.vNextRight = corners_[2 * b + 3];
        // A block straddling the left/right seam is interpolated across the
        // seam: its low columns are unwrapped past the row end.
        if (c.uNextLeft > half || c.uNextRight > half || c.uLeft > half || c.uRight > half) {
            for (std::int32_t* u : {&c.uNextLeft, &c.uNextRight, &c.uLeft, &c.uRight}) {
                if (*u < quarter) {
                    *u += turn;
                }
            }
        }
        spans_[b] = {c.uLeft, c.vLeft, c.uRight, c.vRight};
        spanSteps_[b] = {(c.uNextLeft - c.uLeft) >> 5, (c.vNextLeft - c.vLeft) >> 5,
                         (c.uNextRight - c.uRight) >> 5, (c.vNextRight - c.vRight) >> 5};
    }
}

void BlockGrid::AdvanceSpans() {
    for (std::int32_t b = 0; b < blocks_; ++b) {
        spans_[b].uLeft += spanSteps_[b].uLeft;
        spans_[b].vLeft += spanSteps_[b].vLeft;
        spans_[b].uRight += spanSteps_[b].uRight;
        spans_[b].vRight += spanSteps_[b].vRight;
    }
}

}  // namespace skyweave
