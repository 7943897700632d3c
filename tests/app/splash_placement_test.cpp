// Where the splash picture goes in a client area, and the embedded picture
// itself: a 600 x 400 JFIF stream that decodes at 24 bits.
#include <gtest/gtest.h>

#include "app/splash_picture.h"
#include "image/jpeg_codec.h"
#include "splash/program_resources.h"

namespace skyweave {
namespace {

TEST(SplashPlacementTest, PreviewOf320By240ScalesTo320By213At0And13) {
    EXPECT_EQ(SplashPlacement(320, 240, 600, 400), (PixelRect{0, 13, 320, 226}));
}

TEST(SplashPlacementTest, FittingPicturesStayUnscaledAndCentred) {
    EXPECT_EQ(SplashPlacement(1280, 720, 600, 400), (PixelRect{340, 160, 940, 560}));
    EXPECT_EQ(SplashPlacement(600, 400, 600, 400), (PixelRect{0, 0, 600, 400}));
    // An odd excess truncates towards the top left.
    EXPECT_EQ(SplashPlacement(601, 401, 600, 400), (PixelRect{0, 0, 600, 400}));
}

TEST(SplashPlacementTest, ScalesByTheSmallerRatio) {
    // Height limits: 0.5, so 300 x 200 centred in 800 x 200.
    EXPECT_EQ(SplashPlacement(800, 200, 600, 400), (PixelRect{250, 0, 550, 200}));
    // One side too small is enough to scale; here width limits (0.9).
    EXPECT_EQ(SplashPlacement(540, 1000, 600, 400), (PixelRect{0, 320, 540, 680}));
}

TEST(SplashPlacementTest, DegenerateSizesNeitherDivideByZeroNorOverflow) {
    EXPECT_EQ(SplashPlacement(0, 0, 600, 400), (PixelRect{0, 0, 0, 0}));
    const PixelRect tiny = SplashPlacement(10, 10, 0, 0);
    EXPECT_EQ(tiny, (PixelRect{5, 5, 5, 5}));
}

TEST(SplashResourceTest, IsA600By400JfifPictureThatDecodesAt24Bits) {
    const auto bytes = FindProgramResource("JPG", 110);
    ASSERT_GT(bytes.size(), 1000u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    EXPECT_EQ(bytes[6], 'J');
    EXPECT_EQ(bytes[7], 'F');
    EXPECT_EQ(bytes[8], 'I');
    EXPECT_EQ(bytes[9], 'F');
    EXPECT_TRUE(FindProgramResource("JPG", 111).empty());
    EXPECT_TRUE(FindProgramResource("jpg", 110).empty());

    const char* error = nullptr;
    const PackedDib picture = JPGImageDecompress(bytes, 24, 0, &error);
    ASSERT_TRUE(static_cast<bool>(picture)) << (error ? error : "");
    EXPECT_EQ(picture.Width(), 600);
    EXPECT_EQ(picture.Height(), 400);
    EXPECT_EQ(picture.BitCount(), 24);
}

}  // namespace
}  // namespace skyweave
