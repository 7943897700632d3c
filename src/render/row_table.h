// Row tables: pixel offsets of source rows, indexed by the integer row of a
// 16.16 source position, with 16 guard entries below row 0 and 16 above the
// last row. Filled by the PanoramaRenderer when the source stride or height
// changes; read by the span loops and the pole patch.
//
// Why every read stays inside the picture (W the stride, H the height, both
// in pixels, offsets counted from the caller's first pixel):
// - The moved source start is k = trunc((270 - heading) * width / 360) with
//   the heading in [-139, 221]: 0 <= k <= 1.14 W, and k >= 1 from width 8.
// - Corner columns are in [0, W]; seam repair adds W only to columns below
//   W / 4, so corners stay below 1.25 W. Interpolated positions stay within
//   a block's corners except that the truncating steps (>> 5) may undershoot
//   by less than 64 / 65536 pixel: columns x lie in [-1, 1.25 W], rows y in
//   [-1, H], inside the table's guard entries.
// - A read at row r and column x is at offset k + r * W + x, within
//   [r * W - 1, r * W + 2.39 W + 1] (plus one pixel to the right and one
//   stride up for the 2 by 2 windows, plus the bytes that wide loads take
//   past the pixel: 1 for a 3-byte pixel read as 4, 2 for a window row of
//   3-byte pixels read as 8). Nearest reads use rows 8 to H - 8 and the windows rows 0 to
//   H - 5 (and H - 4 above): both leave more than half a row of the picture
//   after their last byte, and k >= 1 keeps offset -1 away.
#pragma once

#include <cstdint>
#include <span>

namespace skyweave {

// Guard entries on each side of a row table.
inline constexpr std::int32_t kRowTableGuard = 16;

// Entries a row table needs for a picture srcHeight rows high.
inline constexpr std::int32_t RowTableSize(std::int32_t srcHeight) {
    return srcHeight + 2 * kRowTableGuard;
}

// The nearest loops' table: entry i (stored at index i + 16) is
// min(max(i + 1, 8), srcHeight - 8) * srcWidth. The 8-row margins keep
// nearest reads inside the picture even for columns that run past the row
// end after the source start was moved and the seam unwrapped.
//   entries: RowTableSize(srcHeight) entries, filled.
//   srcWidth: stride, pixels. srcHeight: rows, at least 16.
void FillRowTable(std::span<std::int32_t> entries, std::int32_t srcWidth, std::int32_t srcHeight);

// The averaging and bilinear loops' table: entry i is
// min(max(i, 0), srcHeight - kPairRowMargin) * srcWidth. These loops read a
// 2 by 2 window at row y without the nearest loops' shift to row y + 1; the
// clamp keeps the window and its moved, unwrapped columns (up to 2.4 strides
// past the row start) inside the picture. Rows 0 to srcHeight - 5 read as
// they would unclamped; the top four rows and the rows past the top read
// row srcHeight - 5 (just below the zenith, where the pole patch redraws),
// and the rows below 0 that interpolation may round to read row 0.
//   entries, srcWidth, srcHeight: as for FillRowTable.
inline constexpr std::int32_t kPairRowMargin = 5;
void FillPairRowTable(std::span<std::int32_t> entries, std::int32_t srcWidth,
                      std::int32_t srcHeight);

}  // namespace skyweave
