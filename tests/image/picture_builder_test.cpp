// PictureBuilder: the eight Exif orientations on a picture of six distinct
// pixels, the area filter on sizes whose output pixels straddle source
// pixels, alpha laid over black, and builders handed too few rows or
// impossible sizes.
#include <gtest/gtest.h>

#include <string>

#include "image/error_texts.h"
#include "image/picture_builder.h"

namespace skyweave {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The picture's pixels as letters, top row first, rows joined by '/': each
// pixel's blue sample names it ('A' is 65) and green and red must repeat it.
std::string Letters(const PackedDib& picture) {
    std::string out;
    const std::span<const std::uint8_t> pixels = picture.Pixels();
    for (std::int32_t y = picture.Height() - 1; y >= 0; --y) {
        for (std::int32_t x = 0; x < picture.Width(); ++x) {
            const std::uint8_t* p =
                &pixels[(static_cast<std::size_t>(y) * picture.Width() + x) * 3];
            out += p[0] == p[1] && p[1] == p[2] ? static_cast<char>(p[0]) : '?';
        }
        out += y > 0 ? "/" : "";
    }
    return out;
}

// Builds from rows of grey pixels given as letters.
PackedDib Build(const std::vector<std::string>& rows, PictureGeometry geometry) {
    const char* error = nullptr;
    PictureBuilder builder(geometry, &error);
    EXPECT_TRUE(builder.Ready()) << (error ? error : "");
    for (const std::string& row : rows) {
        Bytes bgr;
        for (const char c : row) {
            bgr.insert(bgr.end(), 3, static_cast<std::uint8_t>(c));
        }
        builder.AddRow(bgr.data(), RowLayout::kBgr);
    }
    return builder.Finish();
}

TEST(PictureBuilder, ExifOrientationsTurnThePictureUpright) {
    // Stored ABC over DEF; what each orientation shows, top row first.
    const std::pair<int, const char*> cases[] = {
        {1, "ABC/DEF"},  {2, "CBA/FED"},  {3, "FED/CBA"},  {4, "DEF/ABC"},
        {5, "AD/BE/CF"}, {6, "DA/EB/FC"}, {7, "FC/EB/DA"}, {8, "CF/BE/AD"},
        {0, "ABC/DEF"},  {9, "ABC/DEF"},  // not an orientation: as stored
    };
    for (const auto& [orientation, shown] : cases) {
        const PackedDib picture = Build({"ABC", "DEF"}, FullSize(3, 2, orientation));
        ASSERT_TRUE(picture) << orientation;
        EXPECT_EQ(Letters(picture), shown) << "orientation " << orientation;
        EXPECT_EQ(picture.BitCount(), 24);
        EXPECT_EQ(picture.ClrUsed(), 0u);
    }
}

// One row of grey levels through the builder, reduced to `width` x 1.
std::vector<int> ReduceRow(const std::vector<int>& levels, std::int32_t width) {
    Bytes bgr;
    for (int level : levels) {
        bgr.insert(bgr.end(), 3, static_cast<std::uint8_t>(level));
    }
    const std::int32_t n = static_cast<std::int32_t>(levels.size());
    PictureBuilder builder({n, 1, width, 1, 1}, nullptr);
    builder.AddRow(bgr.data(), RowLayout::kBgr);
    const PackedDib picture = builder.Finish();
    std::vector<int> out;
    for (std::int32_t x = 0; x < width; ++x) {
        out.push_back(picture.Pixels()[3 * x]);
    }
    return out;
}

TEST(PictureBuilder, AreaFilterAveragesWhatEachOutputPixelCovers) {
    // Three pixels into two: each output pixel covers one and a half.
    // (0 + 90 / 2) / 1.5 = 30; (90 / 2 + 180) / 1.5 = 150.
    EXPECT_EQ(ReduceRow({0, 90, 180}, 2), (std::vector<int>{30, 150}));
    // (0 + 1 / 2) / 1.5 = 0.33 rounds down, (1 / 2 + 1) / 1.5 = 1.
    EXPECT_EQ(ReduceRow({0, 1, 1}, 2), (std::vector<int>{0, 1}));
    // Halves round up: (10 + 11) / 2 = 10.5.
    EXPECT_EQ(ReduceRow({10, 11, 200, 201}, 2), (std::vector<int>{11, 201}));
    // Five into three: output pixels cover 5/3 each.
    // (30 + 60 * 2/3) * 3/5 = 42; (60/3 + 90 + 120/3) * 3/5 = 90;
    // (120 * 2/3 + 150) * 3/5 = 138.
    EXPECT_EQ(ReduceRow({30, 60, 90, 120, 150}, 3), (std::vector<int>{42, 90, 138}));
    EXPECT_EQ(ReduceRow({7, 7, 7, 7, 7, 7, 7}, 1), (std::vector<int>{7}));

    // Down the picture too: four rows of 0, 60, 120, 240 into three rows:
    // (0 + 60 / 3) * 3/4 = 15; (60 * 2/3 + 120 * 2/3) * 3/4 = 90;
    // (120 / 3 + 240) * 3/4 = 210; two columns into one changes nothing.
    PictureBuilder builder({2, 4, 1, 3, 1}, nullptr);
    for (int level : {0, 60, 120, 240}) {
        const Bytes row(6, static_cast<std::uint8_t>(level));
        builder.AddRow(row.data(), RowLayout::kBgr);
    }
    const PackedDib picture = builder.Finish();
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture.Width(), 1);
    ASSERT_EQ(picture.Height(), 3);
    // Stored bottom-up.
    EXPECT_EQ((Bytes{picture.Pixels()[6], picture.Pixels()[3], picture.Pixels()[0]}),
              (Bytes{15, 90, 210}));
}

TEST(PictureBuilder, ReductionComesBeforeTheTurn) {
    // 4 x 2 stored, halved to 2 x 1, then turned a quarter clockwise: the
    // left half ends on top.
    const PackedDib picture = Build({"AACC", "AACC"}, {4, 2, 2, 1, 6});
    ASSERT_TRUE(picture);
    EXPECT_EQ(Letters(picture), "A/C");
}

TEST(PictureBuilder, AlphaIsLaidOverBlackInEveryLayout) {
    // blue 200, green 100, red 50 at alpha 255, 128 and 0:
    // 200 * 128 / 255 = 100.4, 100 * 128 / 255 = 50.2, 50 * 128 / 255 = 25.1.
    const Bytes bgra = {200, 100, 50, 255, 200, 100, 50, 128, 200, 100, 50, 0};
    const Bytes rgba = {50, 100, 200, 255, 50, 100, 200, 128, 50, 100, 200, 0};
    const Bytes rgb = {50, 100, 200, 50, 100, 200, 50, 100, 200};
    const Bytes want = {200, 100, 50, 100, 50, 25, 0, 0, 0};
    const std::pair<RowLayout, const Bytes*> layouts[] = {{RowLayout::kBgra, &bgra},
                                                          {RowLayout::kRgba, &rgba}};
    for (const auto& [layout, row] : layouts) {
        PictureBuilder builder(FullSize(3, 1), nullptr);
        builder.AddRow(row->data(), layout);
        const PackedDib picture = builder.Finish();
        ASSERT_TRUE(picture);
        EXPECT_EQ(Bytes(picture.Pixels().begin(), picture.Pixels().end()), want);
    }
    PictureBuilder opaque(FullSize(3, 1), nullptr);
    opaque.AddRow(rgb.data(), RowLayout::kRgb);
    const PackedDib picture = opaque.Finish();
    EXPECT_EQ(Bytes(picture.Pixels().begin(), picture.Pixels().end()),
              (Bytes{200, 100, 50, 200, 100, 50, 200, 100, 50}));
}

TEST(PictureBuilder, TooFewRowsOrImpossibleSizesGiveNoPicture) {
    PictureBuilder short_of_rows(FullSize(2, 3), nullptr);
    const Bytes row(6, 9);
    short_of_rows.AddRow(row.data(), RowLayout::kBgr);
    short_of_rows.AddRow(row.data(), RowLayout::kBgr);
    EXPECT_FALSE(short_of_rows.Finish());

    const PictureGeometry impossible[] = {
        {0, 1, 0, 1, 1},              // no width
        {4, 4, 5, 4, 1},              // larger than the source
        {4, 4, 0, 4, 1},              // reduced to nothing
        {1 << 21, 1 << 20, 1, 1, 1},  // a source past the filter's range
    };
    for (const PictureGeometry& geometry : impossible) {
        const char* error = nullptr;
        EXPECT_FALSE(PictureBuilder(geometry, &error).Ready());
        EXPECT_STREQ(error, kTextUnsupportedFormat);
    }
    const char* error = nullptr;
    EXPECT_FALSE(PictureBuilder(FullSize(1 << 28, 1 << 12), &error).Ready());  // 3 TiB
    EXPECT_STREQ(error, kTextInsufficientMemory);
}

}  // namespace
}  // namespace skyweave
