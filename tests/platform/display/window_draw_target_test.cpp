// Frame copies into window surfaces: the bottom-up source rows, the block
// origin counted from the bottom, the conversion of every frame depth into
// the visual formats an X server offers, clipping, and refused blocks.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/display/window_draw_target.h"

namespace skyweave {
namespace {

struct SurfaceFree {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceFree>;

Surface MakeSurface(int w, int h, Uint32 format, Uint32 fill) {
    Surface s(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, format));
    EXPECT_NE(s, nullptr);
    SDL_FillRect(s.get(), nullptr, fill);
    return s;
}

std::uint32_t Pixel(SDL_Surface* s, int x, int y) {
    const auto* row = static_cast<const std::uint8_t*>(s->pixels) + y * s->pitch;
    std::uint32_t value = 0;
    switch (s->format->BytesPerPixel) {
        case 2: {
            std::uint16_t v = 0;
            std::memcpy(&v, row + 2 * x, 2);
            value = v;
            break;
        }
        case 3:
            value = row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
            break;
        default:
            std::memcpy(&value, row + 4 * x, 4);
            break;
    }
    return value;
}

// A 24-bit bottom-up frame whose pixel at column c, row r counted from the
// bottom has blue = c, green = r and red = 0x80.
std::vector<std::uint8_t> CoordinateFrame(int w, int h) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(w) * h * 3);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            std::uint8_t* p = bytes.data() + (static_cast<std::size_t>(r) * w + c) * 3;
            p[0] = static_cast<std::uint8_t>(c);
            p[1] = static_cast<std::uint8_t>(r);
            p[2] = 0x80;
        }
    }
    return bytes;
}

TEST(WindowDrawTargetTest, CopiesTheCentredBlockOneToOneWithBottomUpRows) {
    // A 100 x 50 view rectangle of a 128 x 64 frame: the block starts at
    // column 14 and at row 7 counted from the bottom.
    const auto bytes = CoordinateFrame(128, 64);
    FrameImage frame{bytes, 128, 64, 24, {}};
    Surface s = MakeSurface(200, 120, SDL_PIXELFORMAT_RGB888, 0x00123456);
    const PixelRect dest{10, 20, 110, 70};
    const PixelRect changed = CopyFrameToSurface(frame, 14, 7, dest, nullptr, s.get());
    EXPECT_EQ(changed, dest);
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 200; ++x) {
            const bool inside = x >= 10 && x < 110 && y >= 20 && y < 70;
            if (!inside) {
                ASSERT_EQ(Pixel(s.get(), x, y), 0x00123456u) << x << "," << y;
                continue;
            }
            const std::uint32_t column = 14 + (x - 10);
            const std::uint32_t row_from_bottom = 7 + 49 - (y - 20);
            ASSERT_EQ(Pixel(s.get(), x, y) & 0xFFFFFFu, 0x800000u | (row_from_bottom << 8) | column)
                << x << "," << y;
        }
    }
}

TEST(WindowDrawTargetTest, Blocks24BitOfEveryWidthConvertAllTheirPixels) {
    // Widths around the four-pixel groups of the conversion, at odd columns.
    const auto bytes = CoordinateFrame(64, 32);
    FrameImage frame{bytes, 64, 32, 24, {}};
    for (int width = 1; width <= 9; ++width) {
        Surface s = MakeSurface(16, 4, SDL_PIXELFORMAT_RGB888, 0x00FFFFFF);
        CopyFrameToSurface(frame, 3, 5, {2, 1, 2 + width, 3}, nullptr, s.get());
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 2 && x < 2 + width;
            const std::uint32_t expected =
                inside ? 0x800000u | ((5u + 1u) << 8) | static_cast<std::uint32_t>(3 + x - 2)
                       : 0xFFFFFFu;
            ASSERT_EQ(Pixel(s.get(), x, 1) & 0xFFFFFFu, expected) << width << " " << x;
        }
    }
}

TEST(WindowDrawTargetTest, Depth16FramesCopyUnchangedOnto565Visuals) {
    std::vector<std::uint8_t> bytes(32 * 32 * 2);
    for (std::size_t i = 0; i < bytes.size() / 2; ++i) {
        const auto v = static_cast<std::uint16_t>(i * 2654435761u >> 7);
        bytes[2 * i] = static_cast<std::uint8_t>(v);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    FrameImage frame{bytes, 32, 32, 16, {}};
    Surface s = MakeSurface(32, 32, SDL_PIXELFORMAT_RGB565, 0);
    CopyFrameToSurface(frame, 0, 0, {0, 0, 32, 32}, nullptr, s.get());
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const std::size_t i = static_cast<std::size_t>(31 - y) * 32 + x;
            const std::uint32_t expected = bytes[2 * i] | (bytes[2 * i + 1] << 8);
            ASSERT_EQ(Pixel(s.get(), x, y), expected);
        }
    }
}

TEST(WindowDrawTargetTest, SixteenBitFramesWidenByShiftingOnDeepVisuals) {
    // 5-6-5 0xFFFF is red F8, green FC, blue F8; 5-5-5 0x7FFF is F8 F8 F8;
    // bit 15 of a 5-5-5 pixel is ignored.
    const std::vector<std::uint8_t> white565{0xFF, 0xFF, 0x1F, 0x00};
    FrameImage f565{white565, 2, 1, 16, {}};
    Surface s = MakeSurface(2, 1, SDL_PIXELFORMAT_RGB888, 0);
    CopyFrameToSurface(f565, 0, 0, {0, 0, 2, 1}, nullptr, s.get());
    EXPECT_EQ(Pixel(s.get(), 0, 0) & 0xFFFFFFu, 0xF8FCF8u);
    EXPECT_EQ(Pixel(s.get(), 1, 0) & 0xFFFFFFu, 0x0000F8u);

    const std::vector<std::uint8_t> white555{0xFF, 0x7F, 0xFF, 0xFF};
    FrameImage f555{white555, 2, 1, 15, {}};
    CopyFrameToSurface(f555, 0, 0, {0, 0, 2, 1}, nullptr, s.get());
    EXPECT_EQ(Pixel(s.get(), 0, 0) & 0xFFFFFFu, 0xF8F8F8u);
    EXPECT_EQ(Pixel(s.get(), 1, 0) & 0xFFFFFFu, 0xF8F8F8u);

    // Onto a 5-6-5 visual, 5-5-5 white becomes 0xFFDF.
    Surface s565 = MakeSurface(2, 1, SDL_PIXELFORMAT_RGB565, 0);
    CopyFrameToSurface(f555, 0, 0, {0, 0, 2, 1}, nullptr, s565.get());
    EXPECT_EQ(Pixel(s565.get(), 0, 0), 0xFFDFu);
    // Onto a 5-5-5 visual, 5-5-5 frames copy with bit 15 cleared.
    Surface s555 = MakeSurface(2, 1, SDL_PIXELFORMAT_RGB555, 0);
    CopyFrameToSurface(f555, 0, 0, {0, 0, 2, 1}, nullptr, s555.get());
    EXPECT_EQ(Pixel(s555.get(), 0, 0), 0x7FFFu);
    EXPECT_EQ(Pixel(s555.get(), 1, 0), 0x7FFFu);
}

TEST(WindowDrawTargetTest, EightBitFramesUseTheirTableOrTheSharedPalette) {
    const std::vector<std::uint8_t> indices{0, 1, 2, 255};
    // Entry 0 blue 10 green 20 red 30, entry 1 white, entry 2 missing (black).
    const std::vector<std::uint8_t> table{10, 20, 30, 0, 255, 255, 255, 0};
    FrameImage frame{indices, 4, 1, 8, table};
    Surface s = MakeSurface(4, 1, SDL_PIXELFORMAT_RGB888, 0x00ABCDEF);
    CopyFrameToSurface(frame, 0, 0, {0, 0, 4, 1}, nullptr, s.get());
    EXPECT_EQ(Pixel(s.get(), 0, 0) & 0xFFFFFFu, 0x1E140Au);
    EXPECT_EQ(Pixel(s.get(), 1, 0) & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_EQ(Pixel(s.get(), 2, 0) & 0xFFFFFFu, 0u);
    EXPECT_EQ(Pixel(s.get(), 3, 0) & 0xFFFFFFu, 0u);

    Palette palette{};
    palette[255] = PaletteEntry{1, 2, 3, 0};
    CopyFrameToSurface(frame, 0, 0, {0, 0, 4, 1}, &palette, s.get());
    EXPECT_EQ(Pixel(s.get(), 3, 0) & 0xFFFFFFu, 0x010203u);
    EXPECT_EQ(Pixel(s.get(), 0, 0) & 0xFFFFFFu, 0u);
}

TEST(WindowDrawTargetTest, UnusualVisualsGetTheSameColours) {
    const auto bytes = CoordinateFrame(32, 32);
    FrameImage frame{bytes, 32, 32, 24, {}};
    Surface s(SDL_CreateRGBSurfaceWithFormat(0, 32, 32, 24, SDL_PIXELFORMAT_RGB24));
    ASSERT_NE(s, nullptr);
    CopyFrameToSurface(frame, 0, 0, {0, 0, 32, 32}, nullptr, s.get());
    // RGB24 keeps red, green, blue in memory order.
    const auto* p = static_cast<const std::uint8_t*>(s->pixels) + 5 * s->pitch + 3 * 7;
    EXPECT_EQ(p[0], 0x80);
    EXPECT_EQ(p[1], 31 - 5);
    EXPECT_EQ(p[2], 7);
}

TEST(WindowDrawTargetTest, ClipsToTheSurfaceAndRefusesBlocksOutsideTheFrame) {
    const auto bytes = CoordinateFrame(64, 32);
    FrameImage frame{bytes, 64, 32, 24, {}};
    Surface s = MakeSurface(40, 20, SDL_PIXELFORMAT_RGB888, 0x00010101);
    // Half off the left and top edges: only the inside lands, still one to one.
    PixelRect changed = CopyFrameToSurface(frame, 0, 0, {-10, -5, 54, 27}, nullptr, s.get());
    EXPECT_EQ(changed, (PixelRect{0, 0, 40, 20}));
    // Surface (0, 0) shows frame column 10 and the row 5 below the top row.
    EXPECT_EQ(Pixel(s.get(), 0, 0) & 0xFFFFFFu, 0x800000u | ((31 - 5) << 8) | 10u);

    Surface untouched = MakeSurface(40, 20, SDL_PIXELFORMAT_RGB888, 0x00010101);
    EXPECT_EQ(CopyFrameToSurface(frame, 0, 0, {50, 0, 60, 10}, nullptr, untouched.get()),
              PixelRect{});
    // A block that reaches past the frame, a negative origin, and pixels
    // shorter than the frame claims are all refused.
    EXPECT_EQ(CopyFrameToSurface(frame, 10, 0, {0, 0, 60, 10}, nullptr, untouched.get()),
              PixelRect{});
    EXPECT_EQ(CopyFrameToSurface(frame, -1, 0, {0, 0, 10, 10}, nullptr, untouched.get()),
              PixelRect{});
    FrameImage short_frame{std::span(bytes).first(bytes.size() - 1), 64, 32, 24, {}};
    EXPECT_EQ(CopyFrameToSurface(short_frame, 0, 0, {0, 0, 10, 10}, nullptr, untouched.get()),
              PixelRect{});
    FrameImage bad_depth{bytes, 64, 32, 32, {}};
    EXPECT_EQ(CopyFrameToSurface(bad_depth, 0, 0, {0, 0, 10, 10}, nullptr, untouched.get()),
              PixelRect{});
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(Pixel(untouched.get(), x, y), 0x00010101u);
        }
    }
}

}  // namespace
}  // namespace skyweave
