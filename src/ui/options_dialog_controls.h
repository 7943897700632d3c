// What the options dialog's model needs from its window: the controls by id,
// the open-file dialog, the About box, a message box and the end of the
// dialog. The GTK view implements it; tests implement it in memory. Slider
// positions follow classic slider rules: they stay within the range, also
// when the range changes under them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/gtk/open_file_request.h"

namespace skyweave {

class OptionsDialogControls {
  public:
    virtual ~OptionsDialogControls() = default;

    virtual void SetSliderRange(int id, int minimum, int maximum) = 0;
    virtual void SetSliderTickFrequency(int id, int frequency) = 0;
    virtual void SetSliderPosition(int id, int position) = 0;
    virtual int GetSliderPosition(int id) const = 0;

    // Spin boxes: a whole number kept within the range, also when typed.
    virtual void SetSpinRange(int id, int minimum, int maximum) = 0;
    virtual void SetSpinValue(int id, int value) = 0;
    virtual int GetSpinValue(int id) const = 0;

    // Labels and the edit box.
    virtual void SetItemText(int id, std::string_view text) = 0;
    virtual std::string GetItemText(int id) const = 0;

    // Check boxes; setting a state is not a click.
    virtual void SetCheck(int id, bool checked) = 0;
    virtual bool GetCheck(int id) const = 0;

    // Runs the open-file dialog; the chosen full path, or nothing on cancel.
    virtual std::optional<std::string> ChooseFileToOpen(const OpenFileRequest& request) = 0;
    // Runs the About box modally.
    virtual void RunAboutBox() = 0;
    // Tells the user about a failure and waits until it is read.
    virtual void ShowError(std::string_view text) = 0;
    // Ends the dialog with `result` (kIdOk or kIdCancel).
    virtual void EndDialog(int result) = 0;
};

}  // namespace skyweave
