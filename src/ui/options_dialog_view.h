// The options dialog's GTK 3 window: template 101 built by the dialog layer,
// bound to COptionsDlg through OptionsDialogControls. Owned by
// RunOptionsDialog (or a test) for one showing of the dialog.
#pragma once

#include <memory>

#include "platform/gtk/dialog_window.h"
#include "ui/options_dialog_controls.h"

namespace skyweave {

class OptionsDialogView final : public OptionsDialogControls {
  public:
    // Builds the (hidden) window; GTK must be started.
    OptionsDialogView();

    DialogWindow& Window() { return window_; }
    const DialogWindow& Window() const { return window_; }

    void SetSliderRange(int id, int minimum, int maximum) override;
    void SetSliderTickFrequency(int id, int frequency) override;
    void SetSliderPosition(int id, int position) override;
    int GetSliderPosition(int id) const override;
    void SetSpinRange(int id, int minimum, int maximum) override;
    void SetSpinValue(int id, int value) override;
    int GetSpinValue(int id) const override;
    void SetItemText(int id, std::string_view text) override;
    std::string GetItemText(int id) const override;
    void SetCheck(int id, bool checked) override;
    bool GetCheck(int id) const override;
    std::optional<std::string> ChooseFileToOpen(const OpenFileRequest& request) override;
    void RunAboutBox() override;
    void ShowError(std::string_view text) override;
    void EndDialog(int result) override;

  private:
    DialogWindow window_;
};

}  // namespace skyweave
