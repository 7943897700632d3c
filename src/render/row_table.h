// Row tables: pixel offsets of source rows, indexed by the integer row of a
// 16.16 source position, with 16 guard entries below row 0 and 16 above the
// last row. Filled by the PanoramaRenderer when the source stride or height
// changes; read by the span loops and the pole patch.
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
