// Control ids of the options dialog (template 101) and the About box
// (template 134). Shared by the dialog's model, its templates and its view.
#pragma once

#include "platform/gtk/dialog_template.h"

namespace skyweave {

inline constexpr int kIdWindowSizeSlider = 1000;
inline constexpr int kIdTurningSlider = 1001;
inline constexpr int kIdPitchingSlider = 1002;
inline constexpr int kIdFilePathEdit = 1003;
inline constexpr int kIdBrowseButton = 1004;
inline constexpr int kIdRollingSlider = 1007;
inline constexpr int kIdZoomSlider = 1009;
inline constexpr int kIdMovingCheck = 1011;
inline constexpr int kIdHeadingRandomCheck = 1012;
inline constexpr int kIdPitchRandomCheck = 1013;
inline constexpr int kIdRollRandomCheck = 1014;
inline constexpr int kIdAboutButton = 1015;
inline constexpr int kIdTurningLeftLabel = 1016;
inline constexpr int kIdTurningRightLabel = 1017;

// The About box's build label, filled in when the box opens, and its
// heading, set larger and bold.
inline constexpr int kIdAboutBuildLabel = 1100;
inline constexpr int kIdAboutHeadingLabel = 1101;

}  // namespace skyweave
