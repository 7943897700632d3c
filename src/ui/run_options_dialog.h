// Entry of the configure run mode: shows the options dialog modally, lets
// the user change the stored settings and returns when it closes. Called by
// the application object; owns nothing beyond the call.
#pragma once

#include "platform/profile/profile_store.h"

namespace skyweave {

// Dialog results, as the class library numbers them.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;
// The dialog could not be shown (no display).
inline constexpr int kDialogFailed = -1;

// Runs the options dialog over the settings of the running program's profile
// (company "Corvane"). `ownerWindow` is the X11 window id the dialog stays on
// top of, 0 for none. Returns kDialogOk when the user stored the settings,
// kDialogCancel when the dialog was closed without storing, kDialogFailed when
// no dialog could be shown.
int RunOptionsDialog(unsigned long ownerWindow);

// The same over the settings of `profile`, for tools and tests that choose
// the settings file themselves.
int RunOptionsDialog(ProfileStore& profile, unsigned long ownerWindow);

}  // namespace skyweave
