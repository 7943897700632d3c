// An engine that draws with a worker pool shows exactly what an engine on
// one thread shows, through moving and still frames, resizes, a new
// panorama and Close, with the pool idle and joinable between any two of
// them. Also run under ThreadSanitizer (the tsan preset).
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "engine/engine_fixture.h"
#include "platform/core/memory_draw_target.h"
#include "platform/core/worker_pool.h"

namespace skyweave::testing {
namespace {

using ThreadedFramesTest = EngineTest;

Bytes NoiseBmp(int width, int height, std::uint32_t seed) {
    return Bmp24(width, height, [seed](int x, int y) {
        std::uint32_t h = (static_cast<std::uint32_t>(x) * 73856093u) ^
                          (static_cast<std::uint32_t>(y) * 19349663u) ^ seed;
        h = h * 2654435761u;
        return Rgb{static_cast<std::uint8_t>(h >> 24), static_cast<std::uint8_t>(h >> 16),
                   static_cast<std::uint8_t>(h >> 8)};
    });
}

TEST_F(ThreadedFramesTest, PoolAndSingleThreadShowTheSameFrames) {
    const Bytes first = NoiseBmp(1024, 512, 1);
    const Bytes second = NoiseBmp(800, 400, 2);
    WorkerPool pool(3);
    PanoramaEngine alone{std::span<const std::uint8_t>(first)};
    auto threaded = std::make_unique<PanoramaEngine>(std::span<const std::uint8_t>(first));
    threaded->SetWorkerPool(&pool);

    struct Step {
        int width, height;  // target size; a change is a resize
        double heading, pitch, roll, zoom;
        bool reload;  // load `second` into both engines before the frame
    };
    const Step steps[] = {
        {640, 360, 0, 0, 0, 60, false},     {640, 360, 3, 1, 0, 60, false},
        {640, 360, 3, 1, 0, 60, false},     // still render (kind 8)
        {640, 360, 3, 1, 0, 60, false},     // still copy
        {700, 500, 180, 89, 5, 90, false},  // resize, seam, near the zenith
        {480, 352, -90, -90, 0, 170, true}, {480, 352, -90, -90, 0, 170, false},
        {1280, 720, 45, 30, 20, 10, false},
    };
    int frame = 0;
    for (const Step& step : steps) {
        if (step.reload) {
            alone.LoadMemory(second, KindTag::kBitmap);
            threaded->LoadMemory(second, KindTag::kBitmap);
        }
        MemoryDrawTarget expected(step.width, step.height);
        MemoryDrawTarget got(step.width, step.height);
        const PixelRect rect{0, 0, step.width, step.height};
        alone.SetView(step.heading, step.pitch, step.roll, step.zoom);
        threaded->SetView(step.heading, step.pitch, step.roll, step.zoom);
        ASSERT_EQ(alone.Draw(expected, rect), kDone);
        ASSERT_EQ(threaded->Draw(got, rect), kDone);
        EXPECT_TRUE(got.Pixels() == expected.Pixels()) << "frame " << frame;
        ++frame;
    }
    EXPECT_GE(pool.SharedJobs(), 5u);
    EXPECT_EQ(threaded->Statistics().still_renders, 0u + alone.Statistics().still_renders);
    // Closing and dropping the engine, then the pool, right after a frame:
    // nothing is left running to wait for.
    threaded->Close();
    threaded.reset();
}

}  // namespace
}  // namespace skyweave::testing
