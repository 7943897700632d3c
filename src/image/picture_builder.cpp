// PictureBuilder (picture_builder.h).
#include "image/picture_builder.h"

#include <algorithm>
#include <cstring>

#include "image/error_texts.h"
#include "image/exif_orientation.h"

namespace skyweave {
namespace {

// The area filter sums samples times units of overlap; the sum for one
// output pixel is at most 255 times the source area, which this bound keeps
// far inside 64 bits.
constexpr std::uint64_t kMaxSourcePixels = std::uint64_t{1} << 40;

// A pixel laid over black, rounded to the nearest level.
std::uint8_t OverBlack(std::uint8_t sample, std::uint8_t alpha) {
    return static_cast<std::uint8_t>((sample * alpha + 127) / 255);
}

// Converts one row of `width` pixels in `layout` to blue, green, red.
void ToBgr(const std::uint8_t* row, RowLayout layout, std::int32_t width, std::uint8_t* bgr) {
    switch (layout) {
        case RowLayout::kBgr:
            std::memcpy(bgr, row, static_cast<std::size_t>(width) * 3);
            return;
        case RowLayout::kRgb:
            for (std::int32_t x = 0; x < width; ++x, row += 3, bgr += 3) {
                bgr[0] = row[2];
                bgr[1] = row[1];
                bgr[2] = row[0];
            }
            return;
        case RowLayout::kBgra:
            for (std::int32_t x = 0; x < width; ++x, row += 4, bgr += 3) {
                bgr[0] = OverBlack(row[0], row[3]);
                bgr[1] = OverBlack(row[1], row[3]);
                bgr[2] = OverBlack(row[2], row[3]);
            }
            return;
        case RowLayout::kRgba:
            for (std::int32_t x = 0; x < width; ++x, row += 4, bgr += 3) {
                bgr[0] = OverBlack(row[2], row[3]);
                bgr[1] = OverBlack(row[1], row[3]);
                bgr[2] = OverBlack(row[0], row[3]);
            }
            return;
    }
}

}  // namespace

int BytesPerPixelOf(RowLayout layout) {
    return layout == RowLayout::kBgra || layout == RowLayout::kRgba ? 4 : 3;
}

PictureGeometry FullSize(std::int32_t width, std::int32_t height, int orientation) {
    return {width, height, width, height, orientation};
}

PictureBuilder::PictureBuilder(const PictureGeometry& geometry, const char** error)
    : geometry_(geometry) {
    if (geometry_.orientation < 1 || geometry_.orientation > 8) {
        geometry_.orientation = 1;
    }
    const PictureGeometry& g = geometry_;
    if (g.source_width < 1 || g.source_height < 1 || g.reduced_width < 1 || g.reduced_height < 1 ||
        g.reduced_width > g.source_width || g.reduced_height > g.source_height ||
        std::uint64_t(g.source_width) * std::uint64_t(g.source_height) > kMaxSourcePixels) {
        if (error != nullptr) {
            *error = kTextUnsupportedFormat;
        }
        return;
    }
    BitmapInfoHeader header;
    header.biWidth = Width();
    header.biHeight = Height();
    header.biBitCount = 24;
    picture_ = PackedDib::Create(header);
    if (!picture_) {
        if (error != nullptr) {
            *error = kTextInsufficientMemory;
        }
        return;
    }
    bgr_.resize(static_cast<std::size_t>(g.source_width) * 3);
    reduces_ = g.reduced_width != g.source_width || g.reduced_height != g.source_height;
    if (!reduces_) {
        return;
    }
    // Source column x covers [x * rw, (x + 1) * rw) and output column j
    // covers [j * sw, (j + 1) * sw): units of 1 / (sw * rw) of the row.
    const std::uint64_t sw = static_cast<std::uint64_t>(g.source_width);
    const std::uint64_t rw = static_cast<std::uint64_t>(g.reduced_width);
    column_of_.resize(static_cast<std::size_t>(g.source_width));
    weight_in_.resize(static_cast<std::size_t>(g.source_width));
    for (std::uint64_t x = 0; x < sw; ++x) {
        const std::uint64_t start = x * rw;
        const std::uint64_t column = start / sw;
        column_of_[x] = static_cast<std::int32_t>(column);
        weight_in_[x] = static_cast<std::uint32_t>(std::min(start + rw, (column + 1) * sw) - start);
    }
    row_sums_.assign(static_cast<std::size_t>(g.reduced_width) * 3, 0);
    sums_.assign(static_cast<std::size_t>(g.reduced_width) * 6, 0);
    out_row_.resize(static_cast<std::size_t>(g.reduced_width) * 3);
}

std::int32_t PictureBuilder::Width() const {
    return OrientationSwapsSides(geometry_.orientation) ? geometry_.reduced_height
                                                        : geometry_.reduced_width;
}

std::int32_t PictureBuilder::Height() const {
    return OrientationSwapsSides(geometry_.orientation) ? geometry_.reduced_width
                                                        : geometry_.reduced_height;
}

void PictureBuilder::AddRow(const std::uint8_t* row, RowLayout layout) {
    if (!picture_ || rows_added_ >= geometry_.source_height) {
        return;
    }
    ToBgr(row, layout, geometry_.source_width, bgr_.data());
    if (reduces_) {
        FoldRow(bgr_.data());
    } else {
        PlaceRow(rows_added_, bgr_.data());
    }
    ++rows_added_;
}

void PictureBuilder::FoldRow(const std::uint8_t* bgr) {
    const PictureGeometry& g = geometry_;
    const std::size_t rw = static_cast<std::size_t>(g.reduced_width);
    std::fill(row_sums_.begin(), row_sums_.end(), 0);
    for (std::int32_t x = 0; x < g.source_width; ++x, bgr += 3) {
        const std::size_t j = static_cast<std::size_t>(column_of_[x]);
        const std::uint64_t in = weight_in_[x];
        const std::uint64_t out = static_cast<std::uint64_t>(g.reduced_width) - in;
        for (int c = 0; c < 3; ++c) {
            row_sums_[3 * j + c] += bgr[c] * in;
            if (out != 0) {
                row_sums_[3 * (j + 1) + c] += bgr[c] * out;
            }
        }
    }
    // Source row y covers [y * rh, (y + 1) * rh), output row i covers
    // [i * sh, (i + 1) * sh). Every output row that ended inside an earlier
    // source row has been written out, so this row starts inside the
    // pending one (out_row_index_) and may reach into the next.
    const std::uint64_t sh = static_cast<std::uint64_t>(g.source_height);
    const std::uint64_t rh = static_cast<std::uint64_t>(g.reduced_height);
    const std::uint64_t start = static_cast<std::uint64_t>(rows_added_) * rh;
    const std::uint64_t end = start + rh;
    const std::uint64_t in =
        std::min(end, (static_cast<std::uint64_t>(out_row_index_) + 1) * sh) - start;
    const std::uint64_t out = rh - in;
    for (std::size_t k = 0; k < 3 * rw; ++k) {
        sums_[k] += row_sums_[k] * in;
        sums_[3 * rw + k] += row_sums_[k] * out;
    }
    const std::uint64_t area = static_cast<std::uint64_t>(g.source_width) * sh;
    while (out_row_index_ < g.reduced_height &&
           end >= (static_cast<std::uint64_t>(out_row_index_) + 1) * sh) {
        for (std::size_t k = 0; k < 3 * rw; ++k) {
            out_row_[k] = static_cast<std::uint8_t>((sums_[k] + area / 2) / area);
        }
        PlaceRow(out_row_index_, out_row_.data());
        std::copy(sums_.begin() + static_cast<std::ptrdiff_t>(3 * rw), sums_.end(), sums_.begin());
        std::fill(sums_.begin() + static_cast<std::ptrdiff_t>(3 * rw), sums_.end(), 0);
        ++out_row_index_;
    }
}

void PictureBuilder::PlaceRow(std::int32_t y, const std::uint8_t* bgr) {
    // (x, y) of the reduced source lands at displayed (X, Y); the picture's
    // rows are stored bottom-up, so displayed row Y is stored row H - 1 - Y.
    const std::int32_t w = geometry_.reduced_width;
    const std::int32_t h = geometry_.reduced_height;
    const std::int32_t out_width = Width();
    const std::int32_t out_height = Height();
    std::uint8_t* pixels = picture_.Pixels().data();
    const auto at = [&](std::int32_t column, std::int32_t displayed_row) {
        return pixels + (static_cast<std::size_t>(out_height - 1 - displayed_row) * out_width +
                         static_cast<std::size_t>(column)) *
                            3;
    };
    const int o = geometry_.orientation;
    if (!OrientationSwapsSides(o)) {
        const std::int32_t displayed_row = o == 1 || o == 2 ? y : h - 1 - y;
        std::uint8_t* out = at(0, displayed_row);
        if (o == 1 || o == 4) {
            std::memcpy(out, bgr, static_cast<std::size_t>(w) * 3);
            return;
        }
        for (std::int32_t x = 0; x < w; ++x) {
            std::memcpy(out + static_cast<std::size_t>(w - 1 - x) * 3, bgr + 3 * x, 3);
        }
        return;
    }
    // The row becomes a column.
    const std::int32_t column = o == 5 || o == 8 ? y : h - 1 - y;
    for (std::int32_t x = 0; x < w; ++x) {
        const std::int32_t displayed_row = o == 5 || o == 6 ? x : w - 1 - x;
        std::memcpy(at(column, displayed_row), bgr + 3 * x, 3);
    }
}

PackedDib PictureBuilder::Finish() {
    if (!picture_ || rows_added_ < geometry_.source_height) {
        return {};
    }
    return std::move(picture_);
}

}  // namespace skyweave
