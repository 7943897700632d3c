// The screen-saver window proper; see saver_wnd.h.
#include "app/saver_wnd.h"

#include <string>

#include "app/saver_messages.h"
#include "platform/display/password_check.h"

namespace skyweave {

CSaverWnd::CSaverWnd() : log_(FrameLog::FromEnvironment()) {}

CSaverWnd::~CSaverWnd() = default;

bool CSaverWnd::Create(const WindowPlacement& placement, bool preview, std::string& error) {
    last_mouse_x_ = -1;
    last_mouse_y_ = -1;
    ending_ = false;
    window_ = NativeWindow::Create(placement, *this, error);
    if (!window_) {
        return false;
    }
    preview_ = preview;
    own_window_ = placement.kind == WindowPlacement::Kind::Own;
    return true;
}

void CSaverWnd::Trace(std::string_view text) {
    if (log_) {
        log_->Event(text);
    }
}

void CSaverWnd::ShowMessageText(std::string_view text) {
    if (log_ && text != message_text_) {
        log_->Event("message " + std::string(text));
    }
    message_text_.assign(text);
    if (!IsWindowAlive()) {
        return;
    }
    {
        WindowCanvas canvas = window_->GetCanvas();
        PaintMessageText(canvas);
    }
    window_->Invalidate(nullptr, false);
}

void CSaverWnd::ClearMessageText() {
    message_text_.clear();
    if (IsWindowAlive()) {
        window_->Invalidate(nullptr, true);
    }
}

void CSaverWnd::OnKeyDown() {
    Trace("key down");
    window_->PostMessage(WM_SAVER_END_REQUEST);
}

void CSaverWnd::OnKeyUp() {
    Trace("key up");
}

void CSaverWnd::OnButtonDown() {
    Trace("button down");
    window_->PostMessage(WM_SAVER_END_REQUEST);
}

void CSaverWnd::OnMouseMove(int x, int y) {
    // The first movement after creation only records where the pointer is:
    // windows appearing under a resting pointer report one movement.
    if (last_mouse_x_ == -1 && last_mouse_y_ == -1) {
        last_mouse_x_ = x;
        last_mouse_y_ = y;
        Trace("mouse first " + std::to_string(x) + " " + std::to_string(y));
        return;
    }
    if (x != last_mouse_x_ || y != last_mouse_y_) {
        last_mouse_x_ = -1;
        last_mouse_y_ = -1;
        Trace("mouse end " + std::to_string(x) + " " + std::to_string(y));
        window_->PostMessage(WM_SAVER_END_REQUEST);
    }
}

void CSaverWnd::OnActivate(bool active) {
    if (!active) {
        Trace("focus lost");
        window_->PostMessage(WM_SAVER_REGAIN_FOCUS);
    }
}

void CSaverWnd::OnPrivateMessage(std::uint32_t message) {
    if (message == WM_SAVER_REGAIN_FOCUS) {
        Trace("focus regained");
        window_->SetFocus();
    } else if (message == WM_SAVER_END_REQUEST) {
        OnEndRequest();
    }
}

void CSaverWnd::OnEndRequest() {
    if (ending_) {
        return;
    }
    Trace("end request");
    ending_ = true;
    if (preview_) {
        // Input never ends a preview; the arrow stays from now on.
        window_->UpdateCursor();
        return;
    }
    std::unique_ptr<PasswordCheck> check = LoadPasswordCheck();
    if (check) {
        {
            WindowCanvas canvas = window_->GetCanvas();
            canvas.FillBlack(canvas.ClientRect());
        }
        ending_ = check->Verify(*window_);
    }
    if (ending_) {
        window_->PostClose();
    }
    window_->UpdateCursor();
}

void CSaverWnd::OnSystemClose() {
    // A saver ignores the desktop's close command: only input (through the
    // password check) ends it. A window of its own on the desktop closes.
    Trace("system close");
    if (own_window_) {
        window_->PostClose();
    }
}

void CSaverWnd::OnEraseBackground(WindowCanvas& canvas) {
    canvas.FillBlack(canvas.ClipBox());
}

void CSaverWnd::OnPaint(WindowCanvas& canvas) {
    PaintMessageText(canvas);
}

CursorKind CSaverWnd::OnSetCursor() {
    return ending_ ? CursorKind::Arrow : CursorKind::Hidden;
}

void CSaverWnd::PaintMessageText(WindowCanvas& canvas) {
    if (message_text_.empty()) {
        return;
    }
    const PixelRect area = message_area_.Empty() ? canvas.ClientRect() : message_area_;
    canvas.DrawSurface(text_.Render(message_text_, static_cast<int>(area.Width())), area.left,
                       area.top);
}

}  // namespace skyweave
