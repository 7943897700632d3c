// Options dialog behaviour. The turning slider is the one control whose
// range and labels change at run time: with random heading speeds it shows
// only a magnitude (0..300, "Slower".."Faster"), otherwise a signed speed
// (-300..300, "Full Left".."Full Right"). Its position member is changed
// only by that set-up, so moves of the slider are read back on OK alone.
#include "ui/options_dialog.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "settings/setting_value.h"
#include "settings/settings_table.h"
#include "strings/string_table.h"
#include "ui/options_dialog_ids.h"

namespace skyweave {
namespace {

const SettingRow& HeadingRow() {
    return SettingRowOf(SettingId::Heading);
}

std::uint32_t StoredBits(const SaverSettings& settings, const SettingRow& row) {
    return static_cast<std::uint32_t>(std::get<std::int32_t>(GetSettingValue(settings, row)));
}

// |position|, saturating: the most negative position has no positive
// counterpart, and wrapping would flip the direction of the speed.
std::int32_t Magnitude(std::int32_t position) {
    return position == std::numeric_limits<std::int32_t>::min()
               ? std::numeric_limits<std::int32_t>::max()
               : std::abs(position);
}

}  // namespace

COptionsDlg::COptionsDlg(ProfileStore& profile)
    : profile_(profile),
      settings_(LoadSaverSettings(profile_)),
      headingPosition_(SliderPositionFromValue(HeadingRow(), StoredBits(settings_, HeadingRow()))) {
}

void COptionsDlg::DoDataExchange(bool saveAndValidate) {
    for (const SettingRow& row : kSettingsTable) {
        const int id = row.dialog.id;
        switch (row.dialog.kind) {
            case DialogControlKind::EditBox:
                if (saveAndValidate) {
                    SetSettingValue(settings_, row, controls_->GetItemText(id));
                } else {
                    controls_->SetItemText(id,
                                           std::get<std::string>(GetSettingValue(settings_, row)));
                }
                break;
            case DialogControlKind::CheckBox:
                if (saveAndValidate) {
                    SetSettingValue(settings_, row, std::int32_t{controls_->GetCheck(id) ? 1 : 0});
                } else {
                    controls_->SetCheck(
                        id, std::get<std::int32_t>(GetSettingValue(settings_, row)) != 0);
                }
                break;
            case DialogControlKind::Slider:
            case DialogControlKind::SpinBox:
            case DialogControlKind::Absent:
                break;
        }
    }
}

bool COptionsDlg::OnInitDialog() {
    DoDataExchange(false);
    SetUpTurningSlider();
    for (const SettingRow& row : kSettingsTable) {
        const int id = row.dialog.id;
        if (row.dialog.kind == DialogControlKind::SpinBox) {
            controls_->SetSpinRange(id, row.min, row.max);
            controls_->SetSpinValue(id, static_cast<std::int32_t>(StoredBits(settings_, row)));
        }
        if (row.dialog.kind != DialogControlKind::Slider || row.id == SettingId::Heading) {
            continue;
        }
        const SliderRange range = SliderRangeOf(row);
        controls_->SetSliderRange(id, range.minimum, range.maximum);
        controls_->SetSliderTickFrequency(id, row.dialog.tickFrequency);
        controls_->SetSliderPosition(id, SliderPositionFromValue(row, StoredBits(settings_, row)));
    }
    return true;
}

void COptionsDlg::SetUpTurningSlider() {
    const SettingRow& row = HeadingRow();
    const SliderRange range = SliderRangeOf(row);
    if (settings_.headingRandom) {
        // Only the magnitude counts: the right half of the signed range, with
        // ticks twice as dense so that it keeps their number.
        controls_->SetItemText(kIdTurningLeftLabel, LoadResourceString(StringId::SlowerLabel));
        controls_->SetItemText(kIdTurningRightLabel, LoadResourceString(StringId::FasterLabel));
        headingPosition_ = Magnitude(headingPosition_);
        controls_->SetSliderRange(row.dialog.id, 0, range.maximum);
        controls_->SetSliderTickFrequency(row.dialog.id, row.dialog.tickFrequency / 2);
    } else {
        controls_->SetItemText(kIdTurningLeftLabel, LoadResourceString(StringId::FullLeftLabel));
        controls_->SetItemText(kIdTurningRightLabel, LoadResourceString(StringId::FullRightLabel));
        controls_->SetSliderRange(row.dialog.id, range.minimum, range.maximum);
        controls_->SetSliderTickFrequency(row.dialog.id, row.dialog.tickFrequency);
    }
    controls_->SetSliderPosition(row.dialog.id, headingPosition_);
}

bool COptionsDlg::OnCommand(int id) {
    switch (id) {
        case kIdBrowseButton:
            OnBrowse();
            return true;
        case kIdAboutButton:
            OnAbout();
            return true;
        case kIdHeadingRandomCheck:
            OnHeadingRandom();
            return true;
        case kIdOk:
            OnOK();
            return true;
        case kIdCancel:
            OnCancel();
            return true;
        default:
            return false;
    }
}

void COptionsDlg::OnHeadingRandom() {
    DoDataExchange(true);
    SetUpTurningSlider();
    DoDataExchange(false);
}

void COptionsDlg::OnBrowse() {
    DoDataExchange(true);
    OpenFileRequest request;
    request.defaultExtension = "pan";
    request.initialFile = settings_.filePath;
    request.filters = ParseFilterString(kPanoramaFileFilter);
    request.folderButton = LoadResourceString(StringId::ChooseFolderButton);
    const std::optional<std::string> chosen = controls_->ChooseFileToOpen(request);
    if (!chosen) {
        return;
    }
    // A name the settings file cannot hold would only fail later, on OK.
    if (!IsStorableProfileString(*chosen)) {
        controls_->ShowError(LoadResourceString(StringId::UnstorablePathMessage));
        return;
    }
    settings_.filePath = *chosen;
    DoDataExchange(false);
}

void COptionsDlg::OnAbout() {
    controls_->RunAboutBox();
}

void COptionsDlg::OnOK() {
    DoDataExchange(true);
    for (const SettingRow& row : kSettingsTable) {
        if (row.dialog.kind == DialogControlKind::SpinBox) {
            SetSettingValue(settings_, row, controls_->GetSpinValue(row.dialog.id));
        } else if (row.dialog.kind == DialogControlKind::Slider) {
            const std::int32_t position = controls_->GetSliderPosition(row.dialog.id);
            SetSettingValue(settings_, row,
                            static_cast<std::int32_t>(ValueFromSliderPosition(row, position)));
        }
    }
    if (!StoreSaverSettings(profile_, settings_)) {
        controls_->ShowError(LoadResourceString(StringId::SaveFailedMessage));
        return;
    }
    controls_->EndDialog(kIdOk);
}

void COptionsDlg::OnCancel() {
    controls_->EndDialog(kIdCancel);
}

}  // namespace skyweave
