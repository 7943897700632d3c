// CSaverWnd: the screen-saver window proper. It is black, hides the cursor,
// turns every key press, click and mouse movement into a request to end,
// runs the desktop's password check, takes the focus back when it loses it
// and shows message texts at its top left. CPanoramaSaverWnd derives from it
// for the panorama work; the application object owns the object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/frame_log.h"
#include "platform/display/native_window.h"
#include "platform/display/text_renderer.h"
#include "strings/string_table.h"

namespace skyweave {

class CSaverWnd : public WindowHandler {
  public:
    CSaverWnd();
    ~CSaverWnd() override;
    CSaverWnd(const CSaverWnd&) = delete;
    CSaverWnd& operator=(const CSaverWnd&) = delete;

    // Makes the window (hidden; the caller shows it). preview: input never
    // ends this window (the preview and the daemon's windows); it then only
    // shows the arrow cursor. Returns false with `error` set on failure.
    virtual bool Create(const WindowPlacement& placement, bool preview, std::string& error);

    NativeWindow* window() { return window_.get(); }
    bool IsWindowAlive() const { return window_ && !window_->IsDestroyed(); }

    // Shows `text` at the top left at once and keeps it for later painting.
    void ShowMessageText(std::string_view text);
    void ShowMessageText(StringId id) { ShowMessageText(LoadResourceString(id)); }
    // Removes the text; the whole client area is erased black.
    void ClearMessageText();
    const std::string& message_text() const { return message_text_; }
    bool ending() const { return ending_; }

    // Where the message text stands: at the top left of `area` (window
    // pixels), wrapped at its width; empty (the default) is the whole
    // client area. A window over several monitors keeps it on one.
    void SetMessageArea(const PixelRect& area) { message_area_ = area; }

  protected:
    void OnKeyDown() override;
    void OnKeyUp() override;
    void OnButtonDown() override;
    void OnMouseMove(int x, int y) override;
    void OnActivate(bool active) override;
    void OnPrivateMessage(std::uint32_t message) override;
    void OnEraseBackground(WindowCanvas& canvas) override;
    void OnPaint(WindowCanvas& canvas) override;
    void OnSystemClose() override;
    CursorKind OnSetCursor() override;

    // Draws the message text (white on a black band, wrapped at the client
    // width) on `canvas`.
    void PaintMessageText(WindowCanvas& canvas);
    // Runs the end request: password check, then a close request.
    void OnEndRequest();
    // Treats the next mouse movement as the first after creation (it only
    // records where the pointer is), as after the window was made anew.
    void ForgetMousePosition() {
        last_mouse_x_ = -1;
        last_mouse_y_ = -1;
    }

    // Writes `text` to the event log when SKYWEAVE_FRAME_LOG is on.
    void Trace(std::string_view text);

    std::unique_ptr<NativeWindow> window_;
    // The frame and event log; null unless SKYWEAVE_FRAME_LOG is 1.
    std::unique_ptr<FrameLog> log_;

  private:
    std::string message_text_;
    PixelRect message_area_;
    int last_mouse_x_ = -1;
    int last_mouse_y_ = -1;
    bool ending_ = false;
    bool preview_ = false;
    // An ordinary decorated window of its own, which its close button closes.
    bool own_window_ = false;
    TextRenderer text_;
};

}  // namespace skyweave
