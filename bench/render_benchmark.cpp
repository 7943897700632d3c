// Cost of one frame of RenderView: a 1920 x 1088 frame from a synthetic
// 4096 x 2048 panorama at every depth and filter kind, with the heading
// turning between iterations as it does while the saver runs, plus views
// straight up (the pole patch's share) and a plain frame copy for scale.
// The RenderViewThreads cases draw kind 0 at depth 24 on a worker pool of 1
// and of 2 threads, in wall time: a 3840 x 2176 frame from a 16384 x 8192
// panorama and a 1920 x 1088 frame from a 4096 x 2048 one.
// Run through scripts/bench-render.sh.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "platform/core/worker_pool.h"
#include "render/panorama_renderer.h"
#include "render/render_view.h"
#include "render/view_geometry.h"

namespace skyweave {
namespace {

constexpr std::int32_t kSrcWidth = 4096;
constexpr std::int32_t kSrcHeight = 2048;
constexpr std::int32_t kViewWidth = 1920;
constexpr std::int32_t kViewHeight = 1088;

// The large source of the 4K thread cases.
constexpr std::int32_t kLargeSrcWidth = 16384;
constexpr std::int32_t kLargeSrcHeight = 8192;

// A picture of width x height pixels with smooth gradients and fine detail,
// so that every byte of a sample matters and nothing compresses into a
// cache line. Made outside the timed loop.
std::vector<std::uint8_t> Picture(int bytesPerPixel, std::int32_t width = kSrcWidth,
                                  std::int32_t height = kSrcHeight) {
    std::vector<std::uint8_t> picture(static_cast<std::size_t>(width) * height * bytesPerPixel);
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < picture.size(); ++i) {
        noise = noise * 1664525u + 1013904223u;
        const std::size_t pixel = i / bytesPerPixel;
        picture[i] =
            static_cast<std::uint8_t>(pixel % width / 16 + pixel / width / 8 + (noise >> 28));
    }
    return picture;
}

// The 16384 x 8192 depth-24 source (384 MiB), made once for all cases that
// use it.
const std::vector<std::uint8_t>& LargePicture() {
    static const std::vector<std::uint8_t> picture = Picture(3, kLargeSrcWidth, kLargeSrcHeight);
    return picture;
}

// One source and frame size of a case.
struct Scene {
    std::int32_t srcWidth;
    std::int32_t srcHeight;
    std::int32_t viewWidth;
    std::int32_t viewHeight;
};

// Draws frames of `scene` until the benchmark has enough, the heading
// turning by 0.7 degrees per frame; pool null draws on this thread alone.
void DrawTurningFrames(benchmark::State& state, const Scene& scene,
                       std::span<const std::uint8_t> src, int depth, int kind, double pitch,
                       WorkerPool* pool) {
    const int bytes = (depth + 1) / 8;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(scene.viewWidth) * scene.viewHeight *
                                    bytes);
    PanoramaRenderer renderer;
    ViewState view{0.0, pitch, 0.0, 90.0};
    for (auto _ : state) {
        if (RenderView(renderer, view, scene.viewWidth, scene.viewHeight, frame, scene.srcWidth,
                       scene.srcHeight, src, depth, kind, pool) != 1) {
            state.SkipWithError("RenderView refused the frame");
            break;
        }
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
        view.heading += 0.7;
        if (view.heading > 180.0) {
            view.heading -= 360.0;
        }
    }
    state.counters["Mpixel/s"] = benchmark::Counter(
        static_cast<double>(scene.viewWidth) * scene.viewHeight * state.iterations() / 1e6,
        benchmark::Counter::kIsRate);
}

void RenderFrames(benchmark::State& state, int depth, int kind, double pitch) {
    const std::vector<std::uint8_t> src = Picture((depth + 1) / 8);
    DrawTurningFrames(state, Scene{kSrcWidth, kSrcHeight, kViewWidth, kViewHeight}, src, depth,
                      kind, pitch, nullptr);
}

// Kind 0 at depth 24 on a pool of `threads` threads (made before the timed
// loop, as the saver makes its pool once).
void RenderFramesOnThreads(benchmark::State& state, bool large, int threads) {
    WorkerPool pool(threads);
    if (large) {
        DrawTurningFrames(state, Scene{kLargeSrcWidth, kLargeSrcHeight, 3840, 2176}, LargePicture(),
                          24, 0, 10.0, &pool);
    } else {
        const std::vector<std::uint8_t> src = Picture(3);
        DrawTurningFrames(state, Scene{kSrcWidth, kSrcHeight, kViewWidth, kViewHeight}, src, 24, 0,
                          10.0, &pool);
    }
}

void FrameCopy(benchmark::State& state) {
    std::vector<std::uint8_t> from(static_cast<std::size_t>(kViewWidth) * kViewHeight * 3, 1);
    std::vector<std::uint8_t> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

// The reference point: every pixel projected exactly (a rotation, two arc
// tangents and a square root), nearest sample, no interpolation.
void NaiveExactProjection(benchmark::State& state) {
    const std::vector<std::uint8_t> src = Picture(3);
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(kViewWidth) * kViewHeight * 3);
    const double f = FocalLength(90.0, kViewWidth);
    double heading = 0.0;
    for (auto _ : state) {
        std::uint8_t* out = frame.data();
        for (std::int32_t y = 0; y < kViewHeight; ++y) {
            for (std::int32_t x = 0; x < kViewWidth; ++x) {
                const SourcePosition p =
                    PixelToPanorama(x, y, kViewWidth, kViewHeight, heading, 10.0, 0.0, f, 0.0, 0.0,
                                    kSrcWidth, kSrcHeight);
                const std::int32_t col = std::min(p.u >> 16, kSrcWidth - 1);
                const std::int32_t row = std::min(p.v >> 16, kSrcHeight - 1);
                std::memcpy(out, &src[(static_cast<std::size_t>(row) * kSrcWidth + col) * 3], 3);
                out += 3;
            }
        }
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
        heading += 0.7;
    }
}

void RegisterAll() {
    for (int depth : {8, 15, 16, 24}) {
        for (int kind : {0, 1, 8}) {
            const std::string name =
                "RenderView/depth:" + std::to_string(depth) + "/kind:" + std::to_string(kind);
            benchmark::RegisterBenchmark(name.c_str(), RenderFrames, depth, kind, 10.0)
                ->Unit(benchmark::kMillisecond);
        }
    }
    for (int kind : {0, 8}) {
        const std::string name = "RenderViewStraightUp/depth:24/kind:" + std::to_string(kind);
        benchmark::RegisterBenchmark(name.c_str(), RenderFrames, 24, kind, 90.0)
            ->Unit(benchmark::kMillisecond);
    }
    for (const bool large : {true, false}) {
        for (const int threads : {1, 2}) {
            const std::string name =
                std::string("RenderViewThreads/") +
                (large ? "3840x2160_from_16384x8192" : "1920x1080_from_4096x2048") +
                "/threads:" + std::to_string(threads);
            benchmark::RegisterBenchmark(name.c_str(), RenderFramesOnThreads, large, threads)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    benchmark::RegisterBenchmark("FrameCopy/depth:24", FrameCopy)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("NaiveExactProjection/depth:24", NaiveExactProjection)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace skyweave

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    skyweave::RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
