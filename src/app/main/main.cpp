// The program's entry: the desktop daemon's command line when it is one,
// else the Windows-style run modes of the application object.
#include "app/hack/hack_command_line.h"
#include "app/saver_app.h"

int main(int argc, char** argv) {
    if (skyweave::IsHackCommandLine(argc, argv)) {
        return skyweave::RunHack(argc, argv);
    }
    skyweave::CSaverApp app;
    if (!app.InitInstance(argc, argv)) {
        return app.ExitInstance();
    }
    return app.Run();
}
