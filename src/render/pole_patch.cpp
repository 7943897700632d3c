// Pole patch (see pole_patch.h).
#include "render/pole_patch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <optional>

#include "render/row_table.h"
#include "render/view_geometry.h"

namespace skyweave {

namespace {

constexpr std::int32_t kCellSide = 16;
constexpr std::int32_t kCellLevel = 4;
constexpr std::int32_t kSquareHalf = 48;
constexpr std::int32_t kSquareSide = 96;
constexpr std::int32_t kGuardRows = kRowTableGuard;

// Truncation towards zero that saturates instead of overflowing; a NaN gives
// 0. Used for the polar-band thresholds, which run out of range for tiny
// focal lengths: a saturated threshold compares with every 16.16 row exactly
// as the unbounded value would.
std::int64_t SaturatingTruncate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int64_t>(value);
}

// Corners of a cell, in the order lower-left, lower-right, upper-left,
// upper-right (view y upwards).
struct CellCorners {
    SourcePosition lowerLeft;
    SourcePosition lowerRight;
    SourcePosition upperLeft;
    SourcePosition upperRight;
};

// The patch over one renderer state: holds what every cell needs.
class PatchPainter {
  public:
    PatchPainter(const RenderState& state, std::span<const std::int32_t> rowTable,
                 std::int32_t bytesPerPixel, std::size_t srcBase, PolePatchStats& stats)
        : state_(state),
          rowTable_(rowTable),
          bytesPerPixel_(bytesPerPixel),
          srcBase_(srcBase),
          stats_(stats) {
        const double band =
            (static_cast<double>(state.srcHeight) * 2048.0) / (state.focal * state.focal);
        low_ = SaturatingTruncate(band * 65536.0);
        high_ = SaturatingTruncate((state.srcHeight - band) * 65536.0);
        half_ = static_cast<std::int64_t>(state.srcWidth / 2) * 65536;
        quarter_ = static_cast<std::int64_t>(state.srcWidth / 4) * 65536;
        lastPixel_ = (state.picture.size() / static_cast<std::size_t>(bytesPerPixel) - 1) *
                     static_cast<std::size_t>(bytesPerPixel);
    }

    SourcePosition Map(std::int32_t x, std::int32_t y) {
        ++stats_.mappings;
        return PixelToPanorama(x, y, state_.viewWidth, state_.viewHeight, state_.heading,
                               state_.pitch, state_.roll, state_.focal, state_.offX, state_.offY,
                               state_.srcWidth, state_.srcHeight);
    }

    void Cell(std::int32_t x, std::int32_t y, std::int32_t side, std::int32_t level,
              const CellCorners& corners) {
        if (side == 1) {
            Put(x, y, corners.lowerLeft.u, corners.lowerLeft.v);
            return;
        }
        if (NeedsSplit(side, corners)) {
            Split(x, y, side, level, corners);
            return;
        }
        Fill(x, y, side, level, corners);
    }

  private:
    bool NeedsSplit(std::int32_t side, const CellCorners& corners) const {
        const std::array<SourcePosition, 4> all = {corners.lowerLeft, corners.lowerRight,
                                                   corners.upperLeft, corners.upperRight};
        bool inBand = false;
        bool aboveHalf = false;
        bool atOrBelowQuarter = false;
        for (const SourcePosition& corner : all) {
            inBand = inBand || corner.v > high_ || corner.v < low_;
            aboveHalf = aboveHalf || corner.u > half_;
            atOrBelowQuarter = atOrBelowQuarter || corner.u <= quarter_;
        }
        return (side == kCellSide && inBand) || (aboveHalf && atOrBelowQuarter);
    }

    void Split(std::int32_t x, std::int32_t y, std::int32_t side, std::int32_t level,
               const CellCorners& corners) {
        const std::int32_t h = side / 2;
        const SourcePosition top = Map(x + h, y + side);
        const SourcePosition left = Map(x, y + h);
        const SourcePosition centre = Map(x + h, y + h);
        const SourcePosition right = Map(x + side, y + h);
        const SourcePosition bottom = Map(x + h, y);
        Cell(x, y, h, level - 1, {corners.lowerLeft, bottom, left, centre});
        Cell(x + h, y, h, level - 1, {bottom, corners.lowerRight, centre, right});
        Cell(x, y + h, h, level - 1, {left, centre, corners.upperLeft, top});
        Cell(x + h, y + h, h, level - 1, {centre, right, top, corners.upperRight});
    }

    // Interpolates the 16.16 positions linearly inside the cell, row by row
    // from the bottom. At most 16 x 16 pixels per cell and 36 cells per
    // pole, so the per-pixel bound checks in Put cost nothing that matters.
    void Fill(std::int32_t x, std::int32_t y, std::int32_t side, std::int32_t level,
              const CellCorners& corners) {
        std::int64_t leftU = corners.lowerLeft.u;
        std::int64_t leftV = corners.lowerLeft.v;
        std::int64_t rightU = corners.lowerRight.u;
        std::int64_t rightV = corners.lowerRight.v;
        const std::int64_t leftStepU = (corners.upperLeft.u - leftU) >> level;
        const std::int64_t leftStepV = (corners.upperLeft.v - leftV) >> level;
        const std::int64_t rightStepU = (corners.upperRight.u - rightU) >> level;
        const std::int64_t rightStepV = (corners.upperRight.v - rightV) >> level;
        for (std::int32_t row = 0; row < side; ++row) {
            const std::int64_t stepU = (rightU - leftU) >> level;
            const std::int64_t stepV = (rightV - leftV) >> level;
            std::int64_t u = leftU;
            std::int64_t v = leftV;
            for (std::int32_t column = 0; column < side; ++column) {
                Put(x + column, y + row, u, v);
                u += stepU;
                v += stepV;
            }
            leftU += leftStepU;
            leftV += leftStepV;
            rightU += rightStepU;
            rightV += rightStepV;
        }
    }

    // Copies the nearest source pixel of (u, v) to view pixel (x, y). The
    // row table's margins keep every read of a sound state inside the
    // picture; the clamps only guard against rounding at the extremes.
    void Put(std::int32_t x, std::int32_t y, std::int64_t u, std::int64_t v) {
        const std::int64_t row =
            std::clamp<std::int64_t>(v >> 16, -kGuardRows, state_.srcHeight + kGuardRows - 1);
        const std::int64_t pixel =
            (u >> 16) + rowTable_[static_cast<std::size_t>(row + kGuardRows)];
        const std::int64_t offset = static_cast<std::int64_t>(srcBase_) + pixel * bytesPerPixel_;
        const std::size_t from = static_cast<std::size_t>(
            std::clamp<std::int64_t>(offset, 0, static_cast<std::int64_t>(lastPixel_)));
        const std::int32_t destRow = state_.topDown != 0 ? state_.viewHeight - 1 - y : y;
        const std::size_t to =
            (static_cast<std::size_t>(destRow) * static_cast<std::size_t>(state_.viewWidth) +
             static_cast<std::size_t>(x)) *
            static_cast<std::size_t>(bytesPerPixel_);
        std::memcpy(state_.dest.data() + to, state_.picture.data() + from,
                    static_cast<std::size_t>(bytesPerPixel_));
        ++stats_.pixels;
    }

    const RenderState& state_;
    std::span<const std::int32_t> rowTable_;
    std::int32_t bytesPerPixel_;
    std::size_t srcBase_;
    std::size_t lastPixel_ = 0;
    PolePatchStats& stats_;
    std::int64_t low_ = 0;
    std::int64_t high_ = 0;
    std::int64_t half_ = 0;
    std::int64_t quarter_ = 0;
};

std::int32_t BytesPerPixel(int depth) {
    switch (depth) {
        case 8:
            return 1;
        case 15:  // drawn as 16: the patch copies whole pixels
        case 16:
            return 2;
        case 24:
            return 3;
        default:
            return 0;
    }
}

// The view position of the pole, or nothing when it is behind the viewer or
// so far off the view that its square cannot reach it (which also keeps the
// conversion to int in range).
bool PoleSquare(const RenderState& state, double polePitch, std::int32_t& x0, std::int32_t& y0,
                std::int32_t& x1, std::int32_t& y1) {
    const std::optional<ViewPoint> pole =
        ProjectDirection(state.heading, state.pitch, state.roll, state.focal, state.offX,
                         state.offY, 0.0, polePitch);
    constexpr double kFarOff = 16777216.0;  // 2^24, far beyond any view size
    if (!pole || !(std::abs(pole->sx) < kFarOff) || !(std::abs(pole->sy) < kFarOff)) {
        return false;
    }
    const std::int32_t px = state.viewWidth / 2 + static_cast<std::int32_t>(pole->sx);
    const std::int32_t py = state.viewHeight / 2 + static_cast<std::int32_t>(pole->sy);
    x0 = px - (px % kCellSide) - kSquareHalf;
    y0 = py - (py % kCellSide) - kSquareHalf;
    x1 = std::min(x0 + kSquareSide, state.viewWidth);
    y1 = std::min(y0 + kSquareSide, state.viewHeight);
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    return x0 < x1 && y0 < y1;
}

// The byte offset of state.src inside state.picture, or false when the
// start lies outside it (compared as addresses: the pointers may be
// unrelated).
bool SourceBase(const RenderState& state, std::size_t& base) {
    const auto start = reinterpret_cast<std::uintptr_t>(state.picture.data());
    const auto src = reinterpret_cast<std::uintptr_t>(state.src);
    if (state.src == nullptr || src < start || src - start >= state.picture.size()) {
        return false;
    }
    base = static_cast<std::size_t>(src - start);
    return true;
}

bool StateIsUsable(const RenderState& state, std::span<const std::int32_t> rowTable,
                   std::int32_t bytesPerPixel) {
    if (bytesPerPixel == 0 || state.viewWidth <= 0 || state.viewHeight <= 0 ||
        state.srcWidth <= 0 || state.srcHeight <= 0 || state.picture.size() < 4 ||
        static_cast<std::size_t>(bytesPerPixel) > state.picture.size()) {
        return false;
    }
    const std::size_t viewBytes = static_cast<std::size_t>(state.viewWidth) *
                                  static_cast<std::size_t>(state.viewHeight) *
                                  static_cast<std::size_t>(bytesPerPixel);
    return state.dest.size() >= viewBytes &&
           rowTable.size() == static_cast<std::size_t>(state.srcHeight) + 2 * kGuardRows;
}

}  // namespace

PolePatchStats DrawPolePatch(const RenderState& state, std::span<const std::int32_t> rowTable,
                             int depth) {
    PolePatchStats stats;
    const std::int32_t bytesPerPixel = BytesPerPixel(depth);
    std::size_t srcBase = 0;
    if (!StateIsUsable(state, rowTable, bytesPerPixel) || !SourceBase(state, srcBase)) {
        return stats;
    }
    PatchPainter painter(state, rowTable, bytesPerPixel, srcBase, stats);
    for (const double polePitch : {-90.0, 90.0}) {
        std::int32_t x0 = 0;
        std::int32_t y0 = 0;
        std::int32_t x1 = 0;
        std::int32_t y1 = 0;
        if (!PoleSquare(state, polePitch, x0, y0, x1, y1)) {
            continue;
        }
        ++stats.polesDrawn;
        // Cells are whole: the clipped square's edges stay on the 16-pixel
        // grid for every view whose size is a multiple of 16, and a cell
        // that would cross the view's edge anyway is left out.
        for (std::int32_t x = x0; x + kCellSide <= x1; x += kCellSide) {
            for (std::int32_t y = y0; y + kCellSide <= y1; y += kCellSide) {
                ++stats.cells;
                CellCorners corners;
                corners.upperLeft = painter.Map(x, y + kCellSide);
                corners.upperRight = painter.Map(x + kCellSide, y + kCellSide);
                corners.lowerLeft = painter.Map(x, y);
                corners.lowerRight = painter.Map(x + kCellSide, y);
                painter.Cell(x, y, kCellSide, kCellLevel, corners);
            }
        }
    }
    return stats;
}

void PolePatch(PanoramaRenderer& renderer, int depth) {
    const RenderState& state = renderer.State();
    const std::int32_t* table = renderer.RowTable();
    if (table == nullptr || state.srcHeight <= 0) {
        return;
    }
    const std::span<const std::int32_t> rowTable(
        table - kGuardRows, static_cast<std::size_t>(RowTableSize(state.srcHeight)));
    DrawPolePatch(state, rowTable, depth);
}

}  // namespace skyweave
