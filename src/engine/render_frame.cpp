// RenderFrame: one frame of the engine, from the destination rectangle to
// the copy onto the drawing target. Runs under the StateLock (Draw takes it).
#include <chrono>
#include <cstring>
#include <utility>

#include "diag/send_diagnostic.h"
#include "engine/engine_state.h"
#include "engine/present_frame.h"
#include "image/depth_code.h"
#include "platform/core/file_reader.h"
#include "render/render_view.h"
#include "render/view_geometry.h"

namespace skyweave {
namespace {

using Clock = std::chrono::steady_clock;

std::uint64_t NanosecondsSince(Clock::time_point start) {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
}

// Frame sides are multiples of 32 because the renderer works in 32 x 32
// blocks; this also keeps every frame row a multiple of 4 bytes long.
std::int64_t RoundUpTo32(std::int64_t n) {
    return (n + 31) / 32 * 32;
}

// Clamps `value` into [low, high], upper limit first; adds kFrameLimited to
// `result` for each change.
void Clamp(double& value, double low, double high, int& result) {
    if (value > high) {
        value = high;
        result += kFrameLimited;
    }
    if (value < low) {
        value = low;
        result += kFrameLimited;
    }
}

// A zeroed block, or an empty one when the machine cannot hold it. Zeroed so
// that a frame the renderer refuses shows black rather than stale memory.
MemoryBlock AllocateFrameBuffer(std::uint64_t bytes) {
    if (bytes == 0 || !MemoryCanHold(bytes)) {
        return {};
    }
    return MemAllocZeroed(static_cast<std::size_t>(bytes));
}

}  // namespace

int PanoramaEngine::RenderFrame(DrawTarget& target, int view) {
    if (!loaded_ || !HasView(view)) {
        return kFrameNone;
    }
    const Clock::time_point frame_start = Clock::now();
    Loaded& state = *loaded_;
    ViewSlot& slot = views_[static_cast<std::size_t>(view)];

    // 1. Destination. An empty or inverted rectangle draws nothing, as a zero
    // right or bottom does.
    const PixelRect dest = slot.use_dest_rect ? slot.dest_rect : target.ClientRect();
    if (dest.right == 0 || dest.bottom == 0 || dest.Width() <= 0 || dest.Height() <= 0) {
        return kFrameNone;
    }

    // 2. Frame size.
    const std::int64_t width = RoundUpTo32(dest.Width());
    const std::int64_t height = RoundUpTo32(dest.Height());

    // The bytes per pixel the image needs; buffers made for a narrower
    // format are never rendered into (see step 8).
    const std::uint16_t image_bytes_per_pixel =
        state.image ? static_cast<std::uint16_t>(state.image.BytesPerPixel()) : 0;
    const auto needed = [&](std::uint16_t bytes_per_pixel) {
        return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) *
               bytes_per_pixel;
    };

    // 3. Buffers: made anew when the size changes, and also while a failed
    // allocation left them missing or when the image needs wider pixels than
    // they hold.
    const bool resized = width != slot.frame.width || height != slot.frame.height;
    if (resized || !slot.frame_buffer || !slot.still_buffer ||
        slot.frame_buffer.size() < needed(image_bytes_per_pixel)) {
        slot.frame_buffer = MemoryBlock();
        slot.still_buffer = MemoryBlock();
        slot.still_valid = false;
        const bool fits = width <= INT32_MAX && height <= INT32_MAX;
        if (fits) {
            slot.frame.width = static_cast<std::int32_t>(width);
            slot.frame.height = static_cast<std::int32_t>(height);
            const std::uint16_t bytes_per_pixel =
                std::max(slot.frame.bytes_per_pixel, image_bytes_per_pixel);
            slot.frame_buffer = AllocateFrameBuffer(needed(bytes_per_pixel));
            if (slot.frame_buffer) {
                slot.still_format = slot.frame;
                slot.still_buffer = AllocateFrameBuffer(needed(bytes_per_pixel));
            }
        }
        if (!slot.frame_buffer || !slot.still_buffer) {
            slot.frame_buffer = MemoryBlock();
            slot.still_buffer = MemoryBlock();
            SendDiagnostic(kMemFaultDiagnostic);
            return kFrameNone;
        }
        if (coverage_.IsPartial()) {
            slot.limits.zoom_max = MaxZoomForCoverage(slot.frame.width, slot.frame.height,
                                                      coverage_.heading_max - coverage_.heading_min,
                                                      coverage_.pitch_max - coverage_.pitch_min);
            if (!slot.view_asked && (coverage_.heading_max < 180 || coverage_.heading_min < -180)) {
                slot.view.heading = coverage_.HeadingCentre();
            }
            if (!slot.view_asked && (coverage_.pitch_max < 90 || coverage_.pitch_min < -90)) {
                slot.view.pitch = coverage_.PitchCentre();
            }
            slot.view.roll = 0;
        }
    }

    // 4. Zoom clamp.
    int result = kFrameDrawn;
    // A partial picture keeps the zoom its coverage allows in any
    // projection; a full sphere may be seen as wide as the projection goes.
    const double zoom_max = projection_ == Projection::Rectilinear || coverage_.IsPartial()
                                ? slot.limits.zoom_max
                                : MaxZoomOf(projection_);
    if (zoom_max < slot.view.zoom) {
        slot.view.zoom = zoom_max;
        result += kFrameLimited;
    }
    if (slot.view.zoom < slot.limits.zoom_min) {
        slot.view.zoom = slot.limits.zoom_min;
        result += kFrameLimited;
    }

    // 5. Coverage limits.
    if (coverage_.IsPartial()) {
        // Around the middle of what is covered; written so that a covered
        // area centred on 0 gives exactly -limit and +limit.
        const double heading_limit =
            HeadingLimit(slot.view.zoom, coverage_.heading_max - coverage_.heading_min);
        slot.limits.heading_max = heading_limit + coverage_.HeadingCentre();
        slot.limits.heading_min = -(heading_limit - coverage_.HeadingCentre());
        const double pitch_limit =
            PitchLimit(VerticalZoom(slot.view.zoom, slot.frame.width, slot.frame.height),
                       coverage_.pitch_max - coverage_.pitch_min);
        slot.limits.pitch_max = pitch_limit + coverage_.PitchCentre();
        slot.limits.pitch_min = -(pitch_limit - coverage_.PitchCentre());
        slot.limits.roll_min = 0;
        slot.limits.roll_max = 0;
    }

    // 6. Angle clamps: heading, pitch, roll, the upper limit first.
    Clamp(slot.view.heading, slot.limits.heading_min, slot.limits.heading_max, result);
    Clamp(slot.view.pitch, slot.limits.pitch_min, slot.limits.pitch_max, result);
    Clamp(slot.view.roll, slot.limits.roll_min, slot.limits.roll_max, result);

    // 7. No image.
    if (!state.image) {
        return result;
    }

    // 8. Frame format.
    BitmapInfoHeader header = state.image.Header();
    if (header.biBitCount == 8 && header.biClrUsed == 0) {
        header.biClrUsed = 256;
        state.image.SetHeader(header);
    }
    slot.frame.bytes_per_pixel = image_bytes_per_pixel;
    slot.frame.depth = static_cast<std::uint16_t>(state.image.DepthCode());
    const std::span<const std::uint8_t> image_pixels = std::as_const(state.image).Pixels();
    const std::size_t frame_bytes = static_cast<std::size_t>(needed(slot.frame.bytes_per_pixel));
    const std::span<std::uint8_t> frame_pixels = slot.frame_buffer.bytes().first(frame_bytes);
    const std::span<std::uint8_t> still_pixels = slot.still_buffer.bytes().first(frame_bytes);

    // 9. Moving or still.
    const bool same_view = slot.view_key_set && slot.view.heading == slot.view_key.heading &&
                           slot.view.pitch == slot.view_key.pitch &&
                           slot.view.roll == slot.view_key.roll &&
                           slot.view.zoom == slot.view_key.zoom;
    const bool still = still_quality_ > 0 && header.biBitCount > 8 && same_view;
    std::span<const std::uint8_t> presented = frame_pixels;
    const auto render = [&](std::int16_t filter_kind) {
        const Clock::time_point start = Clock::now();
        RenderView(*state.renderer, slot.view, slot.frame.width, slot.frame.height, frame_pixels,
                   header.biWidth, header.biHeight, image_pixels, slot.frame.depth, filter_kind,
                   pool_, projection_);
        statistics_.render_view_ns += NanosecondsSince(start);
        statistics_.last_filter_kind = filter_kind;
    };
    if (!still) {
        slot.still_valid = false;
        slot.view_key = slot.view;
        slot.view_key_set = true;
        // Smooth motion draws moving frames with the still filter (where the
        // still filter applies at all: not over a palette).
        render(smooth_motion_ && still_quality_ > 0 && header.biBitCount > 8 ? still_quality_ : 0);
        ++statistics_.moving_renders;
    } else if (slot.still_valid) {
        // The kept picture is presented straight from the still buffer: the
        // frame buffer's contents are never read again before the next
        // render overwrites them, so copying it there first would only
        // double the memory traffic of a resting view.
        presented = still_pixels;
        ++statistics_.still_copies;
    } else {
        render(still_quality_);
        std::memcpy(still_pixels.data(), frame_pixels.data(), frame_bytes);
        slot.still_valid = true;
        ++statistics_.still_renders;
    }

    // 10. Present: the image's header, sized as the frame, describes it; the
    // image's colour table serves as the frame's.
    BitmapInfoHeader frame_header = header;
    frame_header.biWidth = slot.frame.width;
    frame_header.biHeight = slot.frame.height;
    const Clock::time_point present_start = Clock::now();
    PresentFrame(target, frame_header, state.image.ColorTable(), presented, palette_dirty_,
                 slot.use_dest_rect ? &slot.dest_rect : &dest);
    statistics_.present_ns += NanosecondsSince(present_start);
    palette_dirty_ = false;
    statistics_.frame_ns += NanosecondsSince(frame_start);
    return result;
}

}  // namespace skyweave
