// PanoramaRenderer: draws one perspective view of an equirectangular
// panorama picture into a packed pixel buffer.
//
// One renderer per panorama engine, created empty at load and destroyed with
// the engine; RenderView (render_view.h) drives it once per frame. The exact
// projection (view_geometry.h) is evaluated only on a grid of corners 32 view
// pixels apart; inside each 32 by 32 block the 16.16 source positions are
// interpolated and one of the span loops (span_loops.h) fills the pixels.
// After the main pass Render runs the pole patch (pole_patch.h).
//
// Given a worker pool, Render splits a large view into bands of block rows
// that the pool's threads draw at once, each with a corner grid of its own;
// every band computes its corners exactly as a single pass does, so the
// picture is the same byte for byte whatever the thread count. The pole
// patch runs after all bands, on the calling thread.
//
// Between calls the renderer keeps only its row tables and corner grids;
// every other field is rewritten by each call. Not thread-safe: one caller
// at a time.
//
// Reading the state of the last call (for the pole patch): State() gives the
// fields of the last successful Render after its set-up step (adjusted
// heading and pitch, moved source start, rounded stride), and RowTable()
// gives entry 0 of the row table, valid for indexes -16 to srcHeight + 15.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace skyweave {

class BlockGrid;
class WorkerPool;

// The arguments of one Render call, in order.
struct RenderParams {
    // View angles, degrees. Any finite value; Render normalises them.
    double heading = 0.0;
    double pitch = 0.0;
    double roll = 0.0;
    // Focal length, pixels; finite (see FocalLength in view_geometry.h).
    double focal = 0.0;
    // View offset, pixels: a shift of the view. Default (0, 0).
    double offX = 0.0;
    double offY = 0.0;
    // View width, pixels: a positive multiple of 32, at most 1023 * 32.
    std::int32_t viewWidth = 0;
    // View height, pixels: a non-zero multiple of 32; negative asks for a
    // top-down destination (its first row is the top of the view).
    std::int32_t viewHeight = 0;
    // Destination: rows of exactly viewWidth pixels with nothing between
    // them, bottom-up unless viewHeight is negative; at least
    // viewWidth * |viewHeight| * bytes-per-pixel bytes.
    std::span<std::uint8_t> dest;
    // Source picture width, pixels, 8 to kMaxSourceWidth. Rows are stored
    // with a stride of srcWidth rounded up to a multiple of 4 pixels.
    std::int32_t srcWidth = 0;
    // Source picture height, rows, 16 to kMaxSourceHeight. Row 0 comes first
    // in memory and looks straight down.
    std::int32_t srcHeight = 0;
    // Source pixels: at least stride * srcHeight * bytes-per-pixel bytes.
    std::span<const std::uint8_t> src;
    // Pixel depth of source and destination: 8 (palette index, 1 byte),
    // 15 (5-5-5, 2 bytes), 16 (5-6-5, 2 bytes) or 24 (3 bytes).
    std::int32_t depth = 24;
    // 0 nearest, 1 half-pixel average, 8 bilinear with 16 levels. Depth 8
    // draws nearest whatever the kind.
    std::int32_t filterKind = 0;
};

// Largest source picture the 16.16 arithmetic holds: unwrapped seam columns
// reach 1.25 times the width, which must stay below 2^15 columns with room
// for rounding.
inline constexpr std::int32_t kMaxSourceWidth = 24576;
inline constexpr std::int32_t kMaxSourceHeight = 16384;
// Smallest source picture: the nearest row table needs its 8 rows of margin
// at each pole, and from a width of 8 the moved source start lies at least
// one pixel in, which covers the column -1 that interpolation can round to
// (see row_table.h for the whole bound).
inline constexpr std::int32_t kMinSourceWidth = 8;
inline constexpr std::int32_t kMinSourceHeight = 16;
// Most 32-pixel blocks in one row of the grid.
inline constexpr std::int32_t kMaxBlocksPerRow = 1023;

// Views of fewer pixels than this are drawn on the calling thread alone:
// below it, waking the pool costs about what the other threads would save.
inline constexpr std::int64_t kMinParallelPixels = 96 * 1024;
// Bands per thread of a parallel view: more bands than threads let a thread
// that finished early take over work from one that was held up.
inline constexpr std::int32_t kBandsPerThread = 3;

// The state of the last successful Render after its set-up step, in the
// order the renderer stores it.
struct RenderState {
    // Adjusted view angles, degrees: heading within one source column of
    // 270, pitch corrected by heading / (2 * srcHeight).
    double heading = 0.0;
    double pitch = 0.0;
    double roll = 0.0;
    // Focal length, pixels.
    double focal = 0.0;
    // View offset, pixels.
    double offX = 0.0;
    double offY = 0.0;
    // View size, pixels; viewHeight is always positive here.
    std::int32_t viewWidth = 0;
    std::int32_t viewHeight = 0;
    // Pixel depth of the main pass (8, 15, 16 or 24).
    std::int32_t depth = 0;
    // The whole destination; pixel (x, y) of the view, y counted upwards, is
    // at row y (row viewHeight - 1 - y when topDown), column x.
    std::span<std::uint8_t> dest;
    // 1 when the destination's first row is the top of the view, else 0.
    std::int32_t topDown = 0;
    // Source stride in pixels: the width rounded up to a multiple of 4. Also
    // the W of the equirectangular lookup.
    std::int32_t srcWidth = 0;
    // Source height, rows.
    std::int32_t srcHeight = 0;
    // First pixel of the source moved right by the set-up step. Nearest
    // samples are at pixel offset x + rowTable[y] from here.
    const std::uint8_t* src = nullptr;
    // The whole source picture as the caller gave it, for bounds checks.
    std::span<const std::uint8_t> picture;
};

class PanoramaRenderer {
  public:
    PanoramaRenderer();
    ~PanoramaRenderer();
    PanoramaRenderer(const PanoramaRenderer&) = delete;
    PanoramaRenderer& operator=(const PanoramaRenderer&) = delete;

    // Draws the view. Returns 1 when drawn; 0, with the destination
    // untouched, when the depth, kind, view size, source size or buffer
    // sizes are not supported, an angle or the focal length is not finite, or
    // the row table cannot be allocated.
    //   pool: threads to share the main pass with, or null for the calling
    //     thread alone (also used for views under kMinParallelPixels). Not
    //     owned; it must not be running another job.
    int Render(const RenderParams& params, WorkerPool* pool = nullptr);

    // Fields of the last successful Render (see RenderState).
    const RenderState& State() const { return state_; }

    // Entry 0 of the row table: pixel offsets of source rows for nearest
    // sampling, indexes -16 to srcHeight + 15. Null before the first Render.
    const std::int32_t* RowTable() const;

    // Stride and height the row table was last built for (0 when none).
    std::int32_t TableWidth() const { return tableWidth_; }
    std::int32_t TableHeight() const { return tableHeight_; }

  private:
    // Builds or keeps the row tables for a source of srcWidth (stride) by
    // srcHeight pixels; false when they cannot be allocated.
    bool PrepareRowTables(std::int32_t srcWidth, std::int32_t srcHeight);
    // Corner grids for `threads` threads (grid_ serves the first); false
    // when they cannot be allocated, which leaves the view to one thread.
    bool PrepareBandGrids(std::int32_t threads);

    RenderState state_;
    // The corner grid and spans (about 70 KB), kept between calls so that a
    // frame allocates nothing.
    std::unique_ptr<BlockGrid> grid_;
    // The grids of the second and further threads of a parallel view, made
    // on the first such view and kept.
    std::vector<std::unique_ptr<BlockGrid>> bandGrids_;
    std::int32_t tableWidth_ = 0;
    std::int32_t tableHeight_ = 0;
    // Both row tables in one block: the nearest loops' table, then the
    // averaging and bilinear loops' table (row_table.h), each srcHeight + 32
    // entries whose first 16 are guard entries below row 0.
    std::vector<std::int32_t> tables_;
};

}  // namespace skyweave
