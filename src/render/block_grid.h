// BlockGrid: the 32-pixel corner grid of one view and the per-block spans
// that the span loops interpolate.
//
// Owned by the PanoramaRenderer (one per thread that draws a band of the
// view) and rewritten by every Render call. The renderer calls Begin once per
// band (the view set-up and the band's first corner row), then NextBlockRow
// once per block row; the span loops (span_loops.h) read Spans(), draw one
// pixel row of every block and call AdvanceSpans.
#pragma once

#include <array>
#include <cstdint>

#include "render/panorama_renderer.h"

namespace skyweave {

// One block's span for the current pixel row, 16.16 source positions of its
// left end (the block's first pixel) and its right end (one block further).
// The same layout holds the per-row change of these four values.
struct Span {
    std::int32_t uLeft = 0;
    std::int32_t vLeft = 0;
    std::int32_t uRight = 0;
    std::int32_t vRight = 0;
};

// The four corners of one block: the left and right corners of the next
// corner row, then those of the current corner row.
struct BlockCorners {
    std::int32_t uNextLeft = 0;
    std::int32_t vNextLeft = 0;
    std::int32_t uNextRight = 0;
    std::int32_t vNextRight = 0;
    std::int32_t uLeft = 0;
    std::int32_t vLeft = 0;
    std::int32_t uRight = 0;
    std::int32_t vRight = 0;
};

class BlockGrid {
  public:
    // Side of a block, pixels.
    static constexpr std::int32_t kBlock = 32;

    // The view set-up and the corner row above block row firstBlockRow for
    // the view described by state (adjusted angles, focal length and offset
    // in degrees and pixels, view size in pixels, rounded stride and height
    // of the source). A band that starts further down steps its first ray
    // down by the same additions a whole-view pass makes, so its corners
    // come out bit for bit as that pass computes them.
    //   firstBlockRow: 0 to view height / 32 - 1; default 0, the whole view.
    void Begin(const RenderState& state, std::int32_t firstBlockRow = 0);

    // Moves down one block row: takes the current corners, computes the
    // next corner row, repairs blocks across the seam and sets each block's
    // span and span step.
    void NextBlockRow();

    // Adds every block's span step to its span: the next pixel row.
    void AdvanceSpans();

    std::int32_t BlockCount() const { return blocks_; }
    const Span* Spans() const { return spans_.data(); }
    const BlockCorners& CornersOf(std::int32_t block) const { return blockCorners_[block]; }

  private:
    void ComputeCornerRow();
    // Moves the first ray down one corner row.
    void StepRowStart();

    // Panorama-frame ray of the first corner of the current corner row, its
    // change per 32 columns and per 32 rows (pixels).
    std::array<double, 3> rowStart_{};
    std::array<double, 3> columnStep_{};
    std::array<double, 3> rowStep_{};
    std::int32_t blocks_ = 0;
    std::int32_t srcWidth_ = 0;
    std::int32_t srcHeight_ = 0;
    // 16.16 (u, v) of the current corner row, one pair per 32 columns.
    std::array<std::int32_t, 2 * (kMaxBlocksPerRow + 1)> corners_{};
    std::array<Span, kMaxBlocksPerRow + 1> spans_{};
    std::array<Span, kMaxBlocksPerRow + 1> spanSteps_{};
    std::array<BlockCorners, kMaxBlocksPerRow + 1> blockCorners_{};
};

}  // namespace skyweave
