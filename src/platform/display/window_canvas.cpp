// Drawing on a native window's surface; see window_canvas.h.
#include "platform/display/window_canvas.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/display/native_window.h"

namespace skyweave {
namespace {

SDL_Rect ToSdl(const PixelRect& rect) {
    return SDL_Rect{rect.left, rect.top, static_cast<int>(rect.Width()),
                    static_cast<int>(rect.Height())};
}

}  // namespace

PixelRect IntersectRect(const PixelRect& a, const PixelRect& b) {
    const PixelRect cut{std::max(a.left, b.left), std::max(a.top, b.top),
                        std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return cut.Empty() ? PixelRect{} : cut;
}

WindowCanvas::WindowCanvas(NativeWindow* window, bool present_now)
    : window_(window), present_now_(present_now) {
    if (window_ != nullptr) {
        surface_ = window_->CanvasSurface();
    }
}

WindowCanvas::~WindowCanvas() {
    Flush();
}

PixelRect WindowCanvas::ClientRect() const {
    if (surface_ == nullptr) {
        return {};
    }
    return PixelRect{0, 0, surface_->w, surface_->h};
}

void WindowCanvas::SetClip(const std::optional<PixelRect>& clip) {
    clip_ = clip;
}

PixelRect WindowCanvas::ClipBox() const {
    return clip_ ? IntersectRect(*clip_, ClientRect()) : ClientRect();
}

void WindowCanvas::FillBlack(const PixelRect& rect) {
    const PixelRect cut = IntersectRect(rect, ClipBox());
    if (surface_ == nullptr || cut.Empty()) {
        return;
    }
    const SDL_Rect sdl = ToSdl(cut);
    SDL_FillRect(surface_, &sdl, SDL_MapRGB(surface_->format, 0, 0, 0));
    Touch(cut);
}

void WindowCanvas::DrawSurface(SDL_Surface* picture, int x, int y) {
    if (picture == nullptr) {
        return;
    }
    StretchSurface(picture, PixelRect{x, y, x + picture->w, y + picture->h});
}

void WindowCanvas::StretchSurface(SDL_Surface* picture, const PixelRect& dest) {
    const PixelRect box = ClipBox();
    const PixelRect cut = IntersectRect(dest, box);
    if (surface_ == nullptr || picture == nullptr || cut.Empty()) {
        return;
    }
    const SDL_Rect clip = ToSdl(box);
    SDL_SetClipRect(surface_, &clip);
    SDL_Rect target = ToSdl(dest);
    if (dest.Width() == picture->w && dest.Height() == picture->h) {
        SDL_BlitSurface(picture, nullptr, surface_, &target);
    } else {
        SDL_BlitScaled(picture, nullptr, surface_, &target);
    }
    SDL_SetClipRect(surface_, nullptr);
    Touch(cut);
}

void WindowCanvas::StretchPicture(const FrameImage& picture, const PixelRect& dest) {
    if (picture.depth != 24 || picture.width <= 0 || picture.height <= 0) {
        return;
    }
    const std::size_t row = static_cast<std::size_t>(picture.width) * 3;
    if (picture.pixels.size() / row < static_cast<std::size_t>(picture.height)) {
        return;
    }
    SDL_Surface* upright =
        SDL_CreateRGBSurfaceWithFormat(0, picture.width, picture.height, 24, SDL_PIXELFORMAT_BGR24);
    if (upright == nullptr) {
        return;
    }
    auto* out = static_cast<std::uint8_t*>(upright->pixels);
    for (int y = 0; y < picture.height; ++y) {
        // Bottom-up rows: the last row in memory is the top of the picture.
        const std::uint8_t* src =
            picture.pixels.data() + static_cast<std::size_t>(picture.height - 1 - y) * row;
        std::memcpy(out + static_cast<std::size_t>(y) * upright->pitch, src, row);
    }
    StretchSurface(upright, dest);
    SDL_FreeSurface(upright);
}

void WindowCanvas::Touch(const PixelRect& rect) {
    const PixelRect cut = IntersectRect(rect, ClientRect());
    if (cut.Empty()) {
        return;
    }
    touched_.push_back(cut);
    // Many small strips are cheaper to push as one box than one by one.
    if (touched_.size() > 32) {
        PixelRect box = touched_.front();
        for (const PixelRect& r : touched_) {
            box = {std::min(box.left, r.left), std::min(box.top, r.top),
                   std::max(box.right, r.right), std::max(box.bottom, r.bottom)};
        }
        touched_.assign(1, box);
    }
}

void WindowCanvas::Flush() {
    if (window_ == nullptr || surface_ == nullptr || touched_.empty()) {
        touched_.clear();
        return;
    }
    window_->ShowChanges(touched_, present_now_);
    touched_.clear();
}

}  // namespace skyweave
