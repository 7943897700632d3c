// The frame-rate overlay; see frame_rate_overlay.h.
#include "app/frame_rate_overlay.h"

#include <SDL.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>

#include "platform/display/window_canvas.h"

namespace skyweave {
namespace {

// Black around the text, pixels.
constexpr int kMargin = 4;
// Wider than any line: each line is one piece of text, never broken, and
// its picture is as wide as the line.
constexpr int kWrapWidth = 4096;

std::int64_t ProcessCpuNs() {
    timespec now{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now) != 0) {
        return 0;
    }
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

std::int64_t WallNs() {
    return static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
}

}  // namespace

void FrameRateOverlay::CountFrame() {
    const std::int64_t wall = WallNs();
    const std::int64_t cpu = ProcessCpuNs();
    meter_.AddFrame(wall, cpu);
    meter_.Update(wall, cpu);
}

bool FrameRateOverlay::Tick() {
    return meter_.Update(WallNs(), ProcessCpuNs());
}

PixelRect FrameRateOverlay::Band(const PixelRect& area) const {
    if (width_ == 0 || height_ == 0) {
        return {};
    }
    return PixelRect{area.left, area.bottom - height_, area.left + width_, area.bottom};
}

void FrameRateOverlay::Draw(WindowCanvas& canvas, const PixelRect& area) {
    const std::string& text = meter_.Text();
    const std::size_t split = text.find('\n');
    if (split == std::string::npos) {
        return;  // nothing measured yet
    }
    SDL_Surface* rate = lines_[0].Render(std::string_view(text).substr(0, split), kWrapWidth);
    SDL_Surface* load = lines_[1].Render(std::string_view(text).substr(split + 1), kWrapWidth);
    if (rate == nullptr || load == nullptr) {
        return;
    }
    width_ = std::max(width_, std::max(rate->w, load->w) + 2 * kMargin);
    height_ = std::max(height_, rate->h + load->h + 2 * kMargin);
    const PixelRect band = Band(area.Empty() ? canvas.ClientRect() : area);
    canvas.FillBlack(band);
    canvas.DrawSurface(load, band.left + kMargin, band.bottom - kMargin - load->h);
    canvas.DrawSurface(rate, band.left + kMargin, band.bottom - kMargin - load->h - rate->h);
}

}  // namespace skyweave
