// The renderer's set-up: heading normalisation, pitch adjustment, moved
// source start, rounded stride, row table and its rebuild rules, and the
// calls it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "render/panorama_renderer.h"
#include "render/render_view.h"

namespace skyweave {
namespace {

constexpr std::uint8_t kUntouched = 0xA5;

struct Scene {
    std::int32_t srcWidth;
    std::int32_t srcHeight;
    std::int32_t depth;
    std::vector<std::uint8_t> src;
    std::vector<std::uint8_t> dest;

    Scene(std::int32_t w, std::int32_t h, std::int32_t d, std::int32_t viewW = 64,
          std::int32_t viewH = 64)
        : srcWidth(w), srcHeight(h), depth(d) {
        const std::size_t bytes = static_cast<std::size_t>((d + 1) / 8);
        const std::size_t stride = (static_cast<std::size_t>(w) + 3) / 4 * 4;
        src.resize(stride * h * bytes);
        for (std::size_t i = 0; i < src.size(); ++i) {
            src[i] = static_cast<std::uint8_t>(i * 7 + 3);
        }
        dest.assign(static_cast<std::size_t>(viewW) * std::abs(viewH) * bytes, kUntouched);
    }

    RenderParams Params(double heading, double pitch, std::int32_t viewW = 64,
                        std::int32_t viewH = 64, std::int32_t kind = 0) {
        RenderParams p;
        p.heading = heading;
        p.pitch = pitch;
        p.roll = 0.0;
        p.focal = 64.0;
        p.viewWidth = viewW;
        p.viewHeight = viewH;
        p.dest = dest;
        p.srcWidth = srcWidth;
        p.srcHeight = srcHeight;
        p.src = src;
        p.depth = depth;
        p.filterKind = kind;
        return p;
    }

    bool DestUntouched() const {
        return std::all_of(dest.begin(), dest.end(),
                           [](std::uint8_t b) { return b == kUntouched; });
    }
};

TEST(RendererSetUp, HeadingIsNormalisedWithInclusiveBounds) {
    // W = 3600, H = 1800: k = trunc((270 - heading) * 10) pixels, and the
    // pitch grows by heading / 3600 degrees.
    Scene scene(3600, 1800, 24);
    PanoramaRenderer renderer;
    struct Case {
        double heading;
        double normalised;
        std::ptrdiff_t k;
    };
    for (const Case c :
         {Case{221.0, 221.0, 490}, Case{-139.0, -139.0, 4090}, Case{221.5, -138.5, 4085},
          Case{0.0, 0.0, 2700}, Case{-499.0, -139.0, 4090}, Case{581.0, 221.0, 490},
          Case{941.5, 221.5 - 360.0, 4085}}) {
        ASSERT_EQ(renderer.Render(scene.Params(c.heading, 10.0)), 1) << c.heading;
        const RenderState& s = renderer.State();
        EXPECT_EQ(s.src - scene.src.data(), c.k * 3) << c.heading;
        EXPECT_DOUBLE_EQ(s.pitch, 10.0 + c.normalised / 3600.0) << c.heading;
        EXPECT_NEAR(s.heading, c.normalised + c.k / 10.0, 1e-9) << c.heading;
        EXPECT_NEAR(s.heading, 270.0, 0.1) << c.heading;
    }
}

TEST(RendererSetUp, StateRecordsTheCall) {
    Scene scene(3602, 1800, 16, 96, 64);
    PanoramaRenderer renderer;
    RenderParams p = scene.Params(30.0, -5.0, 96, -64);
    p.roll = 7.0;
    p.offX = 1.5;
    p.offY = -2.5;
    ASSERT_EQ(renderer.Render(p), 1);
    const RenderState& s = renderer.State();
    // The stride is rounded up to 4; the moved start uses the width as given.
    EXPECT_EQ(s.srcWidth, 3604);
    EXPECT_EQ(s.srcHeight, 1800);
    const std::ptrdiff_t k = static_cast<std::ptrdiff_t>((270.0 - 30.0) * 3602 / 360.0);
    EXPECT_EQ(s.src - scene.src.data(), k * 2);
    EXPECT_EQ(s.viewWidth, 96);
    EXPECT_EQ(s.viewHeight, 64);
    EXPECT_EQ(s.topDown, 1);
    EXPECT_EQ(s.depth, 16);
    EXPECT_EQ(s.roll, 7.0);
    EXPECT_EQ(s.focal, 64.0);
    EXPECT_EQ(s.offX, 1.5);
    EXPECT_EQ(s.offY, -2.5);
    EXPECT_EQ(s.dest.data(), scene.dest.data());
    EXPECT_EQ(s.picture.data(), scene.src.data());
}

// Entry i of the nearest table, written out by hand for H = 40, W = 100:
// rows below 8 read row 8, the middle reads row i + 1, the top reads row 32.
std::int32_t ExpectedEntry(int i) {
    int row = i + 1;
    if (row < 8) {
        row = 8;
    }
    if (row > 32) {
        row = 32;
    }
    return row * 100;
}

TEST(RendererSetUp, RowTableHoldsClampedRowOffsets) {
    Scene scene(100, 40, 8);
    PanoramaRenderer renderer;
    EXPECT_EQ(renderer.RowTable(), nullptr);
    ASSERT_EQ(renderer.Render(scene.Params(0.0, 0.0)), 1);
    const std::int32_t* table = renderer.RowTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[-16], 800);
    EXPECT_EQ(table[6], 800);
    EXPECT_EQ(table[7], 800);
    EXPECT_EQ(table[8], 900);
    EXPECT_EQ(table[20], 2100);
    EXPECT_EQ(table[31], 3200);
    EXPECT_EQ(table[32], 3200);
    EXPECT_EQ(table[55], 3200);
    for (int i = -16; i < 56; ++i) {
        EXPECT_EQ(table[i], ExpectedEntry(i)) << i;
    }
}

TEST(RendererSetUp, RowTableIsKeptForTheSameSourceAndRebuiltForANewOne) {
    Scene first(100, 40, 8);
    PanoramaRenderer renderer;
    ASSERT_EQ(renderer.Render(first.Params(10.0, 0.0)), 1);
    const std::int32_t* table = renderer.RowTable();
    ASSERT_EQ(renderer.Render(first.Params(-70.0, 30.0)), 1);
    EXPECT_EQ(renderer.RowTable(), table);
    EXPECT_EQ(renderer.TableWidth(), 100);
    EXPECT_EQ(renderer.TableHeight(), 40);

    // Same height, new stride: refilled in place.
    Scene wider(200, 40, 8);
    ASSERT_EQ(renderer.Render(wider.Params(0.0, 0.0)), 1);
    EXPECT_EQ(renderer.TableWidth(), 200);
    EXPECT_EQ(renderer.RowTable()[20], 21 * 200);

    // New height: a new table for 64 rows (clamped to row 56 at the top).
    Scene taller(200, 64, 8);
    ASSERT_EQ(renderer.Render(taller.Params(0.0, 0.0)), 1);
    EXPECT_EQ(renderer.TableHeight(), 64);
    EXPECT_EQ(renderer.TableWidth(), 200);
    const std::int32_t* rebuilt = renderer.RowTable();
    EXPECT_EQ(rebuilt[-16], 8 * 200);
    EXPECT_EQ(rebuilt[40], 41 * 200);
    EXPECT_EQ(rebuilt[55], 56 * 200);
    EXPECT_EQ(rebuilt[79], 56 * 200);
}

TEST(RendererSetUp, UnsupportedCallsReturnZeroAndLeaveTheDestination) {
    struct Case {
        const char* what;
        std::int32_t depth;
        std::int32_t kind;
        std::int32_t viewW;
        std::int32_t viewH;
    };
    const Case cases[] = {
        {"depth 32", 32, 0, 64, 64},
        {"depth 32 kind 8", 32, 8, 64, 64},
        {"depth 15 kind 2", 15, 2, 64, 64},
        {"depth 16 kind 2", 16, 2, 64, 64},
        {"depth 24 kind 2", 24, 2, 64, 64},
        {"depth 24 kind -1", 24, -1, 64, 64},
        {"depth 0", 0, 0, 64, 64},
        {"width not a multiple of 32", 24, 0, 48, 64},
        {"height not a multiple of 32", 24, 0, 64, 40},
        {"negative height not a multiple of 32", 24, 0, 64, -40},
        {"zero width", 24, 0, 0, 64},
        {"negative width", 24, 0, -64, 64},
        {"zero height", 24, 0, 64, 0},
        {"1024 blocks", 24, 0, 1024 * 32, 32},
    };
    for (const Case& c : cases) {
        const std::int32_t bytes = std::max(1, (c.depth + 1) / 8);
        std::vector<std::uint8_t> src(2048 * 1024 * static_cast<std::size_t>(bytes), 0x11);
        std::vector<std::uint8_t> dest(
            static_cast<std::size_t>(std::abs(c.viewW) + 32) * (std::abs(c.viewH) + 32) * 4,
            kUntouched);
        PanoramaRenderer renderer;
        RenderParams p;
        p.focal = 100.0;
        p.viewWidth = c.viewW;
        p.viewHeight = c.viewH;
        p.dest = dest;
        p.srcWidth = 2048;
        p.srcHeight = 1024;
        p.src = src;
        p.depth = c.depth;
        p.filterKind = c.kind;
        EXPECT_EQ(renderer.Render(p), 0) << c.what;
        EXPECT_TRUE(std::all_of(dest.begin(), dest.end(), [](std::uint8_t b) {
            return b == kUntouched;
        })) << c.what;
        EXPECT_EQ(renderer.RowTable(), nullptr) << c.what;
    }
}

TEST(RendererSetUp, OneThousandTwentyThreeBlocksAreAccepted) {
    Scene scene(64, 32, 8, 1023 * 32, 32);
    PanoramaRenderer renderer;
    EXPECT_EQ(renderer.Render(scene.Params(0.0, 0.0, 1023 * 32, 32)), 1);
}

TEST(RendererSetUp, DepthEightDrawsNearestWithAnyKind) {
    Scene reference(256, 128, 8);
    PanoramaRenderer renderer;
    ASSERT_EQ(renderer.Render(reference.Params(40.0, 20.0, 64, 64, 0)), 1);
    for (std::int32_t kind : {1, 2, 8, 99}) {
        Scene scene(256, 128, 8);
        ASSERT_EQ(renderer.Render(scene.Params(40.0, 20.0, 64, 64, kind)), 1) << kind;
        EXPECT_EQ(scene.dest, reference.dest) << kind;
    }
}

TEST(RendererSetUp, HostileArgumentsAreRefused) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    PanoramaRenderer renderer;
    {
        Scene scene(256, 128, 24);
        for (double bad : {inf, -inf, nan}) {
            RenderParams p = scene.Params(0.0, 0.0);
            p.heading = bad;
            EXPECT_EQ(renderer.Render(p), 0);
            p = scene.Params(0.0, 0.0);
            p.pitch = bad;
            EXPECT_EQ(renderer.Render(p), 0);
            p = scene.Params(0.0, 0.0);
            p.roll = bad;
            EXPECT_EQ(renderer.Render(p), 0);
            p = scene.Params(0.0, 0.0);
            p.focal = bad;
            EXPECT_EQ(renderer.Render(p), 0);
            p = scene.Params(0.0, 0.0);
            p.offX = bad;
            EXPECT_EQ(renderer.Render(p), 0);
            p = scene.Params(0.0, 0.0);
            p.offY = bad;
            EXPECT_EQ(renderer.Render(p), 0);
        }
        EXPECT_TRUE(scene.DestUntouched());
    }
    {
        // Buffers smaller than the sizes claim.
        Scene scene(256, 128, 24);
        RenderParams p = scene.Params(0.0, 0.0);
        p.dest = std::span<std::uint8_t>(scene.dest).first(scene.dest.size() - 1);
        EXPECT_EQ(renderer.Render(p), 0);
        p = scene.Params(0.0, 0.0);
        p.src = std::span<const std::uint8_t>(scene.src).first(scene.src.size() - 1);
        EXPECT_EQ(renderer.Render(p), 0);
        p = scene.Params(0.0, 0.0);
        p.src = {};
        EXPECT_EQ(renderer.Render(p), 0);
        EXPECT_TRUE(scene.DestUntouched());
    }
    {
        // Pictures too small for the row margins or too large for 16.16.
        for (auto [w, h] :
             {std::pair{7, 64}, std::pair{64, 15}, std::pair{0, 64}, std::pair{-8, 64},
              std::pair{kMaxSourceWidth + 1, 16}, std::pair{16, kMaxSourceHeight + 1}}) {
            std::vector<std::uint8_t> src(64 * 64 * 3);
            std::vector<std::uint8_t> dest(64 * 64 * 3, kUntouched);
            RenderParams p;
            p.focal = 64.0;
            p.viewWidth = 64;
            p.viewHeight = 64;
            p.dest = dest;
            p.srcWidth = w;
            p.srcHeight = h;
            p.src = src;
            p.depth = 24;
            EXPECT_EQ(renderer.Render(p), 0) << w << " x " << h;
        }
    }
    {
        // A huge heading is reduced, not stepped for ever; huge offsets give
        // rays without direction, which sample a fixed pixel.
        Scene scene(256, 128, 24);
        EXPECT_EQ(renderer.Render(scene.Params(1e300, 0.0)), 1);
        RenderParams p = scene.Params(0.0, 0.0);
        p.offX = 1e308;
        p.offY = -1e308;
        EXPECT_EQ(renderer.Render(p), 1);
        EXPECT_FALSE(scene.DestUntouched());
    }
}

TEST(RenderView, FocalLengthComesFromTheZoom) {
    Scene scene(512, 256, 24, 640, 480);
    PanoramaRenderer renderer;
    ViewState view;
    view.zoom = 90.0;
    ASSERT_EQ(RenderView(renderer, view, 640, 480, scene.dest, 512, 256, scene.src, 24, 0), 1);
    EXPECT_NEAR(renderer.State().focal, 320.0, 1e-9);
    EXPECT_EQ(renderer.State().offX, 0.0);
    EXPECT_EQ(renderer.State().offY, 0.0);
    view.zoom = 60.0;
    view.heading = 12.0;
    view.roll = 3.0;
    ASSERT_EQ(RenderView(renderer, view, 640, 480, scene.dest, 512, 256, scene.src, 24, 8), 1);
    EXPECT_NEAR(renderer.State().focal, 554.2562584220407, 1e-9);
    EXPECT_EQ(renderer.State().roll, 3.0);
}

TEST(RenderView, RefusedCallsLeaveTheFrame) {
    Scene scene(512, 256, 24, 640, 480);
    PanoramaRenderer renderer;
    const ViewState view;
    EXPECT_EQ(RenderView(renderer, view, 640, 480, scene.dest, 512, 256, scene.src, 32, 0), 0);
    EXPECT_EQ(RenderView(renderer, view, 640, 480, scene.dest, 512, 256, scene.src, 24, 2), 0);
    EXPECT_EQ(RenderView(renderer, view, 640, 480, scene.dest, 512, 256, scene.src, 15, 2), 0);
    ViewState flat = view;
    flat.zoom = 0.0;  // infinite focal length
    EXPECT_EQ(RenderView(renderer, flat, 640, 480, scene.dest, 512, 256, scene.src, 24, 0), 0);
    EXPECT_TRUE(scene.DestUntouched());
}

}  // namespace
}  // namespace skyweave
