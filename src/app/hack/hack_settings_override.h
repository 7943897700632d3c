// Folds the command line's settings into a SaverSettings for one run. The
// result is handed to the saver and never stored. Called by RunHack.
#pragma once

#include "app/hack/hack_options.h"
#include "app/settings/saver_settings.h"

namespace skyweave {

// overrides: the values given on the command line; settings: the stored
// values, changed in place where an override is present.
void ApplyHackOverrides(const HackSettingsOverrides& overrides, SaverSettings& settings);

}  // namespace skyweave
