// The program's entry: the desktop daemon's command line when it is one,
// else the Windows-style run modes of the application object. Running out
// of memory anywhere ends the program in order (every window, panorama and
// staging directory released on the way out) with status 1; anything that
// cannot be unwound still takes the staging directories with it.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>

#include "app/hack/hack_command_line.h"
#include "app/saver_app.h"
#include "loading/panorama_loader.h"
#include "platform/core/staging_directory.h"

namespace {

[[noreturn]] void OnTerminate() {
    skyweave::RemoveStagingDirectoriesNow();
    std::cerr << "skyweave: ended by an unexpected error\n";
    std::abort();
}

int Run(int argc, char** argv) {
    if (skyweave::IsHackCommandLine(argc, argv)) {
        return skyweave::RunHack(argc, argv);
    }
    skyweave::CSaverApp app;
    if (!app.InitInstance(argc, argv)) {
        return app.ExitInstance();
    }
    return app.Run();
}

}  // namespace

int main(int argc, char** argv) {
    std::set_terminate(OnTerminate);
    try {
        return skyweave::LeaveProcess(Run(argc, argv));
    } catch (const std::bad_alloc&) {
        std::cerr << "skyweave: out of memory\n";
        return skyweave::LeaveProcess(1);
    }
}
