// Mixing the frames of two panoramas; see crossfade.h.
#include "engine/crossfade.h"

#include <algorithm>
#include <cstdint>

#include "image/depth_code.h"

namespace skyweave {
namespace {

constexpr std::uint32_t Mix(std::uint32_t from, std::uint32_t to, std::uint32_t weight) {
    return (from * (kFadeWeightFull - weight) + to * weight + kFadeWeightFull / 2) /
           kFadeWeightFull;
}

// 16-bit pixels, little-endian, three fields of the given widths from the
// top bit down (5-6-5 or 5-5-5).
void Blend16(std::span<const std::uint8_t> from, std::span<const std::uint8_t> to,
             std::uint32_t weight, int green_bits, std::span<std::uint8_t> out,
             std::size_t pixels) {
    const int red_shift = 5 + green_bits;
    const std::uint32_t green_mask = (1u << green_bits) - 1;
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint32_t a = from[2 * i] | (std::uint32_t{from[2 * i + 1]} << 8);
        const std::uint32_t b = to[2 * i] | (std::uint32_t{to[2 * i + 1]} << 8);
        const std::uint32_t red = Mix((a >> red_shift) & 31, (b >> red_shift) & 31, weight);
        const std::uint32_t green = Mix((a >> 5) & green_mask, (b >> 5) & green_mask, weight);
        const std::uint32_t blue = Mix(a & 31, b & 31, weight);
        const std::uint32_t mixed = (red << red_shift) | (green << 5) | blue;
        out[2 * i] = static_cast<std::uint8_t>(mixed);
        out[2 * i + 1] = static_cast<std::uint8_t>(mixed >> 8);
    }
}

}  // namespace

int FadeWeight(std::chrono::nanoseconds elapsed, std::chrono::nanoseconds duration) {
    if (duration.count() <= 0 || elapsed >= duration) {
        return kFadeWeightFull;
    }
    if (elapsed.count() <= 0) {
        return 0;
    }
    // Rounded to nearest in integers, so that half the time is exactly half;
    // spans too long for that (centuries) are left to floating point.
    const std::int64_t e = elapsed.count();
    const std::int64_t d = duration.count();
    if (e <= (INT64_MAX - d) / (2 * kFadeWeightFull) && d <= INT64_MAX / 2) {
        return static_cast<int>((e * 2 * kFadeWeightFull + d) / (2 * d));
    }
    return static_cast<int>(static_cast<double>(e) / static_cast<double>(d) * kFadeWeightFull +
                            0.5);
}

bool CanBlendDepth(std::uint16_t depth) {
    return depth == kDepth15 || depth == kDepth16 || depth == kDepth24;
}

void BlendFrames(std::span<const std::uint8_t> from, std::span<const std::uint8_t> to,
                 std::uint16_t depth, int weight, std::span<std::uint8_t> out) {
    if (!CanBlendDepth(depth)) {
        return;
    }
    const auto w = static_cast<std::uint32_t>(std::clamp(weight, 0, kFadeWeightFull));
    const std::size_t bytes_per_pixel = depth == kDepth24 ? 3 : 2;
    const std::size_t pixels = std::min({from.size(), to.size(), out.size()}) / bytes_per_pixel;
    if (depth == kDepth24) {
        for (std::size_t i = 0; i < pixels * 3; ++i) {
            out[i] = static_cast<std::uint8_t>(Mix(from[i], to[i], w));
        }
        return;
    }
    Blend16(from, to, w, depth == kDepth16 ? 6 : 5, out, pixels);
}

// The frame of one view rectangle as the two engines draw it: the first
// frame copied in, the second mixed into it on its way, bottom row first as
// frames are handed over. The buffer is left uninitialised: every byte is
// written by the copy before it is read.
class Crossfader::MixTarget final : public DrawTarget {
  public:
    MixTarget(std::int32_t width, std::int32_t height)
        : width_(width),
          height_(height),
          capacity_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3),
          pixels_(new std::uint8_t[capacity_]) {}

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

    // The next CopyFrame copies (weight < 0) or mixes in with `weight`.
    void Expect(std::uint16_t depth, int weight) {
        depth_ = depth;
        weight_ = weight;
        done_ = false;
    }
    // Whether the last CopyFrame delivered the whole rectangle in the
    // expected depth.
    bool done() const { return done_; }

    FrameImage Frame() const {
        FrameImage frame;
        frame.pixels = std::span<const std::uint8_t>(pixels_.get(), RowBytes() * height_);
        frame.width = width_;
        frame.height = height_;
        frame.depth = depth_;
        return frame;
    }

    PixelRect ClientRect() const override { return {0, 0, width_, height_}; }

    void CopyFrame(const FrameImage& frame, std::int32_t source_x, std::int32_t source_y,
                   const PixelRect& dest, const Palette* /*palette*/) override {
        const std::size_t bytes_per_pixel = static_cast<std::size_t>(FrameBytesPerPixel(depth_));
        if (frame.depth != depth_ || dest != ClientRect() || source_x < 0 || source_y < 0 ||
            std::int64_t{source_x} + width_ > frame.width ||
            std::int64_t{source_y} + height_ > frame.height) {
            return;
        }
        const std::size_t frame_stride = static_cast<std::size_t>(frame.width) * bytes_per_pixel;
        if (frame.pixels.size() < frame_stride * static_cast<std::size_t>(frame.height)) {
            return;
        }
        const std::size_t run = RowBytes();
        for (std::int32_t row = 0; row < height_; ++row) {
            const std::span<const std::uint8_t> from =
                frame.pixels.subspan(static_cast<std::size_t>(source_y + row) * frame_stride +
                                         static_cast<std::size_t>(source_x) * bytes_per_pixel,
                                     run);
            const std::span<std::uint8_t> into(pixels_.get() + static_cast<std::size_t>(row) * run,
                                               run);
            if (weight_ < 0) {
                std::copy(from.begin(), from.end(), into.begin());
            } else {
                BlendFrames(into, from, depth_, weight_, into);
            }
        }
        done_ = true;
    }

  private:
    std::size_t RowBytes() const {
        return static_cast<std::size_t>(width_) *
               static_cast<std::size_t>(FrameBytesPerPixel(depth_));
    }

    std::int32_t width_;
    std::int32_t height_;
    std::size_t capacity_;  // bytes: room for 3 bytes per pixel
    std::unique_ptr<std::uint8_t[]> pixels_;
    std::uint16_t depth_ = kDepth24;
    int weight_ = -1;
    bool done_ = false;
};

Crossfader::Crossfader() = default;
Crossfader::~Crossfader() = default;
Crossfader::Crossfader(Crossfader&&) noexcept = default;
Crossfader& Crossfader::operator=(Crossfader&&) noexcept = default;

int Crossfader::Draw(PanoramaEngine& from, PanoramaEngine& to, int weight, DrawTarget& target,
                     const PixelRect& rect, int view) {
    if (!from.IsLoaded() || !to.IsLoaded() || view < 0 || view >= from.ViewCount() ||
        view >= to.ViewCount()) {
        return kNotLoaded;
    }
    const std::uint16_t depth = from.ImageDepth();
    if (depth != to.ImageDepth() || !CanBlendDepth(depth) || rect.Width() <= 0 ||
        rect.Height() <= 0 || rect.Width() > INT32_MAX || rect.Height() > INT32_MAX) {
        return to.Draw(target, rect, view);
    }
    const auto width = static_cast<std::int32_t>(rect.Width());
    const auto height = static_cast<std::int32_t>(rect.Height());
    if (!mix_ || mix_->width() != width || mix_->height() != height) {
        mix_.reset();
        mix_ = std::make_unique<MixTarget>(width, height);
    }
    // Each engine draws a frame of the rectangle's size, as it would on the
    // window, so its frame size and view limits stay those of `rect`.
    const PixelRect local = mix_->ClientRect();
    mix_->Expect(depth, -1);
    from.Draw(*mix_, local, view);
    if (!mix_->done()) {
        return to.Draw(target, rect, view);
    }
    mix_->Expect(depth, std::clamp(weight, 0, kFadeWeightFull));
    to.Draw(*mix_, local, view);
    if (!mix_->done()) {
        return to.Draw(target, rect, view);
    }
    target.CopyFrame(mix_->Frame(), 0, 0, rect, nullptr);
    return kDone;
}

void Crossfader::Release() {
    mix_.reset();
}

}  // namespace skyweave
