// Drawing a view with 2, 3 or 8 threads gives the same bytes as drawing it
// alone, for every depth and filter kind, looking straight up and down (the
// pole patch), across the seam, at zoom 10 and 170, bottom-up and top-down,
// with band boundaries that do not divide evenly; and small views never
// wake the pool. Also run under ThreadSanitizer (the tsan preset).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/core/worker_pool.h"
#include "render/panorama_renderer.h"
#include "render/render_view.h"

namespace skyweave {
namespace {

constexpr int kSrcWidth = 1000;
constexpr int kSrcHeight = 500;

struct Mode {
    int depth;
    int kind;
};
constexpr Mode kModes[] = {{8, 0},  {8, 8},  {15, 0}, {15, 1}, {15, 8}, {16, 0},
                           {16, 1}, {16, 8}, {24, 0}, {24, 1}, {24, 8}};

// Every byte independent of its neighbours, so that a pixel drawn from the
// wrong position or by the wrong band cannot come out the same.
std::vector<std::uint8_t> NoisePicture(int bytesPerPixel) {
    std::vector<std::uint8_t> picture(static_cast<std::size_t>(kSrcWidth) * kSrcHeight *
                                      bytesPerPixel);
    std::uint32_t state = 0x9E3779B9u;
    for (std::uint8_t& byte : picture) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return picture;
}

struct Frame {
    int width;
    int height;  // negative: top-down
};
// 9 block rows (uneven bands for 2, 3 and 8 threads), the same top-down, and
// 3 block rows of exactly the smallest parallel size.
constexpr Frame kFrames[] = {{416, 288}, {416, -288}, {1024, 96}};

const ViewState kViews[] = {
    {30, 90, 0, 90},        // straight up: the zenith patch in the middle
    {-75, -90, 40, 60},     // straight down, rolled
    {180, 5, 0, 60},        // across the seam
    {179.9, -60, 0, 100},   // across the seam near the nadir
    {45, 20, 10, 10},       // zoom 10
    {-120, -30, 170, 170},  // zoom 170, rolled over
    {221, 80, -20, 120},    // the edge of the heading window, the zenith in view
};

TEST(ThreadCountTest, EveryThreadCountDrawsTheSameBytes) {
    std::vector<std::unique_ptr<WorkerPool>> pools;
    for (const int threads : {2, 3, 8}) {
        pools.push_back(std::make_unique<WorkerPool>(threads));
    }
    for (const Mode mode : kModes) {
        const int bytes = (mode.depth + 1) / 8;
        const std::vector<std::uint8_t> src = NoisePicture(bytes);
        PanoramaRenderer alone;
        // One renderer for every pool, so that grids kept from a wider pool
        // meet a narrower one.
        PanoramaRenderer shared;
        for (const Frame frame : kFrames) {
            const std::size_t size =
                static_cast<std::size_t>(frame.width) * std::abs(frame.height) * bytes;
            for (const ViewState& view : kViews) {
                std::vector<std::uint8_t> expected(size, 0xA5);
                ASSERT_EQ(RenderView(alone, view, frame.width, frame.height, expected, kSrcWidth,
                                     kSrcHeight, src, mode.depth, mode.kind),
                          1);
                for (const auto& pool : pools) {
                    std::vector<std::uint8_t> got(size, 0x5A);
                    const std::uint64_t shared_before = pool->SharedJobs();
                    ASSERT_EQ(RenderView(shared, view, frame.width, frame.height, got, kSrcWidth,
                                         kSrcHeight, src, mode.depth, mode.kind, pool.get()),
                              1);
                    EXPECT_EQ(pool->SharedJobs(), shared_before + 1) << "not drawn in parallel";
                    EXPECT_TRUE(got == expected)
                        << pool->Threads() << " threads, depth " << mode.depth << " kind "
                        << mode.kind << ", " << frame.width << "x" << frame.height << ", view "
                        << view.heading << "," << view.pitch << "," << view.roll << ","
                        << view.zoom;
                }
            }
        }
    }
}

// Small views and single block rows stay on the calling thread; from
// kMinParallelPixels on, a view of two block rows or more is shared.
TEST(ThreadCountTest, SmallViewsStayOnTheCallingThread) {
    struct Case {
        int width;
        int height;
        bool shared;
    };
    const Case cases[] = {
        {320, 288, false}, {160, 96, false}, {3840, 32, false},
        {1024, 96, true},  {352, 288, true}, {1920, 1088, true},
    };
    const std::vector<std::uint8_t> src = NoisePicture(3);
    WorkerPool pool(2);
    PanoramaRenderer renderer;
    for (const Case& c : cases) {
        std::vector<std::uint8_t> frame(static_cast<std::size_t>(c.width) * c.height * 3);
        const std::uint64_t before = pool.SharedJobs();
        ASSERT_EQ(RenderView(renderer, ViewState{10, 10, 0, 60}, c.width, c.height, frame,
                             kSrcWidth, kSrcHeight, src, 24, 0, &pool),
                  1);
        EXPECT_EQ(pool.SharedJobs() - before, c.shared ? 1u : 0u) << c.width << "x" << c.height;
    }
}

// A refused view never wakes the pool and leaves the frame alone.
TEST(ThreadCountTest, RefusedViewsDrawNothing) {
    const std::vector<std::uint8_t> src = NoisePicture(3);
    WorkerPool pool(3);
    PanoramaRenderer renderer;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(416) * 288 * 3, 0x77);
    EXPECT_EQ(RenderView(renderer, ViewState{0, 0, 0, 60}, 416, 288, frame, kSrcWidth, kSrcHeight,
                         src, 24, 2, &pool),
              0);
    EXPECT_EQ(RenderView(renderer, ViewState{0, 0, 0, 60}, 416, 288, frame, kSrcWidth, kSrcHeight,
                         src, 32, 0, &pool),
              0);
    EXPECT_EQ(pool.SharedJobs(), 0u);
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](std::uint8_t b) { return b == 0x77; }));
}

}  // namespace
}  // namespace skyweave
