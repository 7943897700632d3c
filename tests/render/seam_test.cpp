// The corner grid: exact corners, seam repair, spans and span steps, checked
// against the independent projection.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "render/block_grid.h"
#include "render/render_test_support.h"

namespace skyweave {
namespace {

constexpr std::int32_t kW = 2048;
constexpr std::int32_t kH = 1024;
constexpr double kTurn = static_cast<double>(kW) * 65536.0;

// 16.16 column and row of the grid corner (c, r) of a view described by
// state (bottom-up), by the independent projection.
void ExpectedCorner(const RenderState& s, int c, int r, double& u, double& v) {
    const test::Direction d = test::PixelDirection(32 * c, 32 * r, s.viewWidth, s.viewHeight,
                                                   s.heading, s.pitch, s.roll, s.focal);
    u = (test::Longitude(d) + 180.0) / 360.0 * kTurn;
    v = (test::Latitude(d) + 90.0) / 180.0 * kH * 65536.0;
}

RenderState SeamView() {
    // Heading -175 with f = 64 over 96 pixels: the four corners of a row
    // lie at longitudes of about 138, 161, -171 and -148 degrees, so block 1
    // straddles the seam, block 0 lies left of it and block 2 right of it.
    RenderState s;
    s.heading = -175.0;
    s.pitch = 0.0;
    s.roll = 0.0;
    s.focal = 64.0;
    s.viewWidth = 96;
    s.viewHeight = 64;
    s.srcWidth = kW;
    s.srcHeight = kH;
    return s;
}

TEST(BlockGrid, BlockAcrossTheSeamIsUnwrappedPastTheRowEnd) {
    const RenderState s = SeamView();
    BlockGrid grid;
    grid.Begin(s);
    grid.NextBlockRow();
    ASSERT_EQ(grid.BlockCount(), 3);
    double u[4][2], v[4][2];
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 2; ++r) {
            ExpectedCorner(s, c, r, u[c][r], v[c][r]);
        }
    }
    ASSERT_GT(u[1][0], kTurn / 2);
    ASSERT_LT(u[2][0], kTurn / 4);

    const BlockCorners& left = grid.CornersOf(0);
    EXPECT_NEAR(left.uLeft, u[0][0], 4);
    EXPECT_NEAR(left.uRight, u[1][0], 4);
    EXPECT_NEAR(left.uNextLeft, u[0][1], 4);
    EXPECT_NEAR(left.vNextRight, v[1][1], 4);

    // The straddling block: its low columns gain a whole turn.
    const BlockCorners& seam = grid.CornersOf(1);
    EXPECT_NEAR(seam.uLeft, u[1][0], 4);
    EXPECT_NEAR(seam.uRight, u[2][0] + kTurn, 4);
    EXPECT_NEAR(seam.uNextLeft, u[1][1], 4);
    EXPECT_NEAR(seam.uNextRight, u[2][1] + kTurn, 4);
    EXPECT_GT(seam.uRight, kW * 65536);
    EXPECT_NEAR(seam.vRight, v[2][0], 4);

    // The block right of the seam has no column above half: left alone.
    const BlockCorners& right = grid.CornersOf(2);
    EXPECT_NEAR(right.uLeft, u[2][0], 4);
    EXPECT_NEAR(right.uRight, u[3][0], 4);

    // Spans start at the current corners and step by (next - current) >> 5;
    // the span across the seam covers some 28 degrees, not the whole turn.
    const Span span = grid.Spans()[1];
    EXPECT_EQ(span.uLeft, seam.uLeft);
    EXPECT_EQ(span.uRight, seam.uRight);
    EXPECT_EQ(span.vLeft, seam.vLeft);
    EXPECT_EQ(span.vRight, seam.vRight);
    EXPECT_NEAR((span.uRight - span.uLeft) / 65536.0, 28.07 / 360.0 * kW, 1.0);
    grid.AdvanceSpans();
    const Span stepped = grid.Spans()[1];
    EXPECT_EQ(stepped.uLeft, seam.uLeft + ((seam.uNextLeft - seam.uLeft) >> 5));
    EXPECT_EQ(stepped.vLeft, seam.vLeft + ((seam.vNextLeft - seam.vLeft) >> 5));
    EXPECT_EQ(stepped.uRight, seam.uRight + ((seam.uNextRight - seam.uRight) >> 5));
    EXPECT_EQ(stepped.vRight, seam.vRight + ((seam.vNextRight - seam.vRight) >> 5));
}

TEST(BlockGrid, TopDownGridStartsAtTheTopAndWalksDown) {
    RenderState s = SeamView();
    s.heading = 20.0;
    s.pitch = 10.0;
    s.roll = 5.0;
    s.topDown = 1;
    BlockGrid grid;
    grid.Begin(s);
    grid.NextBlockRow();
    grid.NextBlockRow();
    // Second block row: current corners are grid row 1 from the top
    // (y = 64 - 32 = 32), next ones the bottom row (y = 0).
    double u = 0, v = 0;
    ExpectedCorner(s, 1, 1, u, v);
    EXPECT_NEAR(grid.CornersOf(1).uLeft, u, 4);
    EXPECT_NEAR(grid.CornersOf(1).vLeft, v, 4);
    ExpectedCorner(s, 1, 0, u, v);
    EXPECT_NEAR(grid.CornersOf(1).uNextLeft, u, 4);
    EXPECT_NEAR(grid.CornersOf(1).vNextLeft, v, 4);
    ExpectedCorner(s, 2, 0, u, v);
    EXPECT_NEAR(grid.CornersOf(1).uNextRight, u, 4);
}

}  // namespace
}  // namespace skyweave
