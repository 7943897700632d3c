// DecodeImage end to end: BMP files and packed DIBs built byte by byte, the
// sample JPEGs, the codec path and hostile headers, at the screen depths the
// saver meets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "image/bitmap_header.h"
#include "image/codec_failure.h"
#include "image/decode_image.h"
#include "image/error_texts.h"
#include "image/jpeg_codec.h"
#include "image/screen_depth.h"
#include "image/video_codec.h"
#include "image_test_support.h"

namespace skyweave {
namespace {

using test::BuildBmp;
using test::BuildDib;
using test::Bytes;
using test::DibSpec;
using test::UseScreenDepth;

// Rows of 24-bit pixels whose bytes encode their position: blue = x,
// green = row as stored, red = 0x80 | row.
std::vector<Bytes> PositionRows(int width, int rows) {
    std::vector<Bytes> out;
    for (int y = 0; y < rows; ++y) {
        Bytes row;
        for (int x = 0; x < width; ++x) {
            row.push_back(static_cast<std::uint8_t>(x));
            row.push_back(static_cast<std::uint8_t>(y));
            row.push_back(static_cast<std::uint8_t>(0x80 | y));
        }
        out.push_back(row);
    }
    return out;
}

Bytes PixelAt(const PackedDib& dib, int x, int y) {
    const std::size_t bpp = static_cast<std::size_t>(dib.BytesPerPixel());
    const auto start = dib.Pixels().begin() + (static_cast<std::size_t>(y) * dib.Width() + x) * bpp;
    return Bytes(start, start + static_cast<std::ptrdiff_t>(bpp));
}

std::string Decode(const Bytes& input, PackedDib* out = nullptr) {
    const char* error = "not reset";
    PackedDib dib = DecodeImage(input, &error);
    if (dib) {
        EXPECT_EQ(error, nullptr);
        if (out != nullptr) {
            *out = std::move(dib);
        }
        return "ok";
    }
    return error == nullptr ? "(null)" : error;
}

Bytes Words(std::initializer_list<std::uint16_t> words) {
    Bytes out;
    for (std::uint16_t w : words) {
        out.push_back(static_cast<std::uint8_t>(w));
        out.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return out;
}

TEST(DecodeImageBmp, TopDownFileIsFlippedSoRowZeroIsTheLastFileRow) {
    UseScreenDepth(24);
    PackedDib dib;
    ASSERT_EQ(Decode(BuildBmp({.width = 4, .height = -3}, {}, PositionRows(4, 3)), &dib), "ok");
    EXPECT_EQ(dib.Height(), 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(PixelAt(dib, x, y),
                      (Bytes{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(2 - y),
                             static_cast<std::uint8_t>(0x80 | (2 - y))}));
        }
    }
}

TEST(DecodeImageBmp, PaddedRowsAreUnpackedAndTheWidthPaddedForTheRenderer) {
    // 1001 x 3 at 24 bits: 3003 bytes of pixels per row, 3004 in the file.
    for (int depth : {24, 16, 15}) {
        UseScreenDepth(depth);
        PackedDib dib;
        ASSERT_EQ(Decode(BuildBmp({.width = 1001, .height = 3}, {}, PositionRows(1001, 3)), &dib),
                  "ok");
        ASSERT_EQ(dib.Width(), 1004);
        ASSERT_EQ(dib.Height(), 3);
        EXPECT_EQ(dib.DepthCode(), depth);
        EXPECT_EQ(dib.Pixels().size(), 1004u * 3 * dib.BytesPerPixel());
        if (depth != 24) {
            continue;
        }
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 1004; ++x) {
                const int from = x < 1001 ? x : 1000;  // the last column repeats
                ASSERT_EQ(PixelAt(dib, x, y),
                          (Bytes{static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(y),
                                 static_cast<std::uint8_t>(0x80 | y)}))
                    << x << "," << y;
            }
        }
    }
}

TEST(DecodeImageBmp, PaddedBmpMatchesTheSamePictureAsJpeg) {
    UseScreenDepth(24);
    const Bytes jpeg = test::ReadSample("city.jpg");
    const test::RgbPicture ref = test::ReferenceDecode(jpeg);
    // The left 1001 columns of the sample as a bottom-up BGR file.
    constexpr int kWidth = 1001;
    std::vector<Bytes> rows;
    for (int y = 0; y < ref.height; ++y) {
        Bytes row;
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t* rgb = ref.At(x, ref.height - 1 - y);
            row.insert(row.end(), {rgb[2], rgb[1], rgb[0]});
        }
        rows.push_back(row);
    }
    PackedDib from_bmp;
    PackedDib from_jpeg;
    ASSERT_EQ(Decode(BuildBmp({.width = kWidth, .height = ref.height}, {}, rows), &from_bmp), "ok");
    ASSERT_EQ(Decode(jpeg, &from_jpeg), "ok");
    ASSERT_EQ(from_bmp.Width(), 1004);
    ASSERT_EQ(from_jpeg.Width(), 1024);
    ASSERT_EQ(from_bmp.Height(), from_jpeg.Height());
    const std::uint8_t* bmp = from_bmp.Pixels().data();
    const std::uint8_t* jpg = from_jpeg.Pixels().data();
    for (int y = 0; y < ref.height; ++y) {
        for (int x = 0; x < 1004; ++x) {
            const int from = x < kWidth ? x : kWidth - 1;
            ASSERT_EQ(std::memcmp(bmp + (y * 1004 + x) * 3, jpg + (y * 1024 + from) * 3, 3), 0)
                << x << "," << y;
        }
    }
}

TEST(DecodeImageBmp, UnpaddedDibsAndStatedPixelOffsets) {
    UseScreenDepth(24);
    const auto rows = PositionRows(6, 2);  // 18-byte rows
    PackedDib padded;
    PackedDib unpadded;
    PackedDib gapped;
    ASSERT_EQ(Decode(BuildDib({.width = 6, .height = 2}, {}, rows, 2), &padded), "ok");
    ASSERT_EQ(Decode(BuildDib({.width = 6, .height = 2}, {}, rows, 0), &unpadded), "ok");
    ASSERT_EQ(Decode(BuildBmp({.width = 6, .height = 2}, {}, rows, 8), &gapped), "ok");
    for (const PackedDib* dib : {&padded, &unpadded, &gapped}) {
        ASSERT_EQ(dib->Width(), 8);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 8; ++x) {
                const int from = x < 6 ? x : 5;
                EXPECT_EQ(PixelAt(*dib, x, y),
                          (Bytes{static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(y),
                                 static_cast<std::uint8_t>(0x80 | y)}));
            }
        }
    }
}

TEST(DecodeImageBmp, EightBitPicturesKeepTheirTableAtEveryDepth) {
    const Bytes table = {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0};
    const std::vector<Bytes> rows = {{0, 1, 0, 1, 0, 1}, {1, 1, 1, 0, 0, 0}};
    for (int depth : {8, 15, 16, 24}) {
        UseScreenDepth(depth);
        PackedDib dib;
        ASSERT_EQ(
            Decode(BuildBmp({.width = 6, .height = 2, .bit_count = 8, .clr_used = 2}, table, rows),
                   &dib),
            "ok");
        EXPECT_EQ(dib.BitCount(), 8);
        EXPECT_EQ(dib.ClrUsed(), 2u);
        EXPECT_EQ(dib.PixelOffset(), 48u);
        EXPECT_EQ(Bytes(dib.ColorTable().begin(), dib.ColorTable().end()), table);
        EXPECT_EQ(dib.Width(), 8);
        EXPECT_EQ(Bytes(dib.Pixels().begin(), dib.Pixels().end()),
                  (Bytes{0, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}));
    }
}

TEST(DecodeImageBmp, FullTableAndThirtyTwoBits) {
    UseScreenDepth(24);
    // 8-bit with biClrUsed 0 carries 256 entries.
    Bytes table(1024);
    for (int i = 0; i < 1024; ++i) {
        table[i] = static_cast<std::uint8_t>(i / 4);
    }
    PackedDib dib;
    ASSERT_EQ(
        Decode(BuildBmp({.width = 4, .height = 1, .bit_count = 8}, table, {{7, 8, 9, 250}}), &dib),
        "ok");
    EXPECT_EQ(dib.PixelOffset(), 40u + 1024);
    EXPECT_EQ(Bytes(dib.Pixels().begin(), dib.Pixels().end()), (Bytes{7, 8, 9, 250}));
    // 32 bits to 24 on a 24-bit screen.
    ASSERT_EQ(Decode(BuildBmp({.width = 4, .height = 1, .bit_count = 32}, {},
                              {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}}),
                     &dib),
              "ok");
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(Bytes(dib.Pixels().begin(), dib.Pixels().end()),
              (Bytes{1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15}));
}

TEST(DecodeImageBmp, BitFieldDibTakesTheCopyPath) {
    const Bytes masks565 = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    const Bytes masks555 = {0x00, 0x7C, 0, 0, 0xE0, 0x03, 0, 0, 0x1F, 0, 0, 0};
    const std::vector<Bytes> rows = {Words({0xFFFF, 0x0000, 0xF800, 0x001F})};
    // 5-6-5 with the masks counted as 0 entries, kept on a 16-bit screen.
    UseScreenDepth(16);
    PackedDib dib;
    ASSERT_EQ(Decode(BuildDib({.width = 4, .height = 1, .bit_count = 16, .compression = 3},
                              masks565, rows, 0),
                     &dib),
              "ok");
    EXPECT_EQ(dib.Compression(), 3u);
    EXPECT_EQ(dib.ClrUsed(), 3u);
    EXPECT_EQ(dib.PixelOffset(), 52u);
    EXPECT_EQ(Bytes(dib.Bytes().begin() + 40, dib.Bytes().begin() + 52), masks565);
    EXPECT_EQ(Bytes(dib.Pixels().begin(), dib.Pixels().end()), rows[0]);
    // The same on a 24-bit screen: white is F8 FC F8.
    UseScreenDepth(24);
    ASSERT_EQ(
        Decode(BuildDib({.width = 4, .height = 1, .bit_count = 16, .compression = 3, .clr_used = 3},
                        masks565, rows, 0),
               &dib),
        "ok");
    EXPECT_EQ(dib.PixelOffset(), 40u);
    EXPECT_EQ(PixelAt(dib, 0, 0), (Bytes{0xF8, 0xFC, 0xF8}));
    EXPECT_EQ(PixelAt(dib, 2, 0), (Bytes{0, 0, 0xF8}));
    EXPECT_EQ(PixelAt(dib, 3, 0), (Bytes{0xF8, 0, 0}));
    // 5-5-5 masks are the plain 16-bit format.
    UseScreenDepth(15);
    ASSERT_EQ(Decode(BuildDib({.width = 4, .height = 1, .bit_count = 16, .compression = 3},
                              masks555, rows, 0),
                     &dib),
              "ok");
    EXPECT_EQ(dib.DepthCode(), 15);
    EXPECT_EQ(dib.PixelOffset(), 40u);
    EXPECT_EQ(Bytes(dib.Pixels().begin(), dib.Pixels().end()), rows[0]);
    // Any other masks are refused.
    const Bytes odd = {0x00, 0x0F, 0, 0, 0xF0, 0, 0, 0, 0x0F, 0, 0, 0};
    EXPECT_EQ(Decode(BuildDib({.width = 4, .height = 1, .bit_count = 16, .compression = 3}, odd,
                              rows, 0)),
              kTextUnsupportedFormat);
}

TEST(DecodeImageBmp, RefusedFormats) {
    UseScreenDepth(24);
    const auto rows = PositionRows(4, 2);
    // Version 4 and 5 headers.
    EXPECT_EQ(Decode(BuildBmp({.width = 4, .height = 2, .header_size = 108}, {}, rows)),
              kTextUnsupportedFormat);
    EXPECT_EQ(Decode(BuildBmp({.width = 4, .height = 2, .header_size = 124}, {}, rows)),
              kTextUnsupportedFormat);
    // 1- and 4-bit bitmaps with their tables.
    const Bytes two = {0, 0, 0, 0, 255, 255, 255, 0};
    EXPECT_EQ(Decode(BuildBmp({.width = 8, .height = 2, .bit_count = 1, .clr_used = 2}, two,
                              {{0xAA}, {0x55}})),
              kTextUnsupportedFormat);
    const Bytes sixteen(64, 0x40);
    EXPECT_EQ(Decode(BuildBmp({.width = 4, .height = 2, .bit_count = 4, .clr_used = 16}, sixteen,
                              {{0x01, 0x23}, {0x45, 0x67}})),
              kTextUnsupportedFormat);
    // Exif instead of JFIF is a JPEG like any other: the library skips the
    // segment, whatever it holds.
    Bytes exif = test::ReadSample("city.jpg");
    exif[3] = 0xE1;
    EXPECT_EQ(Decode(exif), "ok");
    EXPECT_EQ(Decode(Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0}), kTextUnsupportedFormat);
    EXPECT_EQ(Decode(Bytes{}), kTextUnsupportedFormat);
    EXPECT_EQ(Decode(Bytes{'B', 'M'}), kTextUnsupportedFormat);
    EXPECT_EQ(Decode(Bytes{0xFF, 0xD8, 0xFF}), kTextUnsupportedFormat);
}

TEST(DecodeImageBmp, HostileHeaders) {
    UseScreenDepth(24);
    const auto rows = PositionRows(4, 2);
    struct Case {
        const char* what;
        Bytes input;
        const char* text;
    };
    const Bytes good = BuildDib({.width = 4, .height = 2}, {}, rows, 0);
    auto with_u32 = [&good](std::size_t at, std::uint32_t value) {
        Bytes b = good;
        StoreU32(std::span(b).subspan(at), value);
        return b;
    };
    auto with_u16 = [&good](std::size_t at, std::uint16_t value) {
        Bytes b = good;
        StoreU16(std::span(b).subspan(at), value);
        return b;
    };
    const std::vector<Case> cases = {
        {"zero width", with_u32(4, 0), kTextUnsupportedFormat},
        {"negative width", with_u32(4, static_cast<std::uint32_t>(-4)), kTextUnsupportedFormat},
        {"zero height", with_u32(8, 0), kTextUnsupportedFormat},
        {"most negative height", with_u32(8, 0x80000000u), kTextUnsupportedFormat},
        {"one byte short", Bytes(good.begin(), good.end() - 1), kTextUnsupportedFormat},
        {"three rows claimed", with_u32(8, 3), kTextUnsupportedFormat},
        {"width past the data", with_u32(4, 5), kTextUnsupportedFormat},
        {"colour table past the data", with_u32(32, 1000), kTextUnsupportedFormat},
        {"colour count near 2^32", with_u32(32, 0xFFFFFFFFu), kTextUnsupportedFormat},
        {"more than 256 colours",
         [] {
             return BuildDib({.width = 4, .height = 1, .bit_count = 8, .clr_used = 257},
                             Bytes(1028), {{1, 2, 3, 4}}, 0);
         }(),
         kTextUnsupportedFormat},
        {"bit count 0", with_u16(14, 0), kTextUnsupportedFormat},
        {"bit count 48", with_u16(14, 48), kTextUnsupportedFormat},
        {"bit count 2", with_u16(14, 2), kTextUnsupportedFormat},
        {"above 2^30 pixels",
         [&] {
             Bytes b = with_u32(4, 65536);
             StoreU32(std::span(b).subspan(8), 16385);
             return b;
         }(),
         kTextInsufficientMemory},
        {"2^31 x 2^31",
         [&] {
             Bytes b = with_u32(4, 0x7FFFFFFF);
             StoreU32(std::span(b).subspan(8), 0x7FFFFFFF);
             return b;
         }(),
         kTextInsufficientMemory},
        {"bit fields without masks",
         [&] {
             const Bytes b = with_u32(16, 3);
             return Bytes(b.begin(), b.begin() + 44);
         }(),
         kTextUnsupportedFormat},
        {"bit fields on 24 bits",
         [] {
             return BuildDib({.width = 4, .height = 1, .compression = 3}, Bytes(12, 0xFF),
                             PositionRows(4, 1), 0);
         }(),
         kTextUnsupportedFormat},
        {"header cut short", Bytes(good.begin(), good.begin() + 39), kTextUnsupportedFormat},
        {"BMP file header only", Bytes{'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
         kTextUnsupportedFormat},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c.input), c.text) << c.what;
    }
    // The same header behind a BMP file header whose pixel offset points
    // anywhere is still bounded by the data.
    Bytes wild = BuildBmp({.width = 4, .height = 2}, {}, rows);
    StoreU32(std::span(wild).subspan(10), 0xFFFFFFF0u);
    PackedDib dib;
    EXPECT_EQ(Decode(wild, &dib), "ok");
    EXPECT_EQ(PixelAt(dib, 3, 1), (Bytes{3, 1, 0x81}));
}

TEST(DecodeImageCodec, CodecBitmapsReportTheMissingFacility) {
    UseScreenDepth(24);
    for (const char* fourcc : {"cvid", "IV50"}) {
        Bytes dib = BuildDib({.width = 4, .height = 2}, {}, PositionRows(4, 2), 0);
        std::memcpy(dib.data() + 16, fourcc, 4);
        EXPECT_EQ(Decode(dib), kTextNoVideoForWindows);
    }
}

PackedDib FailingCodec(const BitmapInfoHeader&, std::span<const std::uint8_t>,
                       const VideoCodecRequest&) {
    return {};
}

TEST(DecodeImageCodec, TwoFailuresInARowShowOnlyTheSecondFourCC) {
    Bytes dib = BuildDib({.width = 4, .height = 2}, {}, PositionRows(4, 2), 0);
    std::memcpy(dib.data() + 16, "cvid", 4);
    const char* first = nullptr;
    EXPECT_FALSE(DecodeWithVideoCodec(dib, 24, FailingCodec, &first));
    EXPECT_STREQ(first, "File decompression failed; Codec: cvid");
    std::memcpy(dib.data() + 16, "IV50", 4);
    const char* second = nullptr;
    EXPECT_FALSE(DecodeWithVideoCodec(dib, 24, FailingCodec, &second));
    EXPECT_STREQ(second, "File decompression failed; Codec: IV50");
    EXPECT_EQ(first, second);  // one shared buffer
    EXPECT_STREQ(first, "File decompression failed; Codec: IV50");
}

TEST(DecodeImageCodec, OutputRequestFollowsTheScreenDepth) {
    BitmapInfoHeader input;
    input.biWidth = 320;
    input.biHeight = 240;
    input.biBitCount = 12;
    input.biCompression = 0x64697663;  // "cvid"
    input.biSizeImage = 5000;
    input.biClrUsed = 7;
    input.biClrImportant = 7;
    struct Row {
        int depth;
        std::uint16_t bits;
        std::uint32_t compression;
        std::uint32_t clr_used;
    };
    for (const Row& row :
         {Row{16, 16, 3, 3}, Row{15, 16, 0, 0}, Row{24, 24, 0, 0}, Row{8, 8, 0, 0}}) {
        const VideoCodecRequest request = BuildVideoCodecRequest(input, row.depth);
        EXPECT_EQ(request.header.biBitCount, row.bits);
        EXPECT_EQ(request.header.biCompression, row.compression);
        EXPECT_EQ(request.header.biClrUsed, row.clr_used);
        EXPECT_EQ(request.header.biSizeImage, 0u);
        EXPECT_EQ(request.header.biClrImportant, 0u);
        EXPECT_EQ(request.header.biWidth, 320);
        EXPECT_EQ(request.masks, (std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F}));
    }
}

TEST(DecodeImageJpeg, SampleAtEveryScreenDepth) {
    const Bytes file = test::ReadSample("courtyard.jpg");
    for (int depth : {24, 16, 15, 8}) {
        UseScreenDepth(depth);
        PackedDib dib;
        ASSERT_EQ(Decode(file, &dib), "ok");
        EXPECT_EQ(ScreenDepth(), depth);
        EXPECT_EQ(dib.Width(), 1024);
        EXPECT_EQ(dib.Height(), 512);
        EXPECT_EQ(dib.DepthCode(), depth);
        if (depth == 8) {
            EXPECT_GT(dib.ClrUsed(), 0u);
            EXPECT_LE(dib.ClrUsed(), 256u);
        }
        // The same bytes as the library call at that depth.
        const PackedDib direct =
            JPGImageDecompress(file, static_cast<std::uint16_t>(depth), 0, nullptr);
        ASSERT_TRUE(direct);
        EXPECT_TRUE(std::equal(dib.Pixels().begin(), dib.Pixels().end(), direct.Pixels().begin()));
    }
}

TEST(DecodeImageJpeg, TruncatedStreamKeepsTheLibrarysMessage) {
    UseScreenDepth(16);
    const Bytes file = test::ReadSample("sunset.jpg");
    EXPECT_EQ(Decode(Bytes(file.begin(), file.begin() + file.size() / 3)),
              "Premature end of JPEG file");
    EXPECT_EQ(Decode(Bytes(file.begin(), file.begin() + 4)), "Premature end of JPEG file");
}

TEST(DecodeImageJpeg, EightBitScreenReducesBmpThroughJpeg) {
    UseScreenDepth(8);
    PackedDib dib;
    ASSERT_EQ(Decode(BuildBmp({.width = 16, .height = 16}, {}, PositionRows(16, 16)), &dib), "ok");
    EXPECT_EQ(dib.BitCount(), 8);
    EXPECT_GT(dib.ClrUsed(), 0u);
    EXPECT_EQ(dib.Width(), 16);
}

int Fixed12() {
    return 12;
}

TEST(ScreenDepthHook, InstalledQueryEnvironmentAndFallback) {
    InstallScreenDepthQuery(Fixed12);
    setenv("SKYWEAVE_SCREEN_DEPTH", "16", 1);
    EXPECT_EQ(RefreshScreenDepth(), 12);  // the installed query wins
    EXPECT_EQ(ScreenDepth(), 12);
    InstallScreenDepthQuery(nullptr);
    EXPECT_EQ(RefreshScreenDepth(), 16);
    for (const char* value : {"32", "abc", "", "16x", "9"}) {
        setenv("SKYWEAVE_SCREEN_DEPTH", value, 1);
        EXPECT_EQ(RefreshScreenDepth(), 24) << value;
    }
    unsetenv("SKYWEAVE_SCREEN_DEPTH");
    EXPECT_EQ(RefreshScreenDepth(), 24);
    // DecodeImage sets it even when the decode fails.
    setenv("SKYWEAVE_SCREEN_DEPTH", "15", 1);
    EXPECT_EQ(Decode(Bytes{1, 2, 3}), kTextUnsupportedFormat);
    EXPECT_EQ(ScreenDepth(), 15);
}

TEST(CodecFailureText, PrefixAndFourCC) {
    EXPECT_STREQ(CodecFailureText(0x3247504D), "File decompression failed; Codec: MPG2");
}

}  // namespace
}  // namespace skyweave
