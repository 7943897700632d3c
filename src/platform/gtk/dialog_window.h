// A modal dialog window on GTK 3 built from a dialog template: the layer
// that gives the dialogs what the class library's dialog class gave them.
// Controls are placed at their template positions (dialog units turned into
// pixels from the dialog font) in a fixed layout, addressed by id, and their
// clicks arrive as commands. Escape and the window's close button send the
// Cancel command; Return activates the default push button. Owned by the
// dialog that shows it (options dialog, About box); it owns its GTK widgets.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/gtk/dialog_template.h"
#include "platform/gtk/dialog_units.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkWindow GtkWindow;
typedef struct _GMainLoop GMainLoop;
typedef struct _GdkWindow GdkWindow;

namespace skyweave {

class DialogWindow {
  public:
    // Called with the command id of a clicked button or check box, or kIdCancel
    // for Escape and the close button. Returns true when it handled the
    // command; unhandled kIdOk and kIdCancel end the dialog with that id.
    using CommandHandler = std::function<bool(int id)>;

    // Builds the (hidden) window and its controls. `parent` (may be null) is a
    // dialog of this process that the new one stays above. GTK must be started
    // (StartGtk).
    DialogWindow(const DialogTemplate& dialogTemplate, GtkWindow* parent);
    ~DialogWindow();
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    GtkWindow* Window() const;
    // The widget of control `id`, or null when the template has none.
    GtkWidget* Item(int id) const;
    DialogBaseUnits BaseUnits() const { return baseUnits_; }
    // The pixel rectangle of control `id` within the dialog's client area
    // (empty when there is none).
    PixelBox ItemRect(int id) const;
    // The client area's size in pixels.
    PixelBox ClientRect() const { return clientRect_; }

    void SetCommandHandler(CommandHandler handler) { handler_ = std::move(handler); }

    // Keeps the dialog above the foreign X11 window `xid` (0: no owner) and
    // centres it over that window. An id that names no window is ignored.
    // Returns whether the owner was set.
    bool SetOwner(unsigned long xid);

    // Shows the dialog, gives the focus to the first control that takes it,
    // and runs the event loop until EndDialog. Returns the result.
    int RunModal();
    // Ends the dialog with `result` (kIdOk, kIdCancel, ...).
    void EndDialog(int result);
    // The result of the last EndDialog, if any.
    std::optional<int> Result() const { return result_; }

    // Delivers command `id` as if its control had been clicked.
    void SendCommand(int id);

    // Text of a label, button, check box or edit box (UTF-8; invalid bytes are
    // shown replaced). Buttons take '&' mnemonics.
    void SetItemText(int id, std::string_view text);
    std::string GetItemText(int id) const;

    // Check boxes. Setting a state sends no command.
    void SetCheck(int id, bool checked);
    bool GetCheck(int id) const;

    // Sliders: integer positions in [minimum, maximum]; a position outside the
    // range is limited to it, also when the range changes under it.
    void SetSliderRange(int id, int minimum, int maximum);
    std::pair<int, int> SliderRange(int id) const;
    // Tick marks every `frequency` positions from the minimum (and at both ends).
    void SetSliderTickFrequency(int id, int frequency);
    int SliderTickFrequency(int id) const;
    void SetSliderPosition(int id, int position);
    int GetSliderPosition(int id) const;

    // Spin boxes: a whole number in [minimum, maximum]; a value outside the
    // range is limited to it. GetSpinValue takes what was typed but not yet
    // confirmed; text that is no number leaves the last value.
    void SetSpinRange(int id, int minimum, int maximum);
    std::pair<int, int> SpinRange(int id) const;
    void SetSpinValue(int id, int value);
    int GetSpinValue(int id) const;

  private:
    void Build(const DialogTemplate& dialogTemplate, GtkWindow* parent);
    void RefreshTicks(int id);

    GtkWidget* window_ = nullptr;
    std::map<int, GtkWidget*> items_;
    std::map<int, PixelBox> rects_;
    std::map<int, int> tickFrequencies_;
    GtkWidget* firstFocus_ = nullptr;
    DialogBaseUnits baseUnits_;
    PixelBox clientRect_;
    CommandHandler handler_;
    std::optional<int> result_;
    GMainLoop* loop_ = nullptr;
    GdkWindow* owner_ = nullptr;
    int suppressCommands_ = 0;
};

}  // namespace skyweave
