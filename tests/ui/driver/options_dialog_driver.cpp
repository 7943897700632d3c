// Shows the options dialog like the saver's configure mode does, for tests
// and screenshots: `skyweave_options_driver [/c [OWNER]]`. The settings are
// those of the application named by SKYWEAVE_APP_NAME (default "skyweave")
// under company "Corvane". Prints "OK" or "Cancel"; exit code 0, or 1 when
// no dialog could be shown.
#include <cstdio>
#include <cstdlib>

#include "ui/run_options_dialog.h"

int main(int argc, char** argv) {
    unsigned long owner = 0;
    if (argc >= 3) {
        owner = std::strtoul(argv[2], nullptr, 0);
    }
    const char* app = std::getenv("SKYWEAVE_APP_NAME");
    skyweave::ProfileStore profile(app != nullptr ? app : "skyweave");
    profile.SetRegistryKey("Corvane");
    const int result = skyweave::RunOptionsDialog(profile, owner);
    if (result == skyweave::kDialogFailed) {
        return 1;
    }
    std::puts(result == skyweave::kDialogOk ? "OK" : "Cancel");
    return 0;
}
