// The operations that drive a loaded engine: SetView, SetDestRect, Draw,
// Close, the still quality and the read-only accessors.
#include <cmath>
#include <utility>

#include "diag/send_diagnostic.h"
#include "engine/engine_state.h"
#include "image/depth_code.h"
#include "render/view_geometry.h"

namespace skyweave {

StateLockScope::StateLockScope(StateLock& lock, std::chrono::milliseconds timeout)
    : lock_(lock), held_(lock.Acquire(timeout)) {
    if (!held_) {
        SendDiagnostic(kLockTimeoutDiagnostic);  // and go on without it
    }
}

StateLockScope::~StateLockScope() {
    if (held_) {
        lock_.Release();
    }
}

namespace {

double WrapHalfTurn(double degrees) {
    // Steps of 360 would never finish on a huge value; fmod brings it near
    // first without changing the result for ordinary angles.
    if (std::fabs(degrees) > 1e6) {
        degrees = std::fmod(degrees, 360.0);
    }
    while (degrees > 180) {
        degrees -= 360;
    }
    while (degrees <= -180) {
        degrees += 360;
    }
    return degrees;
}

}  // namespace

int PanoramaEngine::SetView(double heading, double pitch, double roll, double zoom) {
    if (!loaded_) {
        return kNotLoaded;
    }
    // A non-finite angle would never leave the wrapping loops.
    if (!std::isfinite(heading) || !std::isfinite(pitch) || !std::isfinite(roll) ||
        !std::isfinite(zoom)) {
        return kDone;
    }
    StateLockScope scope(loaded_->lock);
    view_.heading = WrapHalfTurn(heading);
    view_.pitch = WrapHalfTurn(pitch);
    view_.roll = WrapHalfTurn(roll);
    view_.zoom = zoom;
    return kDone;
}

int PanoramaEngine::SetDestRect(const PixelRect* rect) {
    if (!loaded_) {
        return kNotLoaded;
    }
    if (rect != nullptr) {
        dest_rect_ = *rect;
        use_dest_rect_ = true;
    } else {
        use_dest_rect_ = false;
    }
    return kDone;
}

int PanoramaEngine::Draw(DrawTarget& target, const PixelRect& rect) {
    if (!loaded_) {
        return kNotLoaded;
    }
    SetDestRect(&rect);
    StateLockScope scope(loaded_->lock);
    RenderFrame(target);
    return kDone;
}

void PanoramaEngine::Close() {
    if (!loaded_) {
        return;
    }
    {
        StateLockScope scope(loaded_->lock);
        loaded_->image = PackedDib();
        loaded_->renderer.reset();
        loaded_->frame_buffer = MemoryBlock();
        loaded_->still_buffer = MemoryBlock();
        loaded_->staging.reset();  // empties and removes the staging directory
    }
    loaded_.reset();
    frame_ = FrameFormat{};
    still_valid_ = false;
}

void PanoramaEngine::SetStillQuality(std::int16_t quality) {
    if (quality != still_quality_) {
        still_valid_ = false;  // the kept picture was made with the old filter
    }
    still_quality_ = quality;
}

std::int32_t PanoramaEngine::ImageWidth() const {
    return loaded_ && loaded_->image ? loaded_->image.Width() : 0;
}

std::int32_t PanoramaEngine::ImageHeight() const {
    return loaded_ && loaded_->image ? loaded_->image.Height() : 0;
}

std::uint16_t PanoramaEngine::ImageDepth() const {
    return loaded_ && loaded_->image ? static_cast<std::uint16_t>(loaded_->image.DepthCode()) : 0;
}

std::span<const std::uint8_t> PanoramaEngine::ImagePixels() const {
    if (!loaded_ || !loaded_->image) {
        return {};
    }
    return std::as_const(loaded_->image).Pixels();
}

std::string PanoramaEngine::StagingPath() const {
    return loaded_ && loaded_->staging ? loaded_->staging->Path() : std::string();
}

int PanoramaEngine::StagingSkipped() const {
    return loaded_ ? loaded_->staging_skipped : 0;
}

}  // namespace skyweave
