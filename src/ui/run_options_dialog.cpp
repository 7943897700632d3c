// The configure run mode: the options dialog over the program's profile.
#include "ui/run_options_dialog.h"

#include <cstdio>

#include "platform/gtk/gtk_startup.h"
#include "ui/options_dialog.h"
#include "ui/options_dialog_view.h"

namespace skyweave {

int RunOptionsDialog(ProfileStore& profile, unsigned long ownerWindow) {
    if (!StartGtk()) {
        std::fputs("skyweave: cannot open the display to show the options dialog\n", stderr);
        return kDialogFailed;
    }
    COptionsDlg dialog(profile);
    OptionsDialogView view;
    dialog.Attach(&view);
    view.Window().SetCommandHandler([&dialog](int id) { return dialog.OnCommand(id); });
    dialog.OnInitDialog();
    view.Window().SetOwner(ownerWindow);
    return view.Window().RunModal() == kDialogOk ? kDialogOk : kDialogCancel;
}

int RunOptionsDialog(unsigned long ownerWindow) {
    ProfileStore profile;
    profile.SetRegistryKey("Corvane");
    return RunOptionsDialog(profile, ownerWindow);
}

}  // namespace skyweave
