// PackedDib's layout rules: where the colour area ends and the pixels start
// for each format, exact block sizes, and headers that lie about the block.
#include <gtest/gtest.h>

#include <limits>

#include "image/packed_dib.h"

namespace skyweave {
namespace {

BitmapInfoHeader Header(std::int32_t width, std::int32_t height, std::uint16_t bits,
                        std::uint32_t compression = 0, std::uint32_t clr_used = 0) {
    BitmapInfoHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = bits;
    h.biCompression = compression;
    h.biClrUsed = clr_used;
    return h;
}

TEST(PackedDib, PixelStartAndSizeForEveryFormat) {
    struct Row {
        BitmapInfoHeader header;
        std::size_t pixel_offset;
        std::size_t size;
    };
    for (const Row& row : {
             Row{Header(4, 2, 8), 40 + 1024, 40 + 1024 + 8},  // no count: 256 entries
             Row{Header(4, 2, 8, 0, 2), 48, 48 + 8},          // two entries
             Row{Header(4, 2, 16), 40, 40 + 16},              // 5-5-5
             Row{Header(4, 2, 16, 3, 3), 52, 52 + 16},        // 5-6-5 with its masks
             Row{Header(4, 2, 16, 3, 0), 52, 52 + 16},        // masks counted as 0
             Row{Header(4, -2, 24), 40, 40 + 24},             // top-down counts rows
             Row{Header(4, 2, 32), 40, 40 + 32},
         }) {
        EXPECT_EQ(PackedDibSize(row.header), row.size);
        const PackedDib dib = PackedDib::Create(row.header);
        ASSERT_TRUE(dib);
        EXPECT_EQ(dib.size(), row.size);
        EXPECT_EQ(dib.PixelOffset(), row.pixel_offset);
        EXPECT_TRUE(dib.PixelsFit());
        EXPECT_EQ(dib.Pixels().data(), dib.Bytes().data() + row.pixel_offset);
        EXPECT_EQ(dib.Header(), row.header);
    }
    // Create writes the 5-6-5 masks.
    const PackedDib bits = PackedDib::Create(Header(2, 2, 16, 3, 3));
    EXPECT_EQ(LoadU32(bits.Bytes().subspan(40)), 0xF800u);
    EXPECT_EQ(LoadU32(bits.Bytes().subspan(44)), 0x07E0u);
    EXPECT_EQ(LoadU32(bits.Bytes().subspan(48)), 0x001Fu);
}

TEST(PackedDib, DepthCodesAndBytesPerPixel) {
    EXPECT_EQ(PackedDib::Create(Header(4, 1, 8)).DepthCode(), 8);
    EXPECT_EQ(PackedDib::Create(Header(4, 1, 16)).DepthCode(), 15);
    EXPECT_EQ(PackedDib::Create(Header(4, 1, 16, 3, 3)).DepthCode(), 16);
    EXPECT_EQ(PackedDib::Create(Header(4, 1, 24)).DepthCode(), 24);
    EXPECT_EQ(PackedDib::Create(Header(4, 1, 32)).DepthCode(), 32);
    EXPECT_EQ(PackedDib::Create(Header(4, 1, 16)).BytesPerPixel(), 2);
    EXPECT_EQ(PackedDib::Create(Header(5, 3, 24)).RowBytes(), 15u);
}

TEST(PackedDib, RefusesHeadersWithoutAPicture) {
    for (const BitmapInfoHeader& h :
         {Header(0, 2, 24), Header(-4, 2, 24), Header(4, 0, 24), Header(4, 2, 0), Header(4, 2, 4),
          Header(4, 2, 12), Header(4, 2, 24, 0, 0xFFFFFFFF),
          Header(std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(),
                 32)}) {
        EXPECT_FALSE(PackedDib::Create(h)) << h.biWidth << "x" << h.biHeight << "x" << h.biBitCount;
    }
    EXPECT_FALSE(PackedDib::Allocate(39));
}

TEST(PackedDib, LyingHeadersYieldNoPixels) {
    PackedDib dib = PackedDib::Create(Header(4, 2, 24));
    BitmapInfoHeader h = dib.Header();
    h.biHeight = 3;  // one row more than the block holds
    dib.SetHeader(h);
    EXPECT_FALSE(dib.PixelsFit());
    EXPECT_TRUE(dib.Pixels().empty());
    h.biHeight = 2;
    h.biClrUsed = 1;  // pushes the run one entry past the end
    dib.SetHeader(h);
    EXPECT_TRUE(dib.Pixels().empty());
    EXPECT_EQ(dib.ColorTable().size(), 4u);

    // Null pictures and blocks shorter than a header read as nothing.
    const PackedDib null;
    EXPECT_EQ(null.Width(), 0);
    EXPECT_FALSE(null.PixelsFit());
    EXPECT_TRUE(null.Pixels().empty());
    EXPECT_TRUE(null.ColorTable().empty());
    PackedDib tiny(MemAlloc(8));
    tiny.SetHeader(Header(4, 2, 24));
    EXPECT_EQ(tiny.Height(), 0);
    EXPECT_TRUE(tiny.Pixels().empty());
}

}  // namespace
}  // namespace skyweave
