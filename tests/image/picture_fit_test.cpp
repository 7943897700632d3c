// Pictures larger than the decode may make: the reduced sizes and JPEG
// scales chosen, pictures reduced by every codec compared with
// ImageMagick's box-filtered half-size picture, and the arithmetic-coded
// bomb that claims 32768 x 32768.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include "image/decode_image.h"
#include "image/picture_fit.h"
#include "image_test_support.h"

namespace skyweave {
namespace {

using test::Bytes;

TEST(PictureFit, ReducedSizesKeepTheShapeAndFit) {
    struct Case {
        const char* what;
        std::int32_t width;
        std::int32_t height;
        int orientation;
        DecodeLimits limits;
        std::int32_t reduced_width;  // in the stored orientation
        std::int32_t reduced_height;
    };
    const Case cases[] = {
        {"fits", 16384, 8192, 1, {}, 16384, 8192},
        {"twice the pixels", 32768, 16384, 1, {}, 16384, 8192},
        {"one row too many", 16384, 8193, 1, {}, 16383, 8192},
        {"too wide", 30000, 100, 1, {.max_width = 24576}, 24576, 81},
        {"too tall", 32, 16400, 1, {.max_height = 16384}, 31, 16384},
        {"turned: the limit is on the shown width", 100, 200, 6, {.max_width = 100}, 50, 100},
        {"a quarter", 96, 48, 1, {.max_pixels = 1152}, 48, 24},
        {"nothing left but a pixel", 1000, 10, 1, {.max_pixels = 1}, 1, 1},
    };
    for (const Case& c : cases) {
        const PictureGeometry g = FittedGeometry(c.width, c.height, c.orientation, c.limits);
        EXPECT_EQ(g.source_width, c.width) << c.what;
        EXPECT_EQ(g.reduced_width, c.reduced_width) << c.what;
        EXPECT_EQ(g.reduced_height, c.reduced_height) << c.what;
    }
}

TEST(PictureFit, JpegScaleIsTheSmallestReductionInEighthsThatFits) {
    struct Case {
        std::int32_t width;
        std::int32_t height;
        int orientation;
        DecodeLimits limits;
        int eighths;
    };
    const Case cases[] = {
        {16384, 8192, 1, {}, 8},
        {16385, 8192, 1, {}, 7},                   // 14337 x 7168
        {32768, 32768, 1, {}, 2},                  // 8192 x 8192; 3/8 would be 12288 x 12288
        {30000, 100, 1, {.max_width = 24576}, 6},  // 22500; 7/8 would be 26250
        {100, 30000, 8, {.max_width = 24576}, 6},  // the same, stored turned
        {65500, 10, 1, {.max_width = 100}, 1},     // 8188 wide even at 1/8
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JpegScaleEighths(c.width, c.height, c.orientation, c.limits), c.eighths)
            << c.width << " x " << c.height;
    }
}

Bytes Data(const std::string& name) {
    return test::ReadSourceFile("tests/data/formats/" + name);
}

// Mean absolute difference of the pixels of two decoded pictures of one size.
double MeanError(const PackedDib& a, const PackedDib& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.Pixels().size(); ++i) {
        sum += std::abs(int{a.Pixels()[i]} - int{b.Pixels()[i]});
    }
    return sum / static_cast<double>(a.Pixels().size());
}

TEST(PictureFit, EveryCodecReducesToTheAreaMeans) {
    // A quarter of the pixels: every 2 x 2 square becomes its mean, which is
    // what half.bmp holds.
    const DecodeLimits quarter{.screen_depth = 24, .max_pixels = 96 * 48 / 4};
    const char* error = nullptr;
    const PackedDib half = DecodeImage(Data("half.bmp"), &error, {.screen_depth = 24});
    ASSERT_TRUE(half);
    struct Case {
        const char* file;
        double max_mean_error;  // 0: the same bytes
    };
    const Case cases[] = {
        {"picture.bmp", 0},      // the area filter after the copy
        {"picture.png", 0},      // rows folded as they come
        {"interlaced.png", 0},   // after all seven passes
        {"orient6.png", 0},      // reduced, then turned
        {"lossless.webp", 1.5},  // libwebp's own scaling
        {"picture.heic", 6},     // lossy, then the area filter
        {"jfif.jpg", 6},         // lossy, and DCT scaling to 4/8
    };
    for (const Case& c : cases) {
        const PackedDib reduced = DecodeImage(Data(c.file), &error, quarter);
        ASSERT_TRUE(reduced) << c.file << ": " << (error ? error : "");
        ASSERT_EQ(reduced.Width(), 48) << c.file;
        ASSERT_EQ(reduced.Height(), 24) << c.file;
        if (c.max_mean_error == 0) {
            EXPECT_TRUE(std::equal(reduced.Pixels().begin(), reduced.Pixels().end(),
                                   half.Pixels().begin(), half.Pixels().end()))
                << c.file << " mean error " << MeanError(reduced, half);
        } else {
            EXPECT_LE(MeanError(reduced, half), c.max_mean_error) << c.file;
        }
    }
    // Eighths cannot bring a JPEG below 12 x 6: the area filter does the rest.
    const PackedDib tiny =
        DecodeImage(Data("jfif.jpg"), &error, {.screen_depth = 24, .max_width = 10});
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny.Width(), 12);  // 10 wide, padded to a multiple of 4 for the renderer
    EXPECT_EQ(tiny.Height(), 5);
}

TEST(PictureFit, TheArithmeticBombClaimingAGigapixelDecodesReduced) {
    // 32768 x 32768 flat grey pixels, arithmetic-coded by libjpeg: a few
    // hundred bytes whose every block must still be decoded.
    const Bytes bomb = test::EncodeJpeg(
        {.width = 32768, .height = 32768, .components = 1, .arithmetic = true, .quality = 50});
    ASSERT_LT(bomb.size(), 4096u);
    const auto start = std::chrono::steady_clock::now();
    const char* error = nullptr;
    const PackedDib picture = DecodeImage(bomb, &error, {.screen_depth = 24});
    // Hang detection only: libjpeg needs about half a second at 2/8.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    ASSERT_TRUE(picture) << (error ? error : "");
    EXPECT_EQ(picture.Width(), 8192);
    EXPECT_EQ(picture.Height(), 8192);
    const std::span<const std::uint8_t> pixels = picture.Pixels();
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](std::uint8_t v) { return v == 128; }));
}

}  // namespace
}  // namespace skyweave
