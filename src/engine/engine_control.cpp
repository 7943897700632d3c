// The operations that drive a loaded engine: SetView, SetDestRect, Draw,
// Close, the still quality and the read-only accessors.
#include <algorithm>
#include <cmath>
#include <optional>
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

int PanoramaEngine::SetView(double heading, double pitch, double roll, double zoom, int view) {
    if (!loaded_ || !HasView(view)) {
        return kNotLoaded;
    }
    // A non-finite angle would never leave the wrapping loops.
    if (!std::isfinite(heading) || !std::isfinite(pitch) || !std::isfinite(roll) ||
        !std::isfinite(zoom)) {
        return kDone;
    }
    StateLockScope scope(loaded_->lock);
    ViewState& live = views_[static_cast<std::size_t>(view)].view;
    live.heading = WrapHalfTurn(heading);
    live.pitch = WrapHalfTurn(pitch);
    live.roll = WrapHalfTurn(roll);
    live.zoom = zoom;
    views_[static_cast<std::size_t>(view)].view_asked = true;
    return kDone;
}

int PanoramaEngine::SetDestRect(const PixelRect* rect, int view) {
    if (!loaded_ || !HasView(view)) {
        return kNotLoaded;
    }
    ViewSlot& slot = views_[static_cast<std::size_t>(view)];
    if (rect != nullptr) {
        slot.dest_rect = *rect;
        slot.use_dest_rect = true;
    } else {
        slot.use_dest_rect = false;
    }
    return kDone;
}

int PanoramaEngine::Draw(DrawTarget& target, const PixelRect& rect, int view) {
    if (!loaded_ || !HasView(view)) {
        return kNotLoaded;
    }
    SetDestRect(&rect, view);
    StateLockScope scope(loaded_->lock);
    RenderFrame(target, view);
    return kDone;
}

void PanoramaEngine::SetViewCount(int count) {
    const auto wanted = static_cast<std::size_t>(std::clamp(count, 1, kMaxViews));
    std::optional<StateLockScope> scope;
    if (loaded_) {
        scope.emplace(loaded_->lock);
    }
    views_.resize(std::min(views_.size(), wanted));
    while (views_.size() < wanted) {
        views_.push_back(StartSlot());
    }
}

int PanoramaEngine::ViewCount() const {
    return static_cast<int>(views_.size());
}

bool PanoramaEngine::HasView(int view) const {
    return view >= 0 && view < ViewCount();
}

PanoramaEngine::ViewSlot PanoramaEngine::StartSlot() const {
    ViewSlot slot;
    slot.view = start_view_;
    slot.limits = start_limits_;
    return slot;
}

void PanoramaEngine::ResetViews() {
    for (ViewSlot& slot : views_) {
        slot = StartSlot();
    }
}

ViewState PanoramaEngine::View(int view) const {
    return views_.at(static_cast<std::size_t>(view)).view;
}

const ViewLimits& PanoramaEngine::Limits(int view) const {
    return views_.at(static_cast<std::size_t>(view)).limits;
}

const FrameFormat& PanoramaEngine::Frame(int view) const {
    return views_.at(static_cast<std::size_t>(view)).frame;
}

void PanoramaEngine::Close() {
    if (!loaded_) {
        return;
    }
    {
        StateLockScope scope(loaded_->lock);
        loaded_->image = PackedDib();
        loaded_->renderer.reset();
        for (ViewSlot& slot : views_) {
            slot.frame_buffer = MemoryBlock();
            slot.still_buffer = MemoryBlock();
        }
        loaded_->staging.reset();  // empties and removes the staging directory
    }
    loaded_.reset();
    for (ViewSlot& slot : views_) {
        slot.frame = FrameFormat{};
        slot.still_valid = false;
    }
}

void PanoramaEngine::SetStillQuality(std::int16_t quality) {
    if (quality != still_quality_) {
        // The kept pictures were made with the old filter.
        for (ViewSlot& slot : views_) {
            slot.still_valid = false;
        }
    }
    still_quality_ = quality;
}

void PanoramaEngine::SetProjection(Projection projection) {
    if (projection != projection_) {
        for (ViewSlot& slot : views_) {
            slot.still_valid = false;
        }
    }
    projection_ = projection;
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
