// MatchScreenDepth and FlipToBottomUp on hand-made pictures: every cell of
// the conversion table, in place versus new block, where the pixels start,
// and the header fields the conversions write.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/bitmap_header.h"
#include "image/depth_code.h"
#include "image/error_texts.h"
#include "image/match_screen_depth.h"

namespace skyweave {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A picture block of 40 + colour area + pixels, built byte by byte.
PackedDib MakePicture(std::int32_t width, std::int32_t height, std::uint16_t bit_count,
                      std::uint32_t compression, const Bytes& colors, const Bytes& pixels,
                      std::uint32_t clr_used) {
    Bytes block(40, 0);
    StoreU32(std::span(block).subspan(0), 40);
    StoreI32(std::span(block).subspan(4), width);
    StoreI32(std::span(block).subspan(8), height);
    StoreU16(std::span(block).subspan(12), 1);
    StoreU16(std::span(block).subspan(14), bit_count);
    StoreU32(std::span(block).subspan(16), compression);
    StoreU32(std::span(block).subspan(20), 12345);  // a biSizeImage the conversions must zero
    StoreI32(std::span(block).subspan(24), 3780);
    StoreI32(std::span(block).subspan(28), 3781);
    StoreU32(std::span(block).subspan(32), clr_used);
    StoreU32(std::span(block).subspan(36), 7);
    block.insert(block.end(), colors.begin(), colors.end());
    block.insert(block.end(), pixels.begin(), pixels.end());
    PackedDib dib = PackedDib::Allocate(block.size());
    std::memcpy(dib.Bytes().data(), block.data(), block.size());
    return dib;
}

Bytes Masks565() {
    return {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0x00, 0, 0};
}

Bytes Words(std::initializer_list<std::uint16_t> words) {
    Bytes out;
    for (std::uint16_t w : words) {
        out.push_back(static_cast<std::uint8_t>(w));
        out.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return out;
}

Bytes At(const PackedDib& dib, std::size_t offset, std::size_t count) {
    return Bytes(dib.Bytes().begin() + offset, dib.Bytes().begin() + offset + count);
}

void ExpectCopiedFields(const BitmapInfoHeader& h) {
    EXPECT_EQ(h.biSizeImage, 0u);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biXPelsPerMeter, 3780);
    EXPECT_EQ(h.biYPelsPerMeter, 3781);
    EXPECT_EQ(h.biClrImportant, 7u);
}

// 2 x 1 pixels of each format: white and a mid colour (B 0x12, G 0x34, R 0x56).
PackedDib Picture32() {
    return MakePicture(2, 1, 32, 0, {}, {0xFF, 0xFF, 0xFF, 0x99, 0x12, 0x34, 0x56, 0x99}, 0);
}
PackedDib Picture24() {
    return MakePicture(2, 1, 24, 0, {}, {0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56}, 0);
}
PackedDib Picture565() {
    return MakePicture(2, 1, 16, 3, Masks565(), Words({0xFFFF, 0x51A2}), 3);
}
PackedDib Picture555() {
    return MakePicture(2, 1, 16, 0, {}, Words({0x7FFF, 0x28C2}), 0);
}

TEST(MatchScreenDepth, To24InPlaceFrom32) {
    PackedDib dib = Picture32();
    const std::uint8_t* block = dib.Bytes().data();
    PackedDib out = MatchScreenDepth(std::move(dib), 24, nullptr);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.Bytes().data(), block);
    EXPECT_EQ(out.BitCount(), 24);
    EXPECT_EQ(out.PixelOffset(), 40u);
    EXPECT_EQ(At(out, 40, 6), (Bytes{0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56}));
    ExpectCopiedFields(out.Header());
}

TEST(MatchScreenDepth, To24NewBlockFrom565And555) {
    const char* error = "unset";
    PackedDib out = MatchScreenDepth(Picture565(), 24, &error);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.size(), 40u + 2 * 3);
    EXPECT_EQ(out.Compression(), 0u);
    EXPECT_EQ(out.ClrUsed(), 0u);  // pixels at 40, not behind masks
    // 0xFFFF -> F8 FC F8; 0x51A2 = R 01010 G 001101 B 00010 -> 10 34 50.
    EXPECT_EQ(At(out, 40, 6), (Bytes{0xF8, 0xFC, 0xF8, 0x10, 0x34, 0x50}));
    ExpectCopiedFields(out.Header());

    out = MatchScreenDepth(Picture555(), 24, &error);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.size(), 40u + 2 * 3);
    // 0x28C2 = R 01010 G 00110 B 00010 -> 10 30 50.
    EXPECT_EQ(At(out, 40, 6), (Bytes{0xF8, 0xF8, 0xF8, 0x10, 0x30, 0x50}));
    EXPECT_STREQ(error, "unset");  // no failure, no text
}

TEST(MatchScreenDepth, To16NewBlockFrom555_24_32) {
    for (PackedDib (*make)() : {Picture555, Picture24, Picture32}) {
        PackedDib source = make();
        const int depth = source.DepthCode();
        const std::uint8_t* old_block = source.Bytes().data();
        PackedDib out = MatchScreenDepth(std::move(source), 16, nullptr);
        ASSERT_TRUE(out) << depth;
        EXPECT_NE(out.Bytes().data(), old_block);
        EXPECT_EQ(out.size(), 52u + 2 * 2) << depth;
        EXPECT_EQ(out.Compression(), 3u);
        EXPECT_EQ(out.ClrUsed(), 3u);
        EXPECT_EQ(out.PixelOffset(), 52u);
        EXPECT_EQ(At(out, 40, 12), Masks565());
        ExpectCopiedFields(out.Header());
        // White: 0x7FFF -> 0xFFDF from 5-5-5, 0xFFFF from 8-bit channels.
        const Bytes expected = depth == 15 ? Words({0xFFDF, 0x5182}) : Words({0xFFFF, 0x51A2});
        EXPECT_EQ(At(out, 52, 4), expected) << depth;
    }
}

TEST(MatchScreenDepth, To15InPlace) {
    // From 5-6-5: read from byte 52, written from byte 40.
    PackedDib dib = Picture565();
    const std::uint8_t* block = dib.Bytes().data();
    PackedDib out = MatchScreenDepth(std::move(dib), 15, nullptr);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.Bytes().data(), block);
    EXPECT_EQ(out.BitCount(), 16);
    EXPECT_EQ(out.Compression(), 0u);
    EXPECT_EQ(out.ClrUsed(), 0u);
    EXPECT_EQ(out.DepthCode(), 15);
    // 0x51A2 -> ((0x51A2 & 0xFFC1) >> 1) | 0x02 = 0x28C2.
    EXPECT_EQ(At(out, 40, 4), Words({0x7FFF, 0x28C2}));
    ExpectCopiedFields(out.Header());

    for (PackedDib (*make)() : {Picture24, Picture32}) {
        PackedDib source = make();
        const std::uint8_t* old_block = source.Bytes().data();
        out = MatchScreenDepth(std::move(source), 15, nullptr);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.Bytes().data(), old_block);
        EXPECT_EQ(out.DepthCode(), 15);
        EXPECT_EQ(At(out, 40, 4), Words({0x7FFF, 0x28C2}));
    }
}

TEST(MatchScreenDepth, KeptCells) {
    const Bytes table = {1, 2, 3, 0, 4, 5, 6, 0};
    for (int screen : {8, 15, 16, 24, 12}) {
        PackedDib eight = MakePicture(4, 1, 8, 0, table, {0, 1, 1, 0}, 2);
        const std::uint8_t* block = eight.Bytes().data();
        PackedDib out = MatchScreenDepth(std::move(eight), screen, nullptr);
        ASSERT_TRUE(out);
        EXPECT_EQ(out.Bytes().data(), block) << screen;
        EXPECT_EQ(out.BitCount(), 8);
        EXPECT_EQ(At(out, 48, 4), (Bytes{0, 1, 1, 0}));
    }
    struct Cell {
        PackedDib (*make)();
        int screen;
    };
    for (const Cell& cell :
         {Cell{Picture555, 15}, Cell{Picture565, 16}, Cell{Picture24, 24}, Cell{Picture24, 12}}) {
        PackedDib dib = cell.make();
        const Bytes before(dib.Bytes().begin(), dib.Bytes().end());
        PackedDib out = MatchScreenDepth(std::move(dib), cell.screen, nullptr);
        ASSERT_TRUE(out);
        EXPECT_EQ(Bytes(out.Bytes().begin(), out.Bytes().end()), before) << cell.screen;
    }
}

TEST(MatchScreenDepth, ScreenDepth8ReducesToPaletteThroughJpeg) {
    // 32 x 16 in four flat colours: the quantizer keeps each one close.
    const std::uint8_t colors[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {40, 200, 220}};
    Bytes pixels;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            const auto& c = colors[(x / 16) + 2 * (y / 8)];
            pixels.insert(pixels.end(), {c[0], c[1], c[2]});
        }
    }
    const char* error = "unset";
    PackedDib out = MatchScreenDepth(MakePicture(32, 16, 24, 0, {}, pixels, 0), 8, &error);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.BitCount(), 8);
    EXPECT_EQ(out.Width(), 32);
    EXPECT_EQ(out.Height(), 16);
    const std::uint32_t entries = out.ClrUsed();
    ASSERT_GE(entries, 1u);
    ASSERT_LE(entries, 256u);
    EXPECT_EQ(out.PixelOffset(), 40u + 4 * entries);
    const auto table = out.ColorTable();
    const auto index = out.Pixels();
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            // Away from the colour edges, where JPEG rings.
            if (x % 16 < 3 || x % 16 > 12 || y % 8 < 2 || y % 8 > 5) {
                continue;
            }
            const auto& c = colors[(x / 16) + 2 * (y / 8)];
            const std::uint8_t i = index[static_cast<std::size_t>(y) * 32 + x];
            ASSERT_LT(i, entries);
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(table[4 * i + k], c[k], 16) << x << "," << y;
            }
        }
    }
    EXPECT_STREQ(error, "unset");
}

TEST(MatchScreenDepth, RefusesBrokenPictures) {
    const char* error = nullptr;
    // 4-bit picture.
    EXPECT_FALSE(MatchScreenDepth(MakePicture(2, 1, 4, 0, {}, {0}, 0), 24, &error));
    EXPECT_STREQ(error, kTextUnsupportedFormat);
    // Pixel run one byte short of its block.
    error = nullptr;
    EXPECT_FALSE(MatchScreenDepth(MakePicture(2, 1, 24, 0, {}, {1, 2, 3, 4, 5}, 0), 16, &error));
    EXPECT_STREQ(error, kTextUnsupportedFormat);
    error = nullptr;
    EXPECT_FALSE(MatchScreenDepth(PackedDib(), 16, &error));
    EXPECT_STREQ(error, kTextUnsupportedFormat);
}

// Rows of 3 bytes holding their own row number.
PackedDib NumberedRows(std::int32_t height) {
    Bytes pixels;
    const std::int32_t rows = height < 0 ? -height : height;
    for (int r = 0; r < rows; ++r) {
        pixels.push_back(static_cast<std::uint8_t>(r));
        pixels.push_back(0xAA);
        pixels.push_back(static_cast<std::uint8_t>(r));
    }
    return MakePicture(1, height, 24, 0, {}, pixels, 0);
}

TEST(FlipToBottomUp, OneOddAndEvenHeights) {
    for (std::int32_t rows : {1, 2, 3, 4, 7}) {
        PackedDib dib = NumberedRows(-rows);
        ASSERT_TRUE(FlipToBottomUp(dib));
        EXPECT_EQ(dib.Height(), rows);
        for (int r = 0; r < rows; ++r) {
            EXPECT_EQ(dib.Pixels()[3 * r], rows - 1 - r) << rows;
            EXPECT_EQ(dib.Pixels()[3 * r + 1], 0xAA);
        }
    }
    // A bottom-up picture is left as it is.
    PackedDib up = NumberedRows(3);
    ASSERT_TRUE(FlipToBottomUp(up));
    EXPECT_EQ(up.Pixels()[0], 0);
}

TEST(FlipToBottomUp, ShortPaletteAndBitFields) {
    // 8-bit with 2 colours: pixels at 48, not behind a 1024-byte table.
    PackedDib eight =
        MakePicture(4, -2, 8, 0, {9, 9, 9, 0, 8, 8, 8, 0}, {1, 1, 1, 1, 0, 0, 0, 0}, 2);
    ASSERT_TRUE(FlipToBottomUp(eight));
    EXPECT_EQ(At(eight, 40, 16), (Bytes{9, 9, 9, 0, 8, 8, 8, 0, 0, 0, 0, 0, 1, 1, 1, 1}));
    // 5-6-5 with masks counted as 0 entries: pixels still at 52.
    PackedDib bits = MakePicture(1, -2, 16, 3, Masks565(), Words({0x1111, 0x2222}), 0);
    ASSERT_TRUE(FlipToBottomUp(bits));
    EXPECT_EQ(At(bits, 40, 16), [] {
        Bytes b = Masks565();
        const Bytes w = Words({0x2222, 0x1111});
        b.insert(b.end(), w.begin(), w.end());
        return b;
    }());
}

TEST(FlipToBottomUp, RefusesRunsOutsideTheBlock) {
    PackedDib dib = MakePicture(1, -3, 24, 0, {}, {1, 2, 3, 4, 5, 6, 7, 8}, 0);  // one byte short
    const Bytes before(dib.Bytes().begin(), dib.Bytes().end());
    EXPECT_FALSE(FlipToBottomUp(dib));
    EXPECT_EQ(Bytes(dib.Bytes().begin(), dib.Bytes().end()), before);
    PackedDib huge =
        MakePicture(1, std::numeric_limits<std::int32_t>::min(), 24, 0, {}, {1, 2, 3}, 0);
    EXPECT_FALSE(FlipToBottomUp(huge));
}

}  // namespace
}  // namespace skyweave
