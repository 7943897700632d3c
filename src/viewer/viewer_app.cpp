// See viewer_app.h. Every frame is drawn in the event loop's turn that
// asked for it; when nothing moves any more the same view is drawn once
// again, which the engine answers with its still filter.
#include "viewer/viewer_app.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "engine/panorama_engine.h"
#include "loading/panorama_loader.h"
#include "platform/core/end_signals.h"
#include "platform/core/log_text.h"
#include "platform/core/worker_pool.h"
#include "platform/display/sdl_video.h"
#include "platform/display/text_renderer.h"
#include "platform/display/window_draw_target.h"
#include "platform/profile/profile_store.h"
#include "render/view_geometry.h"
#include "settings/saver_settings.h"
#include "strings/string_table.h"
#include "viewer/view_drag.h"
#include "viewer/viewer_files.h"

namespace skyweave {

namespace {

constexpr int kStartWidth = 1280;
constexpr int kStartHeight = 720;
// How long input must pause before the resting frame is drawn, ms.
constexpr Uint32 kRestDelayMs = 120;
// The longest wait for an event, so that end signals are seen, ms.
constexpr Uint32 kWakeMs = 100;
// One frame of the automatic turn, ms.
constexpr Uint32 kTurnFrameMs = 16;
// Zoom factor of one wheel notch or one + or - press.
constexpr double kZoomStep = 0.9;

// The window surface as the engine's drawing target.
class SurfaceTarget : public DrawTarget {
  public:
    explicit SurfaceTarget(SDL_Surface* surface) : surface_(surface) {}
    PixelRect ClientRect() const override { return {0, 0, surface_->w, surface_->h}; }
    void CopyFrame(const FrameImage& frame, std::int32_t source_x, std::int32_t source_y,
                   const PixelRect& dest, const Palette* palette) override {
        CopyFrameToSurface(frame, source_x, source_y, dest, palette, surface_);
    }

  private:
    SDL_Surface* surface_;
};

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The stored automatic turn, degrees per frame.
double StoredTurn() {
    ProfileStore profile("skyweave");
    profile.SetRegistryKey("Corvane");
    return std::clamp(LoadSaverSettings(profile).heading, -300, 300) / 10.0;
}

class Viewer {
  public:
    Viewer(const ViewerOptions& options, SDL_Window* window, Uint32 load_event)
        : window_(window),
          loader_([load_event] {
              SDL_Event event{};
              event.type = load_event;
              SDL_PushEvent(&event);
          }),
          pool_(ResolveThreadCount(0)),
          first_view_(options.view),
          turn_(StoredTurn()),
          log_(std::getenv("SKYWEAVE_VIEW_LOG") != nullptr) {
        files_ = ListViewerFiles(options.path);
        if (files_.paths.empty()) {
            message_ = "No panorama in " + options.path;
            SDL_SetWindowTitle(window_, (BaseName(options.path) + " - Skyweave Viewer").c_str());
        } else {
            Open(files_.current);
        }
    }

    // One turn of the event loop; false when the viewer ends.
    bool Handle(const SDL_Event& event, Uint32 load_event) {
        if (event.type == load_event) {
            TakeLoad();
            return true;
        }
        switch (event.type) {
            case SDL_QUIT:
                return false;
            case SDL_KEYDOWN:
                return Key(event.key.keysym.sym);
            case SDL_MOUSEBUTTONDOWN:
                if (event.button.button == SDL_BUTTON_LEFT && engine_) {
                    grab_ = DirectionAt(view_, Width(), Height(),
                                        {1.0 * event.button.x, 1.0 * event.button.y});
                }
                break;
            case SDL_MOUSEBUTTONUP:
                if (event.button.button == SDL_BUTTON_LEFT && grab_) {
                    grab_.reset();
                    // The view rests once let go, not while held still.
                    dirty_ = true;
                }
                break;
            case SDL_MOUSEMOTION:
                if (grab_ && (event.motion.state & SDL_BUTTON_LMASK) != 0) {
                    Show(ViewShowing(view_, Width(), Height(), *grab_,
                                     {1.0 * event.motion.x, 1.0 * event.motion.y}));
                }
                break;
            case SDL_MOUSEWHEEL: {
                int x = 0;
                int y = 0;
                SDL_GetMouseState(&x, &y);
                ZoomAbout(std::pow(kZoomStep, event.wheel.y), {1.0 * x, 1.0 * y});
                break;
            }
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                    event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                    dirty_ = true;
                }
                break;
            default:
                break;
        }
        return true;
    }

    // Draws what changed, the resting frame after a pause, and the next
    // frame of the automatic turn. Returns how long the loop may wait.
    Uint32 Idle(Uint32 now) {
        if (turning_ && engine_) {
            ViewState next = view_;
            next.heading = WrapAngle(next.heading + turn_);
            view_ = next;
            dirty_ = true;
        }
        if (dirty_) {
            Draw(false);
            dirty_ = false;
            changed_at_ = now;
            resting_ = false;
            return turning_ ? kTurnFrameMs : kRestDelayMs;
        }
        if (!resting_ && !grab_ && now - changed_at_ >= kRestDelayMs) {
            Draw(true);
            resting_ = true;
        }
        return resting_ ? kWakeMs : kRestDelayMs;
    }

  private:
    int Width() const {
        int w = 0;
        int h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        return w;
    }
    int Height() const {
        int w = 0;
        int h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        return h;
    }

    void Open(std::size_t index) {
        current_ = index;
        const std::string& path = files_.paths[index];
        SDL_SetWindowTitle(window_, (BaseName(path) + " - Skyweave Viewer").c_str());
        DecodeLimits limits;
        limits.screen_depth = 24;
        loader_.Request(path, limits);
    }

    void Step(int by) {
        if (files_.paths.size() < 2) {
            return;
        }
        const auto count = static_cast<long>(files_.paths.size());
        Open(
            static_cast<std::size_t>(((static_cast<long>(current_) + by) % count + count) % count));
        first_view_.reset();
    }

    void TakeLoad() {
        std::optional<LoadOutcome> outcome = loader_.Take();
        if (!outcome) {
            return;
        }
        grab_.reset();
        engine_ = std::move(outcome->engine);
        if (engine_) {
            message_.clear();
            engine_->SetWorkerPool(&pool_);
            view_ = first_view_.value_or(engine_->InitialView());
        } else {
            // A failure without its own text reads as the saver shows it.
            message_ = outcome->error.empty()
                           ? std::string(LoadResourceString(StringId::ModuleError))
                           : outcome->error;
        }
        shown_path_ = outcome->path;
        dirty_ = true;
    }

    bool Key(SDL_Keycode key) {
        const double step = view_.zoom / 12.0;
        switch (key) {
            case SDLK_ESCAPE:
            case SDLK_q:
                return false;
            case SDLK_LEFT:
                Turn(step, 0);
                break;
            case SDLK_RIGHT:
                Turn(-step, 0);
                break;
            case SDLK_UP:
                Turn(0, step);
                break;
            case SDLK_DOWN:
                Turn(0, -step);
                break;
            case SDLK_PLUS:
            case SDLK_EQUALS:
            case SDLK_KP_PLUS:
                ZoomAbout(kZoomStep, {Width() / 2.0, Height() / 2.0});
                break;
            case SDLK_MINUS:
            case SDLK_KP_MINUS:
                ZoomAbout(1.0 / kZoomStep, {Width() / 2.0, Height() / 2.0});
                break;
            case SDLK_SPACE:
                turning_ = !turning_;
                dirty_ = true;
                break;
            case SDLK_f:
            case SDLK_F11: {
                const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
                SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
                dirty_ = true;
                break;
            }
            case SDLK_r:
                if (engine_) {
                    Show(engine_->InitialView());
                }
                break;
            case SDLK_n:
            case SDLK_PAGEDOWN:
                Step(1);
                break;
            case SDLK_p:
            case SDLK_PAGEUP:
                Step(-1);
                break;
            default:
                break;
        }
        return true;
    }

    void Turn(double heading, double pitch) {
        ViewState next = view_;
        next.heading = WrapAngle(next.heading + heading);
        next.pitch = std::clamp(next.pitch + pitch, -90.0, 90.0);
        Show(next);
    }

    void ZoomAbout(double factor, WindowPoint at) {
        if (!engine_) {
            return;
        }
        const LookDirection held = DirectionAt(view_, Width(), Height(), at);
        const ViewLimits& limits = engine_->Limits();
        ViewState next = view_;
        next.zoom = std::clamp(view_.zoom * factor, limits.zoom_min, limits.zoom_max);
        Show(ViewShowing(next, Width(), Height(), held, at));
    }

    void Show(const ViewState& view) {
        view_ = view;
        dirty_ = true;
    }

    void Draw(bool resting) {
        SDL_Surface* surface = SDL_GetWindowSurface(window_);
        if (surface == nullptr) {
            return;
        }
        const PixelRect all{0, 0, surface->w, surface->h};
        if (engine_) {
            SurfaceTarget target(surface);
            engine_->SetView(view_.heading, view_.pitch, view_.roll, view_.zoom);
            engine_->Draw(target, all);
            // The engine keeps the view inside the panorama's limits.
            view_ = engine_->View();
        } else {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
            if (SDL_Surface* text = text_.Render(message_, std::max(surface->w - 40, 40))) {
                SDL_Rect place{(surface->w - text->w) / 2, (surface->h - text->h) / 2, text->w,
                               text->h};
                SDL_BlitSurface(text, nullptr, surface, &place);
            }
        }
        SDL_UpdateWindowSurface(window_);
        if (log_ && resting) {
            std::fprintf(stderr, "rest %s view %.3f %.3f %.3f %.3f%s%s\n",
                         EscapeForLog(shown_path_).c_str(), view_.heading, view_.pitch, view_.roll,
                         view_.zoom, message_.empty() ? "" : " message ",
                         EscapeForLog(message_).c_str());
        }
    }

    SDL_Window* window_;
    PanoramaLoader loader_;
    WorkerPool pool_;
    TextRenderer text_{20};
    std::optional<ViewState> first_view_;
    double turn_;
    bool log_;
    ViewerFiles files_;
    std::size_t current_ = 0;
    std::unique_ptr<PanoramaEngine> engine_;
    std::string shown_path_;
    std::string message_;
    ViewState view_;
    std::optional<LookDirection> grab_;
    bool turning_ = false;
    bool dirty_ = true;
    bool resting_ = false;
    Uint32 changed_at_ = 0;
};

// The event loop of one window until the viewer ends.
void RunEvents(const ViewerOptions& options, SDL_Window* window) {
    const Uint32 load_event = SDL_RegisterEvents(1);
    {
        Viewer viewer(options, window, load_event);
        Uint32 wait = 0;
        while (EndSignals::Caught() == 0) {
            SDL_Event event;
            if (SDL_WaitEventTimeout(&event, static_cast<int>(wait)) != 0) {
                if (!viewer.Handle(event, load_event)) {
                    break;
                }
                while (SDL_PollEvent(&event) != 0) {
                    if (!viewer.Handle(event, load_event)) {
                        return;
                    }
                }
            }
            wait = viewer.Idle(SDL_GetTicks());
        }
    }
}

}  // namespace

int RunViewer(const ViewerOptions& options) {
    const EndSignals end_signals;
    // SdlVideo lets the desktop's own screen saver start over the window:
    // a picture looked at is not a video watched.
    SdlVideo video;
    if (!video.ok()) {
        std::fprintf(stderr, "skyweave-view: %s\n", video.error().c_str());
        return 1;
    }
    Uint32 flags = SDL_WINDOW_RESIZABLE;
    if (options.fullscreen) {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    }
    std::unique_ptr<SDL_Window, decltype(&SDL_DestroyWindow)> window(
        SDL_CreateWindow("Skyweave Viewer", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                         kStartWidth, kStartHeight, flags),
        &SDL_DestroyWindow);
    if (!window) {
        std::fprintf(stderr, "skyweave-view: cannot open a window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    Display* display = SDL_GetWindowWMInfo(window.get(), &info) && info.subsystem == SDL_SYSWM_X11
                           ? info.info.x11.display
                           : nullptr;
    RunEvents(options, window.get());
    window.reset();
    // Errors still on their way from the server are taken now, while the
    // quiet error handler is in place: SDL puts back Xlib's own, which
    // ends the process with status 1, before it closes the display.
    if (display != nullptr) {
        XSync(display, False);
    }
    return 0;
}

}  // namespace skyweave
