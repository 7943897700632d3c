// No read outside the source and no write outside the destination, for
// every depth and kind, straight up and down, across the seam, at zoom 10
// and 170, on pictures down to the smallest supported. Each picture and
// frame sits in an exact-size heap buffer (AddressSanitizer, in the asan
// build) and against a guard page on either side (every build).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "render/guarded_buffer.h"
#include "render/panorama_renderer.h"
#include "render/render_view.h"

namespace skyweave {
namespace {

using test::GuardedBuffer;

struct Mode {
    int depth;
    int kind;
};
constexpr Mode kModes[] = {{8, 0},  {8, 2},  {15, 0}, {15, 1}, {15, 8}, {16, 0},
                           {16, 1}, {16, 8}, {24, 0}, {24, 1}, {24, 8}};

std::size_t PictureBytes(int w, int h, int depth) {
    return static_cast<std::size_t>((w + 3) / 4 * 4) * h * ((depth + 1) / 8);
}

void Fill(std::span<std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    }
}

// Renders a sweep of views of a w by h picture into a viewW by viewH frame
// with every mode; src and dest are the buffers to use.
void Sweep(int w, int h, int viewW, int viewH, std::span<const std::uint8_t> src,
           std::span<std::uint8_t> dest, int depth, int kind) {
    PanoramaRenderer renderer;
    const double headings[] = {-180, -139, -90.5, -1, 0, 44.9, 90, 135, 179.99, 180, 221};
    const double pitches[] = {-90, -89.5, -60, 0, 33, 89.5, 90};
    const double rolls[] = {0, 37, -120, 180};
    const double zooms[] = {10, 90, 170, 135};
    int n = 0;
    for (double heading : headings) {
        for (double pitch : pitches) {
            ViewState view{heading, pitch, rolls[n % 4], zooms[(n / 4) % 4]};
            const int height = n % 2 == 0 ? viewH : -viewH;
            ASSERT_EQ(RenderView(renderer, view, viewW, height, dest, w, h, src, depth, kind), 1)
                << w << "x" << h << " depth " << depth << " kind " << kind;
            ++n;
        }
    }
}

TEST(Bounds, ExactHeapBuffersEveryDepthAndKind) {
    const std::pair<int, int> sizes[] = {{8, 16}, {9, 17}, {12, 16}, {64, 32}, {300, 150}};
    for (const Mode mode : kModes) {
        for (const auto& [w, h] : sizes) {
            std::vector<std::uint8_t> src(PictureBytes(w, h, mode.depth));
            Fill(src);
            std::vector<std::uint8_t> dest(
                static_cast<std::size_t>(64 * 32 * ((mode.depth + 1) / 8)));
            Sweep(w, h, 64, 32, src, dest, mode.depth, mode.kind);
        }
    }
}

TEST(Bounds, GuardPagesOnBothSidesEveryDepthAndKind) {
    const std::pair<int, int> sizes[] = {{8, 16}, {13, 16}, {256, 128}};
    for (const Mode mode : kModes) {
        for (const auto& [w, h] : sizes) {
            for (const auto guard :
                 {GuardedBuffer::Guard::AfterEnd, GuardedBuffer::Guard::BeforeStart}) {
                GuardedBuffer src(PictureBytes(w, h, mode.depth), guard);
                Fill(src.Bytes());
                GuardedBuffer dest(static_cast<std::size_t>(96 * 64 * ((mode.depth + 1) / 8)),
                                   guard);
                Sweep(w, h, 96, 64, src.Bytes(), dest.Bytes(), mode.depth, mode.kind);
            }
        }
    }
}

TEST(Bounds, RandomViewsOfRandomSmallPicturesStayInside) {
    // Small pictures are where the margins are tightest; any view angle,
    // roll, zoom and view offset, against guard pages on alternate sides.
    std::uint32_t seed = 77;
    const auto next = [&seed](std::uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    for (int round = 0; round < 600; ++round) {
        const Mode mode = kModes[next(std::size(kModes))];
        const int w = 8 + static_cast<int>(next(60));
        const int h = 16 + static_cast<int>(next(40));
        const auto guard =
            round % 2 == 0 ? GuardedBuffer::Guard::AfterEnd : GuardedBuffer::Guard::BeforeStart;
        GuardedBuffer src(PictureBytes(w, h, mode.depth), guard);
        Fill(src.Bytes());
        GuardedBuffer dest(static_cast<std::size_t>(64 * 64 * ((mode.depth + 1) / 8)), guard);
        RenderParams p;
        p.heading = static_cast<double>(next(720000)) / 1000.0 - 360.0;
        // Reads reach furthest looking straight up or down: a third of the
        // views do.
        const double pitches[] = {90.0, -90.0, 89.99, -89.99};
        p.pitch =
            next(3) == 0 ? pitches[next(4)] : static_cast<double>(next(360000)) / 1000.0 - 180.0;
        p.roll = static_cast<double>(next(360000)) / 1000.0 - 180.0;
        p.focal = 0.5 + static_cast<double>(next(400000)) / 1000.0;
        p.offX = static_cast<double>(next(200)) - 100.0;
        p.offY = static_cast<double>(next(200)) - 100.0;
        p.viewWidth = 64;
        p.viewHeight = round % 3 == 0 ? -64 : 64;
        p.dest = dest.Bytes();
        p.srcWidth = w;
        p.srcHeight = h;
        p.src = src.Bytes();
        p.depth = mode.depth;
        p.filterKind = mode.kind;
        PanoramaRenderer renderer;
        ASSERT_EQ(renderer.Render(p), 1) << round;
    }
}

TEST(Bounds, WidestViewAndLargerSourceWithoutOverrun) {
    // 1023 blocks across, looking up through the pole at zoom 170.
    for (const Mode mode : {Mode{8, 0}, Mode{16, 1}, Mode{24, 8}}) {
        const int bytes = (mode.depth + 1) / 8;
        GuardedBuffer src(PictureBytes(512, 256, mode.depth), GuardedBuffer::Guard::AfterEnd);
        Fill(src.Bytes());
        std::vector<std::uint8_t> dest(static_cast<std::size_t>(1023 * 32 * 32 * bytes));
        PanoramaRenderer renderer;
        for (double pitch : {90.0, -90.0, 45.0}) {
            const ViewState view{179.5, pitch, 10.0, 170.0};
            EXPECT_EQ(RenderView(renderer, view, 1023 * 32, 32, dest, 512, 256, src.Bytes(),
                                 mode.depth, mode.kind),
                      1);
        }
    }
}

TEST(Bounds, EveryDestinationByteIsWrittenAndNoMore) {
    // A frame inside a larger buffer: the frame's bytes all change from a
    // value the picture does not hold, the bytes around it do not.
    constexpr int kViewW = 640, kViewH = 480, kMargin = 4096;
    std::vector<std::uint8_t> src(PictureBytes(512, 256, 24), 0x00);
    for (int kind : {0, 1, 8}) {
        std::vector<std::uint8_t> buffer(kViewW * kViewH * 3 + 2 * kMargin, 0xFF);
        PanoramaRenderer renderer;
        const ViewState view{12.0, 70.0, 5.0, 100.0};
        ASSERT_EQ(RenderView(renderer, view, kViewW, kViewH,
                             std::span(buffer).subspan(kMargin, kViewW * kViewH * 3), 512, 256, src,
                             24, kind),
                  1);
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + kMargin,
                                [](std::uint8_t b) { return b == 0xFF; }));
        EXPECT_TRUE(std::all_of(buffer.end() - kMargin, buffer.end(),
                                [](std::uint8_t b) { return b == 0xFF; }));
        EXPECT_TRUE(std::all_of(buffer.begin() + kMargin, buffer.end() - kMargin,
                                [](std::uint8_t b) { return b == 0x00; }));
    }
}

TEST(BoundsDeathTest, GuardPagesFaultOnTheFirstByteOutside) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            test::GuardedBuffer buffer(100, test::GuardedBuffer::Guard::AfterEnd);
            volatile const std::uint8_t* p = buffer.Bytes().data();
            (void)p[100];
        },
        "");
    EXPECT_DEATH(
        {
            test::GuardedBuffer buffer(100, test::GuardedBuffer::Guard::BeforeStart);
            volatile const std::uint8_t* p = buffer.Bytes().data();
            (void)p[-1];
        },
        "");
}

}  // namespace
}  // namespace skyweave
