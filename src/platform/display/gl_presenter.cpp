// Presenting through OpenGL; see gl_presenter.h.
#include "platform/display/gl_presenter.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/display/window_canvas.h"

namespace skyweave {
namespace {

// glGetString and its GL_RENDERER name, reached through SDL so that the
// program does not link the OpenGL library itself.
using GetStringFunction = const unsigned char* (*)(unsigned int);
constexpr unsigned int kGlRenderer = 0x1F01;

int OpenGlDriverIndex() {
    const int count = SDL_GetNumRenderDrivers();
    for (int i = 0; i < count; ++i) {
        SDL_RendererInfo info{};
        if (SDL_GetRenderDriverInfo(i, &info) == 0 && info.name != nullptr &&
            std::strcmp(info.name, "opengl") == 0) {
            return i;
        }
    }
    return -1;
}

std::string CurrentGlRenderer() {
    const auto get_string =
        reinterpret_cast<GetStringFunction>(SDL_GL_GetProcAddress("glGetString"));
    if (get_string == nullptr) {
        return {};
    }
    const unsigned char* name = get_string(kGlRenderer);
    return name != nullptr ? std::string(reinterpret_cast<const char*>(name)) : std::string();
}

// Mesa's software rasterisers name themselves so.
bool IsSoftwareRenderer(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* word : {"llvmpipe", "softpipe", "swrast", "software"}) {
        if (name.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::unique_ptr<GlPresenter> GlPresenter::Create(SDL_Window* window, bool hardware_only,
                                                 std::string& why) {
    const int driver = OpenGlDriverIndex();
    if (window == nullptr || driver < 0) {
        why = "SDL offers no OpenGL renderer";
        return nullptr;
    }
    SDL_Renderer* renderer =
        SDL_CreateRenderer(window, driver, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer == nullptr) {
        why = std::string("no OpenGL renderer: ") + SDL_GetError();
        return nullptr;
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    const std::string name = CurrentGlRenderer();
    const bool software =
        (info.flags & SDL_RENDERER_ACCELERATED) == 0 || name.empty() || IsSoftwareRenderer(name);
    if (hardware_only && software) {
        why = "OpenGL draws in software (" + (name.empty() ? std::string("unnamed") : name) + ")";
        SDL_DestroyRenderer(renderer);
        return nullptr;
    }
    return std::unique_ptr<GlPresenter>(new GlPresenter(window, renderer, name));
}

GlPresenter::GlPresenter(SDL_Window* window, SDL_Renderer* renderer, std::string name)
    : window_(window), renderer_(renderer), name_(std::move(name)) {}

GlPresenter::~GlPresenter() {
    if (texture_ != nullptr) {
        SDL_DestroyTexture(texture_);
    }
    SDL_DestroyRenderer(renderer_);
    SDL_FreeSurface(surface_);
}

SDL_Surface* GlPresenter::Surface() {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window_, &width, &height);
    if (surface_ != nullptr && surface_->w == width && surface_->h == height) {
        return surface_;
    }
    if (texture_ != nullptr) {
        SDL_DestroyTexture(texture_);
        texture_ = nullptr;
    }
    SDL_FreeSurface(surface_);
    surface_ = nullptr;
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    Uint32 format = SDL_GetWindowPixelFormat(window_);
    if (format == SDL_PIXELFORMAT_UNKNOWN) {
        format = SDL_PIXELFORMAT_RGB888;
    }
    // Made zeroed: black until something is drawn.
    surface_ = SDL_CreateRGBSurfaceWithFormat(0, width, height, SDL_BITSPERPIXEL(format), format);
    TouchAll();
    return surface_;
}

void GlPresenter::Touch(const PixelRect& rect) {
    if (surface_ == nullptr) {
        return;
    }
    const PixelRect cut = IntersectRect(rect, PixelRect{0, 0, surface_->w, surface_->h});
    if (cut.Width() <= 0 || cut.Height() <= 0) {
        return;
    }
    dirty_ =
        dirty_.Width() <= 0
            ? cut
            : PixelRect{std::min(dirty_.left, cut.left), std::min(dirty_.top, cut.top),
                        std::max(dirty_.right, cut.right), std::max(dirty_.bottom, cut.bottom)};
    pending_ = true;
}

void GlPresenter::TouchAll() {
    if (surface_ != nullptr) {
        dirty_ = PixelRect{0, 0, surface_->w, surface_->h};
    }
    pending_ = true;
}

bool GlPresenter::MakeTexture() {
    texture_ = SDL_CreateTexture(renderer_, surface_->format->format, SDL_TEXTUREACCESS_STREAMING,
                                 surface_->w, surface_->h);
    if (texture_ == nullptr) {
        return false;
    }
    // Copied as it is: no blending with what was there, no filtering.
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
    dirty_ = PixelRect{0, 0, surface_->w, surface_->h};
    return true;
}

bool GlPresenter::Present() {
    if (Surface() == nullptr) {
        pending_ = false;
        return true;  // an empty window shows nothing
    }
    if (texture_ == nullptr && !MakeTexture()) {
        return false;
    }
    if (dirty_.Width() > 0 && dirty_.Height() > 0) {
        const SDL_Rect box{dirty_.left, dirty_.top, static_cast<int>(dirty_.Width()),
                           static_cast<int>(dirty_.Height())};
        const auto* first = static_cast<const std::uint8_t*>(surface_->pixels) +
                            static_cast<std::ptrdiff_t>(box.y) * surface_->pitch +
                            static_cast<std::ptrdiff_t>(box.x) * surface_->format->BytesPerPixel;
        if (SDL_UpdateTexture(texture_, &box, first, surface_->pitch) != 0) {
            return false;
        }
    }
    if (SDL_RenderCopy(renderer_, texture_, nullptr, nullptr) != 0) {
        return false;
    }
    SDL_RenderPresent(renderer_);
    dirty_ = PixelRect{};
    pending_ = false;
    return true;
}

}  // namespace skyweave
