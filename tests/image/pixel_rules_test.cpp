// The per-pixel rules, against the example words and against a channel-wise
// restatement over every 16-bit word.
#include <gtest/gtest.h>

#include "image/pixel_rules.h"

namespace skyweave {
namespace {

TEST(PixelRules, ExampleWords) {
    EXPECT_EQ(Convert555To565(0x7FFF), 0xFFDF);
    const Bgr white = Unpack565(0xFFFF);
    EXPECT_EQ(white.blue, 0xF8);
    EXPECT_EQ(white.green, 0xFC);
    EXPECT_EQ(white.red, 0xF8);
    const Bgr white15 = Unpack555(0x7FFF);
    EXPECT_EQ(white15.blue, 0xF8);
    EXPECT_EQ(white15.green, 0xF8);
    EXPECT_EQ(white15.red, 0xF8);
    EXPECT_EQ(Pack565(0xFF, 0xFF, 0xFF), 0xFFFF);
    EXPECT_EQ(Pack555(0xFF, 0xFF, 0xFF), 0x7FFF);
    EXPECT_EQ(Convert565To555(0xFFFF), 0x7FFF);
    // Pure channels: blue 0x1F, green 0x07E0 / 0x03E0, red 0xF800 / 0x7C00.
    EXPECT_EQ(Pack565(0xFF, 0, 0), 0x001F);
    EXPECT_EQ(Pack565(0, 0xFF, 0), 0x07E0);
    EXPECT_EQ(Pack565(0, 0, 0xFF), 0xF800);
    EXPECT_EQ(Pack555(0, 0, 0xFF), 0x7C00);
    EXPECT_EQ(Convert565To555(0x07E0), 0x03E0);
    EXPECT_EQ(Convert555To565(0x03E0), 0x07C0);  // green's lowest bit stays 0
}

TEST(PixelRules, EveryWordChannelByChannel) {
    for (unsigned p = 0; p < 0x10000; ++p) {
        const unsigned r5 = (p >> 11) & 0x1F, g6 = (p >> 5) & 0x3F, b5 = p & 0x1F;
        const Bgr from565 = Unpack565(static_cast<std::uint16_t>(p));
        ASSERT_EQ(from565.red, r5 * 8);
        ASSERT_EQ(from565.green, g6 * 4);
        ASSERT_EQ(from565.blue, b5 * 8);
        // Back to 5-6-5 loses nothing.
        ASSERT_EQ(Pack565(from565.blue, from565.green, from565.red), p);
        // 5-6-5 to 5-5-5 keeps the top five bits of green.
        ASSERT_EQ(Convert565To555(static_cast<std::uint16_t>(p)),
                  (r5 << 10) | ((g6 >> 1) << 5) | b5);

        const unsigned q = p & 0x7FFF;
        const unsigned qr = (q >> 10) & 0x1F, qg = (q >> 5) & 0x1F, qb = q & 0x1F;
        const Bgr from555 = Unpack555(static_cast<std::uint16_t>(p));  // bit 15 ignored
        ASSERT_EQ(from555.red, qr * 8);
        ASSERT_EQ(from555.green, qg * 8);
        ASSERT_EQ(from555.blue, qb * 8);
        ASSERT_EQ(Convert555To565(static_cast<std::uint16_t>(q)), (qr << 11) | (qg << 6) | qb);
    }
}

}  // namespace
}  // namespace skyweave
