// The crossfade between two panoramas: the mix of two frames in exact
// integer arithmetic for every depth that can be mixed, the share of the
// incoming frame over time, and whole crossfaded frames of two real engines
// held against the frames each engine draws alone.
#include "engine/crossfade.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/engine_fixture.h"
#include "platform/core/memory_draw_target.h"

namespace skyweave {
namespace {

using namespace std::chrono_literals;
using skyweave::testing::Bytes;
using skyweave::testing::Rgb;

TEST(CrossfadeTest, BlendFramesMixesEveryChannelExactly) {
    struct Case {
        const char* name;
        std::uint16_t depth;
        int weight;
        Bytes from, to, expected;
    };
    const Case cases[] = {
        {"24 start", 24, 0, {0, 255, 100}, {255, 0, 101}, {0, 255, 100}},
        {"24 end", 24, 256, {0, 255, 100}, {255, 0, 101}, {255, 0, 101}},
        {"24 middle",
         24,
         128,
         {0, 255, 100, 7, 7, 1},
         {255, 0, 101, 7, 8, 0},
         {128, 128, 101, 7, 8, 1}},
        {"24 quarter", 24, 64, {0, 255, 100}, {255, 0, 101}, {64, 191, 100}},
        {"24 beyond the ends", 24, 999, {1, 2, 3}, {4, 5, 6}, {4, 5, 6}},
        {"24 below the start", 24, -5, {1, 2, 3}, {4, 5, 6}, {1, 2, 3}},
        // 5-6-5: pure red 31 to pure green 63 gives red 16, green 32.
        {"16 middle", 16, 128, {0x00, 0xF8}, {0xE0, 0x07}, {0x00, 0x84}},
        // 5-5-5: pure red 31 to pure blue 31 gives red 16, blue 16.
        {"15 middle", 15, 128, {0x00, 0x7C}, {0x1F, 0x00}, {0x10, 0x40}},
        {"15 white to black, a quarter", 15, 64, {0xFF, 0x7F}, {0x00, 0x00}, {0xF7, 0x5E}},
        // Palette indexes have no channels: nothing is written.
        {"8", 8, 128, {10, 20}, {30, 40}, {0xEE, 0xEE}},
    };
    for (const Case& c : cases) {
        Bytes out(c.expected.size(), 0xEE);
        BlendFrames(c.from, c.to, c.depth, c.weight, out);
        EXPECT_EQ(out, c.expected) << c.name;
    }
    // Only whole pixels that all three spans hold are written.
    Bytes out(4, 0xEE);
    BlendFrames(Bytes{0, 0, 0, 0, 0, 0}, Bytes{2, 2, 2, 2, 2, 2}, 24, 128, out);
    EXPECT_EQ(out, (Bytes{1, 1, 1, 0xEE}));
    Bytes in_place = {10, 20, 30};
    BlendFrames(in_place, Bytes{20, 40, 60}, 24, 128, in_place);
    EXPECT_EQ(in_place, (Bytes{15, 30, 45}));
}

TEST(CrossfadeTest, TheIncomingShareGrowsOverTheFade) {
    struct Case {
        std::chrono::nanoseconds elapsed;
        std::chrono::nanoseconds duration;
        int weight;
    };
    for (const Case& c :
         {Case{-1s, 1500ms, 0}, Case{0ms, 1500ms, 0}, Case{750ms, 1500ms, 128},
          Case{375ms, 1500ms, 64}, Case{1499ms, 1500ms, 256}, Case{1500ms, 1500ms, 256},
          Case{1h, 1500ms, 256}, Case{1ms, 0ms, 256}, Case{1ms, -5ms, 256},
          Case{std::chrono::hours(24 * 365 * 100), std::chrono::hours(24 * 365 * 200), 128}}) {
        EXPECT_EQ(FadeWeight(c.elapsed, c.duration), c.weight)
            << c.elapsed.count() << " of " << c.duration.count();
    }
    EXPECT_EQ(kCrossfadeTime, 1500ms);
}

class CrossfaderTest : public skyweave::testing::EngineTest {
  protected:
    // Two different pictures: gradients running in different directions.
    static Bytes PictureA() {
        return skyweave::testing::Bmp24(256, 128, [](int x, int y) {
            return Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(2 * y), 40};
        });
    }
    static Bytes PictureB() {
        return skyweave::testing::Bmp24(256, 128, [](int x, int y) {
            return Rgb{200, static_cast<std::uint8_t>(255 - x), static_cast<std::uint8_t>(y + x)};
        });
    }
    static std::unique_ptr<PanoramaEngine> Load(const Bytes& bytes, int depth, double heading) {
        DecodeLimits limits;
        limits.screen_depth = depth;
        auto engine =
            std::make_unique<PanoramaEngine>(std::span<const std::uint8_t>(bytes), limits);
        engine->SetView(heading, 10, 0, 70);
        return engine;
    }
    // What `engine` draws alone into `rect` of a 128 x 80 picture.
    static MemoryDrawTarget Alone(PanoramaEngine& engine, const PixelRect& rect) {
        MemoryDrawTarget target(128, 80);
        engine.Draw(target, rect);
        return target;
    }
};

// The middle frame of a fade is the exact average of the two views, the
// ends are each view alone, and nothing lands outside the rectangle.
TEST_F(CrossfaderTest, TheMiddleFrameIsTheAverageOfTheTwoViews) {
    const PixelRect rect{7, 9, 107, 59};  // 100 x 50: frames of 128 x 64
    struct Case {
        const char* name;
        int depth;
        int weight;
    };
    for (const Case& c : {Case{"24 middle", 24, 128}, Case{"24 start", 24, 0},
                          Case{"24 end", 24, 256}, Case{"16 middle", 16, 128}}) {
        // Fresh engines for each drawing: every one is a first (moving) frame.
        auto from_alone = Load(PictureA(), c.depth, 30);
        auto to_alone = Load(PictureB(), c.depth, -60);
        const MemoryDrawTarget a = Alone(*from_alone, rect);
        const MemoryDrawTarget b = Alone(*to_alone, rect);
        ASSERT_EQ(a.Depth(), c.depth);
        ASSERT_NE(a.Pixels(), b.Pixels()) << c.name;

        auto from = Load(PictureA(), c.depth, 30);
        auto to = Load(PictureB(), c.depth, -60);
        MemoryDrawTarget mixed(128, 80);
        Crossfader fader;
        EXPECT_EQ(fader.Draw(*from, *to, c.weight, mixed, rect), kDone) << c.name;
        ASSERT_EQ(mixed.Depth(), c.depth) << c.name;
        const std::vector<std::uint8_t>& got = mixed.Pixels();
        ASSERT_EQ(got.size(), a.Pixels().size());
        const int bytes_per_pixel = c.depth == 24 ? 3 : 2;
        int wrong = 0;
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 128; ++x) {
                const std::size_t at = (static_cast<std::size_t>(y) * 128 + x) * bytes_per_pixel;
                const bool inside =
                    x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
                for (int i = 0; i < bytes_per_pixel; ++i) {
                    std::uint8_t expected = 0;
                    if (inside && c.weight == 0) {
                        expected = a.Pixels()[at + i];
                    } else if (inside && c.weight == 256) {
                        expected = b.Pixels()[at + i];
                    } else if (inside && c.depth == 24) {
                        expected = static_cast<std::uint8_t>(
                            (a.Pixels()[at + i] + b.Pixels()[at + i] + 1) / 2);
                    } else if (inside && i == 0) {
                        // 5-6-5 averaged field by field, rounding halves up.
                        const auto pixel = [](const std::vector<std::uint8_t>& p, std::size_t j) {
                            return p[j] | (p[j + 1] << 8);
                        };
                        const int pa = pixel(a.Pixels(), at);
                        const int pb = pixel(b.Pixels(), at);
                        const int red = (((pa >> 11) & 31) + ((pb >> 11) & 31) + 1) / 2;
                        const int green = (((pa >> 5) & 63) + ((pb >> 5) & 63) + 1) / 2;
                        const int blue = ((pa & 31) + (pb & 31) + 1) / 2;
                        const int mix = (red << 11) | (green << 5) | blue;
                        wrong += got[at] != (mix & 0xFF) || got[at + 1] != (mix >> 8);
                        continue;
                    } else if (inside) {
                        continue;  // checked with the pixel's first byte
                    }
                    wrong += got[at + i] != expected;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << c.name;
    }
}

// Frames that cannot be mixed show the incoming panorama alone; an engine
// that is not loaded draws nothing.
TEST_F(CrossfaderTest, FramesOfTwoDepthsCutToTheIncomingPanorama) {
    const PixelRect rect{0, 0, 100, 50};
    auto to_alone = Load(PictureB(), 24, -60);
    const MemoryDrawTarget b = Alone(*to_alone, rect);
    auto from = Load(PictureA(), 16, 30);
    auto to = Load(PictureB(), 24, -60);
    MemoryDrawTarget mixed(128, 80);
    Crossfader fader;
    EXPECT_EQ(fader.Draw(*from, *to, 128, mixed, rect), kDone);
    EXPECT_EQ(mixed.Pixels(), b.Pixels());

    PanoramaEngine unloaded;
    MemoryDrawTarget untouched(128, 80);
    EXPECT_EQ(fader.Draw(unloaded, *to, 128, untouched, rect), kNotLoaded);
    EXPECT_EQ(fader.Draw(*from, unloaded, 128, untouched, rect), kNotLoaded);
    EXPECT_EQ(untouched.CopyCount(), 0);
}

// A window over two monitors fades each view between its own two views:
// view 1 of both engines, turned elsewhere than view 0, gives the mix of
// what each draws alone from that view; a view either engine lacks draws
// nothing.
TEST_F(CrossfaderTest, TheSecondViewMixesTheSecondViewsOfBothPanoramas) {
    const PixelRect rect{4, 4, 104, 54};
    const auto two_views = [](const Bytes& bytes, double heading) {
        auto engine = Load(bytes, 24, 0);
        engine->SetViewCount(2);
        engine->SetView(heading, -20, 0, 50, 1);
        return engine;
    };
    auto from_alone = two_views(PictureA(), 120);
    auto to_alone = two_views(PictureB(), -90);
    MemoryDrawTarget a(128, 80);
    MemoryDrawTarget b(128, 80);
    from_alone->Draw(a, rect, 1);
    to_alone->Draw(b, rect, 1);

    auto from = two_views(PictureA(), 120);
    auto to = two_views(PictureB(), -90);
    MemoryDrawTarget mixed(128, 80);
    Crossfader fader;
    ASSERT_EQ(fader.Draw(*from, *to, 128, mixed, rect, 1), kDone);
    ASSERT_EQ(mixed.Pixels().size(), a.Pixels().size());
    int wrong = 0;
    for (std::size_t i = 0; i < a.Pixels().size(); ++i) {
        wrong += mixed.Pixels()[i] != (a.Pixels()[i] + b.Pixels()[i] + 1) / 2;
    }
    EXPECT_EQ(wrong, 0);

    MemoryDrawTarget untouched(128, 80);
    EXPECT_EQ(fader.Draw(*from, *to, 128, untouched, rect, 2), kNotLoaded);
    auto one_view = Load(PictureB(), 24, -90);
    EXPECT_EQ(fader.Draw(*from, *one_view, 128, untouched, rect, 1), kNotLoaded);
    EXPECT_EQ(untouched.CopyCount(), 0);
}

}  // namespace
}  // namespace skyweave
