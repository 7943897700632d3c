// The full-sphere canvas: its size rules and where the picture lands.
#include <gtest/gtest.h>

#include <cstring>

#include "panfile/panorama_canvas.h"

namespace skyweave {
namespace {

// A 24-bit picture whose pixel (x, y), y from the first stored row, holds
// the bytes x, y, 7 (x and y below 256).
PackedDib Picture(std::int32_t width, std::int32_t height) {
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = 24;
    header.biXPelsPerMeter = 1234;
    PackedDib picture = PackedDib::Create(header);
    std::span<std::uint8_t> pixels = picture.Pixels();
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint8_t* p = pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = 7;
        }
    }
    return picture;
}

TEST(CanvasSize, RoundsToTheNearestMultipleOfFourButNeverCutsThePicture) {
    EXPECT_EQ(CanvasSizeFor(1000, 300, 360, 90).width, 1000);
    EXPECT_EQ(CanvasSizeFor(1000, 300, 360, 90).height, 600);
    EXPECT_EQ(CanvasSizeFor(800, 400, 180, 90).width, 1600);
    EXPECT_EQ(CanvasSizeFor(800, 400, 180, 90).height, 800);
    // 1002 rounds up to 1004; 1001 would round down to 1000 and cut the
    // picture, so it rounds up instead.
    EXPECT_EQ(CanvasSizeFor(1002, 16, 360, 180).width, 1004);
    EXPECT_EQ(CanvasSizeFor(1001, 16, 360, 180).width, 1004);
    // 360 / 7 x 100 = 5142.857... truncates to 5142, nearest multiple 5144.
    EXPECT_EQ(CanvasSizeFor(100, 16, 7, 180).width, 5144);
    // 3 x 333 = 999 rounds to 1000.
    EXPECT_EQ(CanvasSizeFor(333, 16, 120, 180).width, 1000);
}

TEST(BuildCanvas, PartialPictureIsCentredRowByRow) {
    PackedDib picture = Picture(200, 60);
    PackedDib canvas = BuildCanvas(picture, 180, 90, nullptr);
    ASSERT_TRUE(canvas);
    EXPECT_FALSE(picture);  // released
    EXPECT_EQ(canvas.Width(), 400);
    EXPECT_EQ(canvas.Height(), 120);
    EXPECT_EQ(canvas.BitCount(), 24);
    EXPECT_EQ(canvas.Header().biXPelsPerMeter, 1234);
    const std::span<const std::uint8_t> pixels = std::as_const(canvas).Pixels();
    const auto at = [&](int x, int y) {
        return pixels.data() + (static_cast<std::size_t>(y) * 400 + x) * 3;
    };
    // The first stored row lands in row 30, the first pixel in column 100.
    EXPECT_EQ(at(100, 30)[0], 0);
    EXPECT_EQ(at(100, 30)[1], 0);
    EXPECT_EQ(at(100, 30)[2], 7);
    EXPECT_EQ(at(299, 89)[0], 199);
    EXPECT_EQ(at(299, 89)[1], 59);
    // Outside the picture the canvas is black.
    for (const auto& [x, y] :
         {std::pair{99, 30}, {300, 30}, {100, 29}, {100, 90}, {0, 0}, {399, 119}}) {
        EXPECT_EQ(at(x, y)[0] | at(x, y)[1] | at(x, y)[2], 0) << x << "," << y;
    }
}

TEST(BuildCanvas, EightBitPicturesKeepTheirColourTable) {
    BitmapInfoHeader header;
    header.biWidth = 16;
    header.biHeight = 16;
    header.biBitCount = 8;
    header.biClrUsed = 256;
    PackedDib picture = PackedDib::Create(header);
    std::span<std::uint8_t> bytes = picture.Bytes();
    for (std::size_t i = 0; i < 1024; ++i) {
        bytes[40 + i] = static_cast<std::uint8_t>(i * 7);
    }
    std::memset(picture.Pixels().data(), 5, 256);
    PackedDib canvas = BuildCanvas(picture, 360, 90, nullptr);
    ASSERT_TRUE(canvas);
    EXPECT_EQ(canvas.Height(), 32);
    for (std::size_t i = 0; i < 1024; ++i) {
        ASSERT_EQ(canvas.Bytes()[40 + i], static_cast<std::uint8_t>(i * 7));
    }
    EXPECT_EQ(std::as_const(canvas).Pixels()[8 * 16], 5);
    EXPECT_EQ(std::as_const(canvas).Pixels()[8 * 16 - 1], 0);
}

TEST(BuildCanvas, RefusesCanvasesOverTheLimitBeforeAllocating) {
    PackedDib picture = Picture(4000, 2000);
    CanvasFailure failure = CanvasFailure::kBadImage;
    // 1 x 1 degree: 1440000 x 360000 pixels.
    EXPECT_FALSE(BuildCanvas(picture, 1, 1, &failure));
    EXPECT_EQ(failure, CanvasFailure::kTooLarge);
    EXPECT_TRUE(picture);  // left as it was
}

}  // namespace
}  // namespace skyweave
