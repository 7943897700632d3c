// Binding of the options dialog's controls to GTK widgets.
#include "ui/options_dialog_view.h"

#include "platform/gtk/message_box.h"
#include "platform/gtk/open_file_dialog.h"
#include "ui/about_box.h"
#include "ui/dialog_templates.h"

namespace skyweave {

OptionsDialogView::OptionsDialogView() : window_(OptionsDialogTemplate(), nullptr) {}

void OptionsDialogView::SetSliderRange(int id, int minimum, int maximum) {
    window_.SetSliderRange(id, minimum, maximum);
}

void OptionsDialogView::SetSliderTickFrequency(int id, int frequency) {
    window_.SetSliderTickFrequency(id, frequency);
}

void OptionsDialogView::SetSliderPosition(int id, int position) {
    window_.SetSliderPosition(id, position);
}

int OptionsDialogView::GetSliderPosition(int id) const {
    return window_.GetSliderPosition(id);
}

void OptionsDialogView::SetSpinRange(int id, int minimum, int maximum) {
    window_.SetSpinRange(id, minimum, maximum);
}

void OptionsDialogView::SetSpinValue(int id, int value) {
    window_.SetSpinValue(id, value);
}

int OptionsDialogView::GetSpinValue(int id) const {
    return window_.GetSpinValue(id);
}

void OptionsDialogView::SetItemText(int id, std::string_view text) {
    window_.SetItemText(id, text);
}

std::string OptionsDialogView::GetItemText(int id) const {
    return window_.GetItemText(id);
}

void OptionsDialogView::SetCheck(int id, bool checked) {
    window_.SetCheck(id, checked);
}

bool OptionsDialogView::GetCheck(int id) const {
    return window_.GetCheck(id);
}

std::optional<std::string> OptionsDialogView::ChooseFileToOpen(const OpenFileRequest& request) {
    return RunOpenFileDialog(window_.Window(), request);
}

void OptionsDialogView::RunAboutBox() {
    skyweave::RunAboutBox(window_.Window());
}

void OptionsDialogView::ShowError(std::string_view text) {
    ShowMessageBox(window_.Window(), OptionsDialogTemplate().title, text);
}

void OptionsDialogView::EndDialog(int result) {
    window_.EndDialog(result);
}

}  // namespace skyweave
