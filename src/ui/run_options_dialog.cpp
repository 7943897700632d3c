// Temporary entry until the GTK dialog lands: reports that the dialog is not
// available and stores nothing.
#include "ui/run_options_dialog.h"

#include <cstdio>

namespace skyweave {

int RunOptionsDialog(unsigned long /*ownerWindow*/) {
    std::fputs("skyweave: the options dialog is not available\n", stderr);
    return kDialogFailed;
}

}  // namespace skyweave
