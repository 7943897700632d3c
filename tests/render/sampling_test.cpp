// The three sampling rules, pixel by pixel on hand-made pictures, and the
// same rules seen through whole renders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "render/panorama_renderer.h"
#include "render/pixel_samplers.h"

namespace skyweave {
namespace {

// A picture of 8 by 4 pixels with plain row tables (no clamping needed for
// the positions used here), in exact-size buffers.
struct Picture {
    static constexpr int kW = 8;
    static constexpr int kH = 4;
    int bytes;
    std::vector<std::uint8_t> pixels;
    std::vector<std::int32_t> nearestRows;
    std::vector<std::int32_t> pairRows;

    explicit Picture(int pixelBytes)
        : bytes(pixelBytes),
          pixels(static_cast<std::size_t>(kW * kH * pixelBytes)),
          nearestRows(kH + 32),
          pairRows(kH + 32) {
        for (int i = 0; i < kH + 32; ++i) {
            // The nearest table reads row i + 1, as the renderer's does.
            nearestRows[i] = std::clamp(i - 16 + 1, 0, kH - 1) * kW;
            pairRows[i] = std::clamp(i - 16, 0, kH - 2) * kW;
        }
    }

    void Set(int col, int row, std::uint32_t value) {
        std::uint8_t* p = &pixels[static_cast<std::size_t>((row * kW + col) * bytes)];
        for (int i = 0; i < bytes; ++i) {
            p[i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }

    SamplerSource Source() const {
        SamplerSource s;
        s.src = pixels.data();
        s.rowTable = nearestRows.data() + 16;
        s.pairRowTable = pairRows.data() + 16;
        s.stride = kW;
        return s;
    }
};

// The packed pixel a sampler gives, without the junk byte 3 of 3-byte pixels.
template <class Sampler>
std::uint32_t Sample(const Picture& picture, std::int32_t u, std::int32_t v) {
    const std::uint32_t pixel = Sampler{picture.Source()}(u, v);
    return Sampler::kPixelBytes == 3 ? pixel & 0xFFFFFFu : pixel;
}

constexpr std::int32_t Fixed(int whole, int fraction) {
    return whole << 16 | fraction;
}

TEST(Sampling, NearestReadsTheRowAboveThroughTheRowTable) {
    Picture picture(3);
    picture.Set(2, 1, 0x112233);
    picture.Set(2, 2, 0x445566);
    // Row 1 of a position reads picture row 2; fractions do not matter.
    EXPECT_EQ(Sample<samplers::Nearest<3>>(picture, Fixed(2, 0xFFFF), Fixed(1, 0x8000)), 0x445566u);
    EXPECT_EQ(Sample<samplers::Nearest<3>>(picture, Fixed(2, 0), Fixed(0, 0)), 0x112233u);
}

TEST(Sampling, HalfPixelAverageSwitchesAtFractionOneHalf) {
    Picture picture(3);
    picture.Set(3, 1, 0x102030);  // P(x, y)
    picture.Set(4, 1, 0x305070);  // P(x + 1, y)
    picture.Set(3, 2, 0x5090B0);  // P(x, y + 1)
    picture.Set(4, 2, 0x70D0F2);  // P(x + 1, y + 1)
    using S = samplers::Average24;
    // 0x7FFF in both: the pixel itself.
    EXPECT_EQ(Sample<S>(picture, Fixed(3, 0x7FFF), Fixed(1, 0x7FFF)), 0x102030u);
    // u fraction 0x8000: averaged with the right-hand neighbour.
    EXPECT_EQ(Sample<S>(picture, Fixed(3, 0x8000), Fixed(1, 0x7FFF)), 0x203850u);
    // v fraction 0x8000: averaged with the pixel one row up.
    EXPECT_EQ(Sample<S>(picture, Fixed(3, 0x0000), Fixed(1, 0xFFFF)), 0x305870u);
    // Both: all four, each byte (a + b + c + d) >> 2.
    EXPECT_EQ(Sample<S>(picture, Fixed(3, 0x8000), Fixed(1, 0x8000)),
              static_cast<std::uint32_t>(((0x10 + 0x30 + 0x50 + 0x70) >> 2) << 16 |
                                         ((0x20 + 0x50 + 0x90 + 0xD0) >> 2) << 8 |
                                         ((0x30 + 0x70 + 0xB0 + 0xF2) >> 2)));
}

TEST(Sampling, HalfPixelAverageWorksPerChannelAtSixteenBits) {
    // 5-6-5: red 11-15, green 5-10, blue 0-4.
    const auto rgb565 = [](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
        return r << 11 | g << 5 | b;
    };
    Picture picture(2);
    picture.Set(1, 0, rgb565(31, 63, 0));
    picture.Set(2, 0, rgb565(0, 1, 31));
    picture.Set(1, 1, rgb565(2, 10, 4));
    picture.Set(2, 1, rgb565(5, 20, 6));
    using S = samplers::Average16<samplers::Layout565>;
    EXPECT_EQ(Sample<S>(picture, Fixed(1, 0x8000), Fixed(0, 0)), rgb565(15, 32, 15));
    EXPECT_EQ(Sample<S>(picture, Fixed(1, 0xC000), Fixed(0, 0x9000)),
              rgb565((31 + 0 + 2 + 5) >> 2, (63 + 1 + 10 + 20) >> 2, (0 + 31 + 4 + 6) >> 2));
    EXPECT_EQ(Sample<S>(picture, Fixed(1, 0), Fixed(0, 0)), rgb565(31, 63, 0));
}

TEST(Sampling, DepthFifteenBitFifteenIsClearedOnlyByTheAverage) {
    // 5-5-5 with bit 15 set in every pixel.
    const auto rgb555 = [](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
        return 0x8000u | r << 10 | g << 5 | b;
    };
    Picture picture(2);
    picture.Set(5, 1, rgb555(31, 7, 1));
    picture.Set(6, 1, rgb555(1, 9, 3));
    picture.Set(5, 2, rgb555(20, 20, 20));
    picture.Set(6, 2, rgb555(10, 10, 10));
    using Average = samplers::Average16<samplers::Layout555>;
    using Bilinear = samplers::Bilinear16<samplers::Layout555>;
    // No neighbour averaged: the pixel itself with bit 15 cleared.
    EXPECT_EQ(Sample<Average>(picture, Fixed(5, 0x1000), Fixed(1, 0x7000)),
              rgb555(31, 7, 1) & 0x7FFF);
    EXPECT_EQ(Sample<Average>(picture, Fixed(5, 0x8000), Fixed(1, 0)),
              (16u << 10) | (8u << 5) | 2u);
    EXPECT_EQ(Sample<Bilinear>(picture, Fixed(5, 0x0FFF), Fixed(1, 0x0FFF)),
              rgb555(31, 7, 1) & 0x7FFF);
    // Nearest copies the pixel unchanged (it reads row y + 1).
    EXPECT_EQ(Sample<samplers::Nearest<2>>(picture, Fixed(5, 0), Fixed(0, 0)), rgb555(31, 7, 1));
}

TEST(Sampling, BilinearUsesOnlyTheTopFourFractionBits) {
    Picture picture(3);
    picture.Set(0, 0, 100 | 10 << 8 | 0 << 16);
    picture.Set(1, 0, 200 | 30 << 8 | 255 << 16);
    picture.Set(0, 1, 50 | 50 << 8 | 0 << 16);
    picture.Set(1, 1, 250 | 70 << 8 | 255 << 16);
    using S = samplers::Bilinear24;
    // Fractions 0x0000 to 0x0FFF: P(x, y) alone.
    for (int fu : {0x0000, 0x0001, 0x0800, 0x0FFF}) {
        for (int fv : {0x0000, 0x0ABC, 0x0FFF}) {
            EXPECT_EQ(Sample<S>(picture, Fixed(0, fu), Fixed(0, fv)), 100u | 10u << 8);
        }
    }
    // u fraction 0x1000 (a = 16): (240 * 256 * 100 + 16 * 256 * 200) >> 16 = 106;
    // the low twelve bits change nothing.
    const std::uint32_t a16 = Sample<S>(picture, Fixed(0, 0x1000), Fixed(0, 0));
    EXPECT_EQ(a16 & 0xFF, 106u);
    EXPECT_EQ(a16 >> 8 & 0xFF, (240u * 256 * 10 + 16u * 256 * 30) >> 16);
    EXPECT_EQ(a16 >> 16, (16u * 256 * 255) >> 16);
    EXPECT_EQ(Sample<S>(picture, Fixed(0, 0x1FFF), Fixed(0, 0x0FFF)), a16);
    // Both fractions one half: the four weights are equal.
    EXPECT_EQ(Sample<S>(picture, Fixed(0, 0x8000), Fixed(0, 0x8000)) & 0xFF,
              (100u + 200 + 50 + 250) / 4);
    // Largest fractions (a = b = 240): weights 16*16, 240*16, 16*240, 240*240.
    EXPECT_EQ(Sample<S>(picture, Fixed(0, 0xFFFF), Fixed(0, 0xF000)) & 0xFF,
              (256u * 100 + 3840u * 200 + 3840u * 50 + 57600u * 250) >> 16);
}

TEST(Sampling, BilinearRepacksSixteenBitChannels) {
    const auto rgb565 = [](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
        return r << 11 | g << 5 | b;
    };
    Picture picture(2);
    picture.Set(0, 0, rgb565(0, 0, 0));
    picture.Set(1, 0, rgb565(31, 63, 31));
    picture.Set(0, 1, rgb565(0, 0, 0));
    picture.Set(1, 1, rgb565(31, 63, 31));
    using S = samplers::Bilinear16<samplers::Layout565>;
    // a = 128: half of each channel, truncated.
    EXPECT_EQ(Sample<S>(picture, Fixed(0, 0x8000), Fixed(0, 0x4000)),
              rgb565(31 * 128 / 256, 63 * 128 / 256, 31 * 128 / 256));
}

// Every fraction combination on random windows, against the per-channel
// formulas written out plainly: (a + b + c + d) >> 2 and friends for the
// average, the 16-level weights with >> 16 for bilinear.
struct Channels {
    int shift[3];
    int bits[3];
    int bytes;
};

std::uint32_t PlainAverage(const std::uint32_t (&px)[4], bool fu, bool fv, const Channels& ch) {
    std::uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const auto at = [&](int i) { return (px[i] >> ch.shift[c]) & ((1u << ch.bits[c]) - 1); };
        std::uint32_t value;
        if (fu && fv) {
            value = (at(0) + at(1) + at(2) + at(3)) >> 2;
        } else if (fu) {
            value = (at(0) + at(1)) >> 1;
        } else if (fv) {
            value = (at(0) + at(2)) >> 1;
        } else {
            value = at(0);
        }
        out |= value << ch.shift[c];
    }
    return out;
}

std::uint32_t PlainBilinear(const std::uint32_t (&px)[4], std::uint32_t a, std::uint32_t b,
                            const Channels& ch) {
    std::uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const auto at = [&](int i) { return (px[i] >> ch.shift[c]) & ((1u << ch.bits[c]) - 1); };
        const std::uint32_t value = ((256 - a) * (256 - b) * at(0) + a * (256 - b) * at(1) +
                                     (256 - a) * b * at(2) + a * b * at(3)) >>
                                    16;
        out |= value << ch.shift[c];
    }
    return out;
}

template <class AverageSampler, class BilinearSampler>
void CheckAgainstPlainFormulas(const Channels& ch) {
    std::uint32_t seed = 2024;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int round = 0; round < 40; ++round) {
        Picture picture(ch.bytes);
        std::uint32_t px[4];
        for (int i = 0; i < 4; ++i) {
            px[i] = next() & (ch.bytes == 3 ? 0xFFFFFFu : 0xFFFFu);
        }
        // Neighbours of the window hold other values, to catch reads off by
        // a pixel or a row.
        for (int r = 0; r < Picture::kH; ++r) {
            for (int c = 0; c < Picture::kW; ++c) {
                picture.Set(c, r, next());
            }
        }
        picture.Set(2, 1, px[0]);
        picture.Set(3, 1, px[1]);
        picture.Set(2, 2, px[2]);
        picture.Set(3, 2, px[3]);
        for (int fu = 0; fu < 16; ++fu) {
            for (int fv = 0; fv < 16; ++fv) {
                // Low fraction bits vary too; they must not matter.
                const std::int32_t u = Fixed(2, fu << 12 | (next() & 0xFFF));
                const std::int32_t v = Fixed(1, fv << 12 | (next() & 0xFFF));
                ASSERT_EQ(Sample<BilinearSampler>(picture, u, v),
                          PlainBilinear(px, fu * 16, fv * 16, ch))
                    << fu << " " << fv;
                ASSERT_EQ(Sample<AverageSampler>(picture, u, v),
                          PlainAverage(px, fu >= 8, fv >= 8, ch))
                    << fu << " " << fv;
            }
        }
    }
}

TEST(Sampling, AverageAndBilinearMatchThePlainFormulasForEveryFraction) {
    CheckAgainstPlainFormulas<samplers::Average24, samplers::Bilinear24>(
        Channels{{0, 8, 16}, {8, 8, 8}, 3});
    CheckAgainstPlainFormulas<samplers::Average16<samplers::Layout565>,
                              samplers::Bilinear16<samplers::Layout565>>(
        Channels{{11, 5, 0}, {5, 6, 5}, 2});
    CheckAgainstPlainFormulas<samplers::Average16<samplers::Layout555>,
                              samplers::Bilinear16<samplers::Layout555>>(
        Channels{{10, 5, 0}, {5, 5, 5}, 2});
}

// Whole renders of uniform pictures: every kind gives back the one colour
// (the weights add up to one), except that the average clears bit 15. The
// view keeps both poles out of sight: the pole patch samples nearest.
TEST(Sampling, UniformPicturesStayUniformUnderEveryKind) {
    for (int depth : {15, 16, 24}) {
        const int bytes = (depth + 1) / 8;
        std::vector<std::uint8_t> src(static_cast<std::size_t>(256 * 128 * bytes));
        for (std::size_t i = 0; i < src.size(); ++i) {
            src[i] = bytes == 3 ? static_cast<std::uint8_t>(0x5A + i % 3) : 0xFF;
        }
        for (int kind : {0, 1, 8}) {
            std::vector<std::uint8_t> dest(static_cast<std::size_t>(128 * 96 * bytes), 0);
            PanoramaRenderer renderer;
            RenderParams p;
            p.heading = 33.0;
            p.pitch = 10.0;
            p.roll = 10.0;
            p.focal = 60.0;
            p.viewWidth = 128;
            p.viewHeight = 96;
            p.dest = dest;
            p.srcWidth = 256;
            p.srcHeight = 128;
            p.src = src;
            p.depth = depth;
            p.filterKind = kind;
            ASSERT_EQ(renderer.Render(p), 1);
            for (std::size_t i = 0; i < dest.size(); i += bytes) {
                if (bytes == 3) {
                    ASSERT_EQ(dest[i], 0x5A);
                    ASSERT_EQ(dest[i + 1], 0x5B);
                    ASSERT_EQ(dest[i + 2], 0x5C);
                } else {
                    const std::uint32_t pixel = dest[i] | dest[i + 1] << 8;
                    const std::uint32_t expected = depth == 15 && kind != 0 ? 0x7FFFu : 0xFFFFu;
                    ASSERT_EQ(pixel, expected) << depth << " " << kind << " " << i;
                }
            }
        }
    }
}

}  // namespace
}  // namespace skyweave
