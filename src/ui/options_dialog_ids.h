// Control ids of the options dialog (template 101) and the About box
// (template 134). Shared by the dialog's model, its templates and its view.
#pragma once

#include "platform/gtk/dialog_template.h"
#include "settings/settings_table.h"

namespace skyweave {

// The controls of settings are declared with their settings.
constexpr int DialogIdOf(SettingId id) {
    return SettingRowOf(id).dialog.id;
}
inline constexpr int kIdWindowSizeSlider = DialogIdOf(SettingId::Size);
inline constexpr int kIdTurningSlider = DialogIdOf(SettingId::Heading);
inline constexpr int kIdPitchingSlider = DialogIdOf(SettingId::Pitch);
inline constexpr int kIdFilePathEdit = DialogIdOf(SettingId::FilePath);
inline constexpr int kIdRollingSlider = DialogIdOf(SettingId::Roll);
inline constexpr int kIdZoomSlider = DialogIdOf(SettingId::Zoom);
inline constexpr int kIdMovingCheck = DialogIdOf(SettingId::Moving);
inline constexpr int kIdHeadingRandomCheck = DialogIdOf(SettingId::HeadingRandom);
inline constexpr int kIdPitchRandomCheck = DialogIdOf(SettingId::PitchRandom);
inline constexpr int kIdRollRandomCheck = DialogIdOf(SettingId::RollRandom);
inline constexpr int kIdChangeEverySpin = DialogIdOf(SettingId::ChangeEvery);
inline constexpr int kIdCrossfadeCheck = DialogIdOf(SettingId::Fade);

inline constexpr int kIdBrowseButton = 1004;
inline constexpr int kIdAboutButton = 1015;
inline constexpr int kIdTurningLeftLabel = 1016;
inline constexpr int kIdTurningRightLabel = 1017;

// The About box's build label, filled in when the box opens, and its
// heading, set larger and bold.
inline constexpr int kIdAboutBuildLabel = 1100;
inline constexpr int kIdAboutHeadingLabel = 1101;

}  // namespace skyweave
