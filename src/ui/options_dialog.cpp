// Options dialog behaviour. The turning slider is the one control whose
// range and labels change at run time: with random heading speeds it shows
// only a magnitude (0..300, "Slower".."Faster"), otherwise a signed speed
// (-300..300, "Full Left".."Full Right"). Its position member is changed
// only by that set-up, so moves of the slider are read back on OK alone.
#include "ui/options_dialog.h"

#include <cstdint>
#include <limits>

#include "app/settings/saver_settings.h"
#include "strings/string_table.h"
#include "ui/options_dialog_ids.h"

namespace skyweave {
namespace {

// -value, saturating: the most negative 32-bit value has no positive
// counterpart, and wrapping would flip the direction of the speed.
std::int32_t NegateSaturating(std::int32_t value) {
    return value == std::numeric_limits<std::int32_t>::min()
               ? std::numeric_limits<std::int32_t>::max()
               : -value;
}

std::int32_t AbsSaturating(std::int32_t value) {
    return value < 0 ? NegateSaturating(value) : value;
}

// 160 - zoom in 32-bit arithmetic that wraps, as the stored 32 bits always
// did; only hand-edited zooms above 160 + 2^31 can wrap.
std::int32_t ZoomPosition(std::uint32_t zoom) {
    return static_cast<std::int32_t>(std::uint32_t{160} - zoom);
}

std::uint32_t ZoomFromPosition(std::int32_t position) {
    return std::uint32_t{160} - static_cast<std::uint32_t>(position);
}

}  // namespace

COptionsDlg::COptionsDlg(ProfileStore& profile) : profile_(profile) {
    const SaverSettings settings = LoadSaverSettings(profile_);
    members_.filePath = settings.filePath;
    members_.headingPosition = NegateSaturating(settings.heading);
    members_.pitch = settings.pitch;
    members_.roll = settings.roll;
    members_.headingRandom = settings.headingRandom;
    members_.pitchRandom = settings.pitchRandom;
    members_.rollRandom = settings.rollRandom;
    members_.size = settings.size;
    members_.moving = settings.moving;
    members_.zoomPosition = ZoomPosition(settings.zoom);
}

void COptionsDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        members_.filePath = controls_->GetItemText(kIdFilePathEdit);
        members_.moving = controls_->GetCheck(kIdMovingCheck);
        members_.headingRandom = controls_->GetCheck(kIdHeadingRandomCheck);
        members_.pitchRandom = controls_->GetCheck(kIdPitchRandomCheck);
        members_.rollRandom = controls_->GetCheck(kIdRollRandomCheck);
    } else {
        controls_->SetItemText(kIdFilePathEdit, members_.filePath);
        controls_->SetCheck(kIdMovingCheck, members_.moving);
        controls_->SetCheck(kIdHeadingRandomCheck, members_.headingRandom);
        controls_->SetCheck(kIdPitchRandomCheck, members_.pitchRandom);
        controls_->SetCheck(kIdRollRandomCheck, members_.rollRandom);
    }
}

bool COptionsDlg::OnInitDialog() {
    DoDataExchange(false);
    SetUpTurningSlider();

    controls_->SetSliderRange(kIdPitchingSlider, 0, 300);
    controls_->SetSliderTickFrequency(kIdPitchingSlider, 30);
    controls_->SetSliderPosition(kIdPitchingSlider, members_.pitch);

    controls_->SetSliderRange(kIdRollingSlider, 0, 300);
    controls_->SetSliderTickFrequency(kIdRollingSlider, 30);
    controls_->SetSliderPosition(kIdRollingSlider, members_.roll);

    controls_->SetSliderRange(kIdZoomSlider, 30, 130);
    controls_->SetSliderTickFrequency(kIdZoomSlider, 10);
    controls_->SetSliderPosition(kIdZoomSlider, members_.zoomPosition);

    controls_->SetSliderRange(kIdWindowSizeSlider, 20, 100);
    controls_->SetSliderTickFrequency(kIdWindowSizeSlider, 8);
    controls_->SetSliderPosition(kIdWindowSizeSlider, members_.size);
    return true;
}

void COptionsDlg::SetUpTurningSlider() {
    if (members_.headingRandom) {
        controls_->SetItemText(kIdTurningLeftLabel, LoadResourceString(StringId::SlowerLabel));
        controls_->SetItemText(kIdTurningRightLabel, LoadResourceString(StringId::FasterLabel));
        members_.headingPosition = AbsSaturating(members_.headingPosition);
        controls_->SetSliderRange(kIdTurningSlider, 0, 300);
        controls_->SetSliderTickFrequency(kIdTurningSlider, 30);
    } else {
        controls_->SetItemText(kIdTurningLeftLabel, LoadResourceString(StringId::FullLeftLabel));
        controls_->SetItemText(kIdTurningRightLabel, LoadResourceString(StringId::FullRightLabel));
        controls_->SetSliderRange(kIdTurningSlider, -300, 300);
        controls_->SetSliderTickFrequency(kIdTurningSlider, 60);
    }
    controls_->SetSliderPosition(kIdTurningSlider, members_.headingPosition);
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
    request.initialFile = members_.filePath;
    request.filters = ParseFilterString(kPanoramaFileFilter);
    const std::optional<std::string> chosen = controls_->ChooseFileToOpen(request);
    if (!chosen) {
        return;
    }
    // A name the settings file cannot hold would only fail later, on OK.
    if (!IsStorableProfileString(*chosen)) {
        controls_->ShowError(LoadResourceString(StringId::UnstorablePathMessage));
        return;
    }
    members_.filePath = *chosen;
    DoDataExchange(false);
}

void COptionsDlg::OnAbout() {
    controls_->RunAboutBox();
}

void COptionsDlg::OnOK() {
    DoDataExchange(true);
    members_.headingPosition = controls_->GetSliderPosition(kIdTurningSlider);
    members_.pitch = controls_->GetSliderPosition(kIdPitchingSlider);
    members_.roll = controls_->GetSliderPosition(kIdRollingSlider);
    members_.size = controls_->GetSliderPosition(kIdWindowSizeSlider);
    members_.zoomPosition = controls_->GetSliderPosition(kIdZoomSlider);

    SaverSettings settings;
    settings.filePath = members_.filePath;
    settings.heading = NegateSaturating(members_.headingPosition);
    settings.pitch = members_.pitch;
    settings.roll = members_.roll;
    settings.size = members_.size;
    settings.headingRandom = members_.headingRandom;
    settings.pitchRandom = members_.pitchRandom;
    settings.rollRandom = members_.rollRandom;
    settings.moving = members_.moving;
    settings.zoom = ZoomFromPosition(members_.zoomPosition);
    if (!StoreSaverSettings(profile_, settings)) {
        controls_->ShowError(LoadResourceString(StringId::SaveFailedMessage));
        return;
    }
    controls_->EndDialog(kIdOk);
}

void COptionsDlg::OnCancel() {
    controls_->EndDialog(kIdCancel);
}

}  // namespace skyweave
