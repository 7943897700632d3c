// Measures the two ways a finished frame can reach an X11 window through
// SDL2, for the frame depths the engine produces, on the display named by
// DISPLAY: (1) the window surface (conversion to the visual's format on the
// CPU, then SDL_UpdateWindowSurface), and (2) SDL's renderer with a
// streaming texture in the frame's own format (SDL_UpdateTexture, a
// vertically flipped copy for the bottom-up rows, SDL_RenderPresent).
// Prints milliseconds per frame, and for the surface path also the share of
// the conversion alone. Run by scripts/bench-saver.sh.
#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "platform/display/window_draw_target.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFrameHeight = 1088;  // rounded up to 32, as the engine does
constexpr int kIterations = 120;

double MsPerFrame(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count() / kIterations;
}

// Milliseconds per frame of the conversion alone (into the window surface,
// without pushing it) and of the whole surface path.
struct SurfaceTimes {
    double convert = -1;
    double total = -1;
};

SurfaceTimes SurfacePath(const skyweave::FrameImage& frame) {
    SDL_Window* window = SDL_CreateWindow("present bench", 0, 0, kWidth, kHeight, SDL_WINDOW_SHOWN);
    SurfaceTimes times;
    if (window == nullptr) {
        return times;
    }
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    const skyweave::PixelRect dest{0, 0, kWidth, kHeight};
    const int source_y = (kFrameHeight - kHeight) / 2;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kIterations; ++i) {
        skyweave::CopyFrameToSurface(frame, 0, source_y, dest, nullptr, surface);
    }
    times.convert = MsPerFrame(std::chrono::steady_clock::now() - start);
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < kIterations; ++i) {
        skyweave::CopyFrameToSurface(frame, 0, source_y, dest, nullptr, surface);
        SDL_UpdateWindowSurface(window);
    }
    times.total = MsPerFrame(std::chrono::steady_clock::now() - start);
    SDL_DestroyWindow(window);
    return times;
}

double RendererPath(const skyweave::FrameImage& frame, Uint32 format, Uint32 flags,
                    const char** name) {
    SDL_Window* window = SDL_CreateWindow("present bench", 0, 0, kWidth, kHeight, SDL_WINDOW_SHOWN);
    if (window == nullptr) {
        return -1;
    }
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, flags);
    if (renderer == nullptr) {
        SDL_DestroyWindow(window);
        return -1;
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    *name = info.name;
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_STREAMING, kWidth, kFrameHeight);
    double ms = -1;
    if (texture != nullptr) {
        const int pitch = frame.width * skyweave::FrameBytesPerPixel(frame.depth);
        const SDL_Rect source{0, (kFrameHeight - kHeight) / 2, kWidth, kHeight};
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kIterations; ++i) {
            SDL_UpdateTexture(texture, nullptr, frame.pixels.data(), pitch);
            SDL_RenderCopyEx(renderer, texture, &source, nullptr, 0, nullptr, SDL_FLIP_VERTICAL);
            SDL_RenderPresent(renderer);
        }
        ms = MsPerFrame(std::chrono::steady_clock::now() - start);
        SDL_DestroyTexture(texture);
    }
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    return ms;
}

}  // namespace

int main() {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "no display: %s\n", SDL_GetError());
        return 1;
    }
    std::mt19937 random(7);
    struct Case {
        std::uint16_t depth;
        Uint32 texture_format;
        const char* label;
    };
    const Case cases[] = {{24, SDL_PIXELFORMAT_BGR24, "24-bit BGR"},
                          {16, SDL_PIXELFORMAT_RGB565, "16-bit 5-6-5"},
                          {15, SDL_PIXELFORMAT_RGB555, "16-bit 5-5-5"}};
    std::printf("%-14s %14s %12s %22s %22s\n", "frame", "convert ms", "surface ms",
                "renderer (accel) ms", "renderer (software) ms");
    for (const Case& c : cases) {
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kFrameHeight *
                                         skyweave::FrameBytesPerPixel(c.depth));
        for (auto& b : pixels) {
            b = static_cast<std::uint8_t>(random());
        }
        const skyweave::FrameImage frame{pixels, kWidth, kFrameHeight, c.depth, {}};
        const char* accel = "none";
        const char* software = "none";
        const SurfaceTimes surface = SurfacePath(frame);
        const double gpu = RendererPath(frame, c.texture_format, SDL_RENDERER_ACCELERATED, &accel);
        const double cpu = RendererPath(frame, c.texture_format, SDL_RENDERER_SOFTWARE, &software);
        std::printf("%-14s %14.2f %12.2f %15.2f (%s) %15.2f (%s)\n", c.label, surface.convert,
                    surface.total, gpu, accel, cpu, software);
    }
    SDL_Quit();
    return 0;
}
