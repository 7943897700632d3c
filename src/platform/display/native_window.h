// One SDL2 window of ours and the event loop that drives it, giving the saver
// window classes what a desktop window system gives its windows: key, button
// and motion handlers, activation changes, private messages posted through
// the event queue, numbered timers, invalidation with or without erasing
// followed by painting, the cursor, focus, input grab and a close request.
// The loop runs on the calling thread and starts no other thread; timers and
// painting are served when no other event waits, and the idle callback runs
// once each time the queue has run empty.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/draw_target.h"
#include "platform/display/window_canvas.h"

struct SDL_Surface;
struct SDL_Window;

namespace skyweave {

class GlPresenter;
class X11ChildWindow;

enum class CursorKind { Hidden, Arrow };

// What a window does with its events. Every handler runs on the loop's thread.
class WindowHandler {
  public:
    virtual ~WindowHandler() = default;
    virtual void OnKeyDown() {}
    virtual void OnKeyUp() {}
    virtual void OnButtonDown() {}
    // x, y: pointer position in window pixels.
    virtual void OnMouseMove(int /*x*/, int /*y*/) {}
    // active: the window gained (true) or lost (false) the keyboard focus.
    virtual void OnActivate(bool /*active*/) {}
    // message: the number given to PostMessage.
    virtual void OnPrivateMessage(std::uint32_t /*message*/) {}
    // id: the id given to SetTimer.
    virtual void OnTimer(unsigned /*id*/) {}
    // Painting of one invalid rectangle; the canvas is clipped to it.
    virtual void OnEraseBackground(WindowCanvas& /*canvas*/) {}
    virtual void OnPaint(WindowCanvas& /*canvas*/) {}
    // The window was asked to close (PostClose).
    virtual void OnClose() {}
    // The user asked the window manager to close the window (its close
    // button or key); the window decides whether that closes it.
    virtual void OnSystemClose() {}
    // SIGTERM, SIGINT or SIGHUP arrived (or a quit event) while the loop
    // was asked to end on signals. The handler must end the loop (destroy
    // the window); it is called again while the window lives.
    virtual void OnEndSignal() {}
    // The cursor to show over the window now.
    virtual CursorKind OnSetCursor() { return CursorKind::Arrow; }
};

struct WindowPlacement {
    enum class Kind {
        FullScreen,  // borderless, covering the display under the pointer,
                     // or exactly `span`
        Child,       // a child of ours filling the foreign window `parent`
        Own,         // a decorated top-level window of width x height
    };
    Kind kind = Kind::FullScreen;
    // FullScreen only: when not empty, the window covers exactly this
    // rectangle of the root window (the union of several monitors), in root
    // pixels, and bypasses the window manager as a screen saver's window
    // must to lie over every monitor at once; when empty, the display under
    // the pointer in the window manager's full-screen state.
    PixelRect span;
    // X11 window id of the foreign parent (Child only).
    std::uint64_t parent = 0;
    // Client size in pixels (Own only).
    int width = 1280;
    int height = 720;
    // Window title.
    std::string title = "VELMORA SCREENSAVER";
    // Present through OpenGL (a streaming texture shown in step with the
    // vertical blank, see GlPresenter) instead of the window surface, when
    // SDL offers an OpenGL renderer; otherwise, and after any failure of it,
    // the window surface serves. Off by default.
    bool opengl = false;
    // With opengl: accept only a hardware-accelerated renderer, not a
    // software one such as llvmpipe.
    bool opengl_hardware_only = true;
};

class NativeWindow {
  public:
    // Makes the window, hidden. Returns null with `error` set when it cannot
    // be made (no such parent window, no display). SDL must be initialised
    // (SdlVideo). `handler` must outlive the window.
    static std::unique_ptr<NativeWindow> Create(const WindowPlacement& placement,
                                                WindowHandler& handler, std::string& error);
    ~NativeWindow();
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;

    void Show();
    bool IsVisible() const;
    // Makes the window anew for `placement` (FullScreen or Own; a Child
    // cannot move), for instance when monitors come or go: the new window
    // shows before the old one goes, so that the desktop never shows in
    // between, and keeps the timers, posted messages, cursor, input grab
    // and visibility; all of it is to be painted again. Returns false with
    // `error` set, the old window kept, when the new one cannot be made.
    bool Replace(const WindowPlacement& placement, std::string& error);
    // Destroys the window; RunMessageLoop then returns.
    void Destroy();
    bool IsDestroyed() const { return window_ == nullptr; }

    // (0, 0, width, height) of the client area in pixels.
    PixelRect ClientRect() const;
    // The X11 window id of the SDL window, 0 when none.
    std::uint64_t NativeId() const;

    // Queues `message` (any number) to this window's OnPrivateMessage.
    void PostMessage(std::uint32_t message);
    // The same from any thread (a worker's news for the loop). Such messages
    // are not counted by PendingMessages.
    void PostMessageFromAnyThread(std::uint32_t message) const;
    // Messages numbered `message` posted but not yet handed to the handler
    // (the one being handled no longer counts).
    int PendingMessages(std::uint32_t message) const;
    // Queues a close request (OnClose).
    void PostClose();
    // Starts or restarts timer `id` (non-zero) firing every `period_ms`
    // milliseconds. Returns id, or 0 when id is 0.
    unsigned SetTimer(unsigned id, unsigned period_ms);
    void KillTimer(unsigned id);

    // Marks `rect` (window pixels; the whole client area when null) for
    // painting when the queue runs empty; `erase` paints the background first.
    void Invalidate(const PixelRect* rect, bool erase);
    // A canvas on the window for drawing now, outside painting. What it
    // draws is shown when it is destroyed; with present_now false, a window
    // that presents through OpenGL shows it with everything else drawn in
    // this turn of the event loop (a frame and the strips around it).
    WindowCanvas GetCanvas(bool present_now = true);

    // True while frames reach the screen through OpenGL.
    bool PresentsWithOpenGl() const { return gl_ != nullptr; }
    // The OpenGL renderer's name while it presents; otherwise why the window
    // surface serves (empty when OpenGL was not asked for).
    const std::string& PresentationNote() const { return presentation_note_; }

    void SetFocus();
    // Grabs (true) or releases (false) keyboard and pointer.
    void SetInputGrab(bool grab);
    // Shows the cursor that OnSetCursor answers.
    void UpdateCursor();

    // The refresh rate of the display the window is on, in hertz; 0 when the
    // display does not say (a virtual X server, for instance).
    int RefreshRateHz() const;
    // Makes the loop call the idle callback again at `ticks_ms` (SDL ticks
    // in milliseconds) even when no event arrives before.
    void CallIdleAgainAt(std::uint64_t ticks_ms) { idle_again_ms_ = ticks_ms; }
    // Milliseconds since SDL started, the clock of CallIdleAgainAt.
    static std::uint64_t TicksMs();

    // Runs the event loop until the window is destroyed. on_idle is called
    // once each time the queue runs empty (may be empty). end_on_signal makes
    // an end signal caught by EndSignals (end_signals.h), and a quit event,
    // call OnEndSignal; the loop looks at least every 100 ms.
    void RunMessageLoop(const std::function<void()>& on_idle, bool end_on_signal);

  private:
    friend class WindowCanvas;

    struct Invalid {
        PixelRect rect;
        bool erase;
    };
    struct Timer {
        unsigned id;
        unsigned period_ms;
        std::uint64_t due_ms;
    };

    explicit NativeWindow(WindowHandler& handler);
    void Dispatch(const void* event);
    void PaintInvalid();
    bool FireDueTimer(std::uint64_t now);
    std::uint64_t NextTimerDue() const;
    // Where canvases draw: the window surface, or the OpenGL presenter's.
    SDL_Surface* CanvasSurface();
    // Takes the rectangles a canvas changed to the screen (see WindowCanvas).
    void ShowChanges(const std::vector<PixelRect>& rects, bool present_now);
    // Shows what OpenGL presentation has pending; falls back on failure.
    void PresentPending();
    // Leaves OpenGL for the window surface, keeping the picture on screen.
    void FallBackToSurface(const std::string& why);

    WindowHandler& handler_;
    SDL_Window* window_ = nullptr;
    std::unique_ptr<X11ChildWindow> child_;
    std::unique_ptr<GlPresenter> gl_;
    std::string presentation_note_;
    // The placement's opengl_hardware_only, for a window made anew.
    bool opengl_hardware_only_ = true;
    std::uint32_t message_event_ = 0;
    std::vector<Invalid> invalid_;
    std::vector<Timer> timers_;
    // Posted messages not yet dispatched, by number.
    std::vector<std::pair<std::uint32_t, int>> pending_;
    bool grabbed_ = false;
    int cursor_shown_ = -1;
    std::uint64_t next_parent_check_ms_ = 0;
    std::uint64_t idle_again_ms_ = 0;
};

}  // namespace skyweave
