// PictureBuilder: the last stage of every codec that hands over rows.
//
// The codecs give their rows as they come out of the library, top row
// first, 8 bits a sample. The builder
//   1. lays alpha over black (a picture with transparent parts shows black
//      where nothing is drawn, like the rest of the saver's screen);
//   2. reduces the picture by an area filter when it must be smaller than
//      it was stored: each output pixel is the mean of the source area it
//      covers, fractional edges weighted exactly, so rows are folded in as
//      they come and never more than two output rows are held;
//   3. turns the picture upright by its Exif orientation (1 to 8);
//   4. writes the rows straight into the final picture: a bottom-up 24-bit
//      PackedDib (blue, green, red) with biClrUsed 0.
// So a decode holds the finished picture plus a few rows, never a second
// whole picture.
//
// Exif orientations, for a stored pixel at column x, row y of a picture W
// wide and H high (top-left origin), land at displayed (X, Y):
//   1 (x, y)  2 (W-1-x, y)  3 (W-1-x, H-1-y)  4 (x, H-1-y)
//   5 (y, x)  6 (H-1-y, x)  7 (H-1-y, W-1-x)  8 (y, W-1-x)
// so 5 to 8 swap width and height (6 is a turn clockwise, 8 anticlockwise).
//
// Callers: the PNG, WebP and HEIF adapters and the JPEG adapter's general
// path; one builder per decode, on the decoding thread.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "image/packed_dib.h"

namespace skyweave {

// The sample order of the rows handed over, 8 bits a sample.
enum class RowLayout : std::uint8_t {
    kBgr,   // blue, green, red
    kRgb,   // red, green, blue
    kBgra,  // blue, green, red, alpha (not premultiplied)
    kRgba,  // red, green, blue, alpha (not premultiplied)
};

// Bytes of one pixel in `layout`: 3 or 4.
int BytesPerPixelOf(RowLayout layout);

struct PictureGeometry {
    // The rows as handed over: pixels per row and rows, both 1 or more.
    std::int32_t source_width = 0;
    std::int32_t source_height = 0;
    // The size the rows are reduced to before turning, in the same
    // orientation as the source; at most the source size, at least 1.
    std::int32_t reduced_width = 0;
    std::int32_t reduced_height = 0;
    // Exif orientation, 1 to 8 (anything else counts as 1).
    int orientation = 1;
};

// The geometry that keeps every pixel: reduced size = source size.
PictureGeometry FullSize(std::int32_t width, std::int32_t height, int orientation = 1);

class PictureBuilder {
  public:
    // Allocates the output picture. Check Ready(): false with *error (when
    // not null) set to "Insufficient system memory" when the picture
    // cannot be had, or "Unsupported file fomat" for a geometry outside the
    // rules above.
    PictureBuilder(const PictureGeometry& geometry, const char** error);

    bool Ready() const { return static_cast<bool>(picture_); }

    // Hands over the next source row: source_width pixels in `layout`.
    // Rows past source_height are ignored.
    void AddRow(const std::uint8_t* row, RowLayout layout);

    // Source rows handed over so far.
    std::int32_t RowsAdded() const { return rows_added_; }

    // The finished picture once every source row was added; null before.
    PackedDib Finish();

    // Width and height of the picture made (after the orientation).
    std::int32_t Width() const;
    std::int32_t Height() const;

  private:
    void PlaceRow(std::int32_t y, const std::uint8_t* bgr);
    void FoldRow(const std::uint8_t* bgr);

    PictureGeometry geometry_;
    PackedDib picture_;
    std::int32_t rows_added_ = 0;
    std::vector<std::uint8_t> bgr_;  // one source row as blue, green, red

    // Area filter state (only when reducing).
    bool reduces_ = false;
    // For each source column: the output column it starts in and how much
    // of it falls there (the rest, of reduced_width units, falls in the
    // next column).
    std::vector<std::int32_t> column_of_;
    std::vector<std::uint32_t> weight_in_;
    std::vector<std::uint64_t> row_sums_;  // one source row folded across, 3 per output column
    std::vector<std::uint64_t> sums_;      // 2 output rows, 3 per output column
    std::vector<std::uint8_t> out_row_;    // one output row as blue, green, red
    std::int32_t out_row_index_ = 0;       // the output row that sums_ starts with
};

}  // namespace skyweave
