// The native window and its event loop; see native_window.h.
#include "platform/display/native_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <limits>
#include <string>

#include "platform/core/end_signals.h"
#include "platform/display/gl_presenter.h"
#include "platform/display/x11_windows.h"

namespace skyweave {
namespace {

// The close request travels as a private message with this number, which no
// caller uses for its own messages (it is the desktop's close message).
constexpr std::int32_t kCloseMessage = 0x0010;
// How often a child window checks that its foreign parent still exists, and
// the longest wait for events, so that signals and a vanished parent are
// noticed well within a second.
constexpr std::uint64_t kParentCheckMs = 200;
constexpr std::uint64_t kMaxWaitMs = 100;
// The idle poll period of a window inside a foreign window.
constexpr std::uint64_t kChildPollMs = 10;

// The display under the pointer: a screen saver starts where the user is.
int DisplayUnderPointer() {
    int x = 0;
    int y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    const SDL_Point point{x, y};
    const int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(i, &bounds) == 0 && SDL_PointInRect(&point, &bounds)) {
            return i;
        }
    }
    return 0;
}

// Takes a window that is not yet mapped out of the window manager's hands:
// mapped, it lies exactly where it was made, over every other window, and
// no window manager confines it to one monitor. False when it is no X11
// window.
bool BypassWindowManager(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
        return false;
    }
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    XChangeWindowAttributes(info.info.x11.display, info.info.x11.window, CWOverrideRedirect,
                            &attributes);
    XFlush(info.info.x11.display);
    return true;
}

// Makes the SDL window of `placement` (a foreign child window already made
// as `child`), able to take an OpenGL renderer when `opengl`. Null, with
// SDL's error set, when it cannot be made.
SDL_Window* MakeSdlWindow(const WindowPlacement& placement, const X11ChildWindow* child,
                          bool opengl) {
    const Uint32 gl_flag = opengl ? SDL_WINDOW_OPENGL : 0;
    const PixelRect& span = placement.span;
    switch (placement.kind) {
        case WindowPlacement::Kind::FullScreen: {
            if (!span.Empty()) {
                SDL_Window* window =
                    SDL_CreateWindow(placement.title.c_str(), static_cast<int>(span.left),
                                     static_cast<int>(span.top), static_cast<int>(span.Width()),
                                     static_cast<int>(span.Height()),
                                     SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS | gl_flag);
                if (window != nullptr && !BypassWindowManager(window)) {
                    SDL_DestroyWindow(window);
                    SDL_SetError("a window over several monitors needs an X11 display");
                    return nullptr;
                }
                return window;
            }
            const int display = DisplayUnderPointer();
            SDL_Rect bounds{0, 0, 640, 480};
            SDL_GetDisplayBounds(display, &bounds);
            return SDL_CreateWindow(placement.title.c_str(), bounds.x, bounds.y, bounds.w, bounds.h,
                                    SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS |
                                        SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALWAYS_ON_TOP |
                                        gl_flag);
        }
        case WindowPlacement::Kind::Own:
            return SDL_CreateWindow(placement.title.c_str(), SDL_WINDOWPOS_CENTERED,
                                    SDL_WINDOWPOS_CENTERED, std::max(placement.width, 1),
                                    std::max(placement.height, 1), SDL_WINDOW_HIDDEN | gl_flag);
        case WindowPlacement::Kind::Child: {
            // SDL marks a foreign window for OpenGL only when told so as it
            // takes it over.
            SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, opengl ? "1" : "0");
            SDL_Window* window = SDL_CreateWindowFrom(
                reinterpret_cast<const void*>(static_cast<std::uintptr_t>(child->id())));
            SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "0");
            return window;
        }
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<NativeWindow> NativeWindow::Create(const WindowPlacement& placement,
                                                   WindowHandler& handler, std::string& error) {
    std::unique_ptr<NativeWindow> window(new NativeWindow(handler));
    if (placement.kind == WindowPlacement::Kind::Child) {
        window->child_ = X11ChildWindow::Create(placement.parent);
        if (!window->child_) {
            error = "window " + std::to_string(placement.parent) + " does not exist on the display";
            return nullptr;
        }
    }
    bool opengl = placement.opengl;
    if (opengl && placement.opengl_hardware_only && !X11OffersDirectRendering()) {
        // Not worth loading OpenGL only to find it drawing in software.
        window->presentation_note_ = "the display offers no direct rendering";
        opengl = false;
    }
    window->window_ = MakeSdlWindow(placement, window->child_.get(), opengl);
    if (window->window_ == nullptr && opengl) {
        // No OpenGL visual or library: the window surface needs neither.
        window->presentation_note_ = std::string("no OpenGL window: ") + SDL_GetError();
        window->window_ = MakeSdlWindow(placement, window->child_.get(), false);
    }
    if (placement.kind == WindowPlacement::Kind::Child && window->window_ != nullptr) {
        // SDL takes a foreign window as it is and selects no input on
        // it; the events must be selected on SDL's own connection,
        // since X delivers them only to the client that asked.
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(window->window_, &info) == SDL_TRUE &&
            info.subsystem == SDL_SYSWM_X11) {
            XSelectInput(info.info.x11.display, info.info.x11.window,
                         KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                             PointerMotionMask | EnterWindowMask | LeaveWindowMask |
                             FocusChangeMask | ExposureMask | StructureNotifyMask |
                             PropertyChangeMask | KeymapStateMask);
            XFlush(info.info.x11.display);
        }
    }
    if (window->window_ == nullptr) {
        error = SDL_GetError();
        return nullptr;
    }
    window->message_event_ = SDL_RegisterEvents(1);
    if (window->message_event_ == std::numeric_limits<std::uint32_t>::max()) {
        error = "no event type is left for the window's messages";
        return nullptr;
    }
    window->opengl_hardware_only_ = placement.opengl_hardware_only;
    if (opengl && window->presentation_note_.empty()) {
        // Made before the window is shown or drawn on: the renderer must be
        // the first to take the window's pixels.
        window->gl_ = GlPresenter::Create(window->window_, placement.opengl_hardware_only,
                                          window->presentation_note_);
        if (window->gl_) {
            window->presentation_note_ = window->gl_->RendererName();
        }
    }
    return window;
}

NativeWindow::NativeWindow(WindowHandler& handler) : handler_(handler) {}

NativeWindow::~NativeWindow() {
    Destroy();
}

void NativeWindow::Show() {
    if (window_ == nullptr) {
        return;
    }
    SDL_ShowWindow(window_);
    if (!child_) {
        SDL_RaiseWindow(window_);
    }
    UpdateCursor();
    Invalidate(nullptr, true);
}

bool NativeWindow::Replace(const WindowPlacement& placement, std::string& error) {
    if (window_ == nullptr || child_ || placement.kind == WindowPlacement::Kind::Child) {
        error = "this window cannot be made anew";
        return false;
    }
    // The new window presents the way the old one did: OpenGL stays, if it
    // can, and a window that fell back to its surface keeps the surface.
    const bool opengl = gl_ != nullptr;
    SDL_Window* made = MakeSdlWindow(placement, nullptr, opengl);
    if (made == nullptr) {
        error = SDL_GetError();
        return false;
    }
    const bool visible = IsVisible();
    const bool grabbed = grabbed_;
    SetInputGrab(false);
    if (visible) {
        SDL_ShowWindow(made);
        SDL_RaiseWindow(made);
    }
    // The renderer belongs to the old window and goes with it.
    gl_.reset();
    SDL_DestroyWindow(window_);
    window_ = made;
    invalid_.clear();
    if (opengl) {
        gl_ = GlPresenter::Create(window_, opengl_hardware_only_, presentation_note_);
        if (gl_) {
            presentation_note_ = gl_->RendererName();
        }
    }
    if (visible) {
        SetFocus();
    }
    SetInputGrab(grabbed);
    // SDL shows or hides the cursor on the windows that exist when asked;
    // the new one gets the current state.
    cursor_shown_ = -1;
    UpdateCursor();
    Invalidate(nullptr, true);
    return true;
}

bool NativeWindow::IsVisible() const {
    if (window_ == nullptr) {
        return false;
    }
    const Uint32 flags = SDL_GetWindowFlags(window_);
    return (flags & SDL_WINDOW_SHOWN) != 0 && (flags & SDL_WINDOW_HIDDEN) == 0;
}

void NativeWindow::Destroy() {
    if (window_ == nullptr) {
        return;
    }
    SetInputGrab(false);
    gl_.reset();
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    child_.reset();
    invalid_.clear();
    timers_.clear();
    SDL_ShowCursor(SDL_ENABLE);
}

PixelRect NativeWindow::ClientRect() const {
    if (window_ == nullptr) {
        return {};
    }
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    return PixelRect{0, 0, w, h};
}

std::uint64_t NativeWindow::NativeId() const {
    if (child_) {
        return child_->id();
    }
    if (window_ == nullptr) {
        return 0;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window_, &info) == SDL_FALSE || info.subsystem != SDL_SYSWM_X11) {
        return 0;
    }
    return static_cast<std::uint64_t>(info.info.x11.window);
}

int NativeWindow::PendingMessages(std::uint32_t message) const {
    for (const auto& [number, count] : pending_) {
        if (number == message) {
            return count;
        }
    }
    return 0;
}

int NativeWindow::RefreshRateHz() const {
    if (window_ == nullptr) {
        return 0;
    }
    const int display = SDL_GetWindowDisplayIndex(window_);
    SDL_DisplayMode mode{};
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) {
        return 0;
    }
    return mode.refresh_rate > 0 ? mode.refresh_rate : 0;
}

std::uint64_t NativeWindow::TicksMs() {
    return SDL_GetTicks64();
}

void NativeWindow::PostMessage(std::uint32_t message) {
    auto it = std::find_if(pending_.begin(), pending_.end(),
                           [message](const auto& entry) { return entry.first == message; });
    if (it == pending_.end()) {
        pending_.emplace_back(message, 1);
    } else {
        ++it->second;
    }
    SDL_Event event{};
    event.type = message_event_;
    event.user.code = static_cast<Sint32>(message);
    SDL_PushEvent(&event);
}

void NativeWindow::PostMessageFromAnyThread(std::uint32_t message) const {
    SDL_Event event{};
    event.type = message_event_;
    event.user.code = static_cast<Sint32>(message);
    SDL_PushEvent(&event);  // thread-safe; touches nothing of this object's
}

void NativeWindow::PostClose() {
    PostMessage(static_cast<std::uint32_t>(kCloseMessage));
}

unsigned NativeWindow::SetTimer(unsigned id, unsigned period_ms) {
    if (id == 0) {
        return 0;
    }
    KillTimer(id);
    const unsigned period = std::max(period_ms, 1u);
    timers_.push_back(Timer{id, period, SDL_GetTicks64() + period});
    return id;
}

void NativeWindow::KillTimer(unsigned id) {
    std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
}

void NativeWindow::Invalidate(const PixelRect* rect, bool erase) {
    const PixelRect client = ClientRect();
    const PixelRect cut = rect != nullptr ? IntersectRect(*rect, client) : client;
    if (cut.Width() <= 0 || cut.Height() <= 0) {
        return;
    }
    invalid_.push_back(Invalid{cut, erase});
    // A long backlog (the loop starved by frames) is painted as one box.
    if (invalid_.size() > 64) {
        Invalid all{client, false};
        for (const Invalid& i : invalid_) {
            all.erase = all.erase || i.erase;
        }
        invalid_.assign(1, all);
    }
}

WindowCanvas NativeWindow::GetCanvas(bool present_now) {
    return WindowCanvas(this, present_now);
}

SDL_Surface* NativeWindow::CanvasSurface() {
    if (window_ == nullptr) {
        return nullptr;
    }
    if (gl_) {
        if (SDL_Surface* surface = gl_->Surface()) {
            return surface;
        }
        FallBackToSurface("no surface for OpenGL presentation");
    }
    return SDL_GetWindowSurface(window_);
}

void NativeWindow::ShowChanges(const std::vector<PixelRect>& rects, bool present_now) {
    if (window_ == nullptr || rects.empty()) {
        return;
    }
    if (gl_) {
        for (const PixelRect& rect : rects) {
            gl_->Touch(rect);
        }
        if (present_now) {
            PresentPending();
        }
        return;
    }
    std::vector<SDL_Rect> sdl;
    sdl.reserve(rects.size());
    for (const PixelRect& r : rects) {
        sdl.push_back(
            SDL_Rect{r.left, r.top, static_cast<int>(r.Width()), static_cast<int>(r.Height())});
    }
    SDL_UpdateWindowSurfaceRects(window_, sdl.data(), static_cast<int>(sdl.size()));
}

void NativeWindow::PresentPending() {
    if (gl_ && gl_->Pending() && !gl_->Present()) {
        FallBackToSurface(std::string("OpenGL presentation failed: ") + SDL_GetError());
    }
}

void NativeWindow::FallBackToSurface(const std::string& why) {
    if (!gl_) {
        return;
    }
    // The picture drawn so far goes over to the window surface, so that the
    // screen never shows black in between.
    SDL_Surface* drawn = gl_->Surface();
    SDL_Surface* kept = drawn != nullptr ? SDL_DuplicateSurface(drawn) : nullptr;
    gl_.reset();
    presentation_note_ = why;
    SDL_Surface* surface = window_ != nullptr ? SDL_GetWindowSurface(window_) : nullptr;
    if (surface != nullptr && kept != nullptr) {
        SDL_BlitSurface(kept, nullptr, surface, nullptr);
        SDL_UpdateWindowSurface(window_);
    } else {
        Invalidate(nullptr, true);
    }
    SDL_FreeSurface(kept);
}

void NativeWindow::SetFocus() {
    if (window_ == nullptr) {
        return;
    }
    if (!child_) {
        SDL_RaiseWindow(window_);
    }
    SDL_SetWindowInputFocus(window_);
}

void NativeWindow::SetInputGrab(bool grab) {
    if (window_ == nullptr || grab == grabbed_) {
        return;
    }
    SDL_SetWindowKeyboardGrab(window_, grab ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowMouseGrab(window_, grab ? SDL_TRUE : SDL_FALSE);
    grabbed_ = grab;
}

void NativeWindow::UpdateCursor() {
    const int show = handler_.OnSetCursor() == CursorKind::Arrow ? SDL_ENABLE : SDL_DISABLE;
    if (show != cursor_shown_) {
        SDL_ShowCursor(show);
        cursor_shown_ = show;
    }
}

void NativeWindow::Dispatch(const void* raw) {
    const SDL_Event& event = *static_cast<const SDL_Event*>(raw);
    if (event.type == message_event_) {
        const auto message = static_cast<std::uint32_t>(event.user.code);
        for (auto& [number, count] : pending_) {
            if (number == message && count > 0) {
                --count;
            }
        }
        if (event.user.code == kCloseMessage) {
            handler_.OnClose();
        } else {
            handler_.OnPrivateMessage(static_cast<std::uint32_t>(event.user.code));
        }
        return;
    }
    switch (event.type) {
        case SDL_KEYDOWN:
            handler_.OnKeyDown();
            break;
        case SDL_KEYUP:
            handler_.OnKeyUp();
            break;
        case SDL_MOUSEBUTTONDOWN:
            handler_.OnButtonDown();
            break;
        case SDL_MOUSEMOTION:
            UpdateCursor();
            handler_.OnMouseMove(event.motion.x, event.motion.y);
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    handler_.OnActivate(false);
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    handler_.OnActivate(true);
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    Invalidate(nullptr, true);
                    break;
                case SDL_WINDOWEVENT_EXPOSED:
                    // The surface keeps what was drawn; only push it again.
                    if (gl_) {
                        gl_->TouchAll();
                    } else if (window_ != nullptr && SDL_GetWindowSurface(window_) != nullptr) {
                        SDL_UpdateWindowSurface(window_);
                    }
                    break;
                case SDL_WINDOWEVENT_CLOSE:
                    handler_.OnSystemClose();
                    break;
                default:
                    break;
            }
            break;
        case SDL_RENDER_TARGETS_RESET:
            if (gl_) {
                gl_->TouchAll();
            }
            break;
        case SDL_RENDER_DEVICE_RESET:
            FallBackToSurface("the OpenGL device was lost");
            break;
        default:
            break;
    }
    if (window_ != nullptr) {
        UpdateCursor();
    }
}

void NativeWindow::PaintInvalid() {
    std::vector<Invalid> invalid;
    invalid.swap(invalid_);
    WindowCanvas canvas(this, false);
    for (const Invalid& item : invalid) {
        canvas.SetClip(item.rect);
        if (item.erase) {
            handler_.OnEraseBackground(canvas);
        }
        handler_.OnPaint(canvas);
        if (window_ == nullptr) {
            return;
        }
    }
}

bool NativeWindow::FireDueTimer(std::uint64_t now) {
    for (Timer& timer : timers_) {
        if (timer.due_ms <= now) {
            // Like a desktop timer, a late timer fires once, not once per
            // missed period.
            timer.due_ms = now + timer.period_ms;
            handler_.OnTimer(timer.id);
            return true;
        }
    }
    return false;
}

std::uint64_t NativeWindow::NextTimerDue() const {
    std::uint64_t due = std::numeric_limits<std::uint64_t>::max();
    for (const Timer& timer : timers_) {
        due = std::min(due, timer.due_ms);
    }
    return due;
}

void NativeWindow::RunMessageLoop(const std::function<void()>& on_idle, bool end_on_signal) {
    bool idle_done = false;
    while (window_ != nullptr) {
        const std::uint64_t now = SDL_GetTicks64();
        if (child_ && now >= next_parent_check_ms_) {
            next_parent_check_ms_ = now + kParentCheckMs;
            if (!child_->ParentAlive()) {
                // The host destroyed its window, and ours with it.
                Destroy();
                break;
            }
            if (child_->FollowParentSize()) {
                Invalidate(nullptr, true);
            }
        }
        if (end_on_signal && EndSignals::Caught() != 0) {
            handler_.OnEndSignal();
            continue;
        }
        SDL_Event event;
        if (SDL_PollEvent(&event) != 0) {
            if (event.type == SDL_QUIT) {
                if (end_on_signal) {
                    handler_.OnEndSignal();
                }
            } else {
                Dispatch(&event);
            }
            idle_done = false;
            continue;
        }
        if (!invalid_.empty()) {
            PaintInvalid();
            // Painting may leave work for the idle callback (a frame for an
            // erased view).
            idle_done = false;
            continue;
        }
        if (gl_ && gl_->Pending()) {
            // Everything this turn drew, shown at once.
            PresentPending();
            continue;
        }
        if (FireDueTimer(now)) {
            idle_done = false;
            continue;
        }
        if (idle_done && idle_again_ms_ != 0 && now >= idle_again_ms_) {
            idle_again_ms_ = 0;
            idle_done = false;
        }
        if (!idle_done) {
            idle_done = true;
            if (on_idle) {
                on_idle();
            }
            continue;
        }
        std::uint64_t due = NextTimerDue();
        if (idle_again_ms_ != 0) {
            due = std::min(due, idle_again_ms_);
        }
        std::uint64_t wait = kMaxWaitMs;
        if (due > now) {
            wait = std::min(wait, due - now);
        } else {
            wait = 0;
        }
        if (child_) {
            // No blocking wait on a foreign window: SDL would leave a wake-up
            // message addressed to it, which fails once the host destroys
            // the window and ends the process when SDL closes its display.
            SDL_Delay(static_cast<Uint32>(std::min<std::uint64_t>(wait, kChildPollMs)));
        } else {
            SDL_WaitEventTimeout(nullptr, static_cast<int>(wait));
        }
    }
}

}  // namespace skyweave
