// Cost of one frame of RenderView: a 1920 x 1088 frame from a synthetic
// 4096 x 2048 panorama at every depth and filter kind, with the heading
// turning between iterations as it does while the saver runs, plus views
// straight up (the pole patch's share) and a plain frame copy for scale.
// Run through scripts/bench-render.sh.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "render/panorama_renderer.h"
#include "render/render_view.h"
#include "render/view_geometry.h"

namespace skyweave {
namespace {

constexpr std::int32_t kSrcWidth = 4096;
constexpr std::int32_t kSrcHeight = 2048;
constexpr std::int32_t kViewWidth = 1920;
constexpr std::int32_t kViewHeight = 1088;

// A picture with smooth gradients and fine detail, so that every byte of
// a sample matters and nothing compresses into a cache line. Made anew for
// each case, outside the timed loop.
std::vector<std::uint8_t> Picture(int bytesPerPixel) {
    std::vector<std::uint8_t> picture(static_cast<std::size_t>(kSrcWidth) * kSrcHeight *
                                      bytesPerPixel);
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < picture.size(); ++i) {
        noise = noise * 1664525u + 1013904223u;
        const std::size_t pixel = i / bytesPerPixel;
        picture[i] = static_cast<std::uint8_t>(pixel % kSrcWidth / 16 + pixel / kSrcWidth / 8 +
                                               (noise >> 28));
    }
    return picture;
}

void RenderFrames(benchmark::State& state, int depth, int kind, double pitch) {
    const int bytes = (depth + 1) / 8;
    const std::vector<std::uint8_t> src = Picture(bytes);
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(kViewWidth) * kViewHeight * bytes);
    PanoramaRenderer renderer;
    ViewState view{0.0, pitch, 0.0, 90.0};
    for (auto _ : state) {
        if (RenderView(renderer, view, kViewWidth, kViewHeight, frame, kSrcWidth, kSrcHeight, src,
                       depth, kind) != 1) {
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
    state.counters["Mpixel/s"] =
        benchmark::Counter(static_cast<double>(kViewWidth) * kViewHeight * state.iterations() / 1e6,
                           benchmark::Counter::kIsRate);
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
