// The shared saver run entry; see saver_run.h.
#include "app/saver_run.h"

#include "app/saver_app.h"

namespace skyweave {

int RunSaver(const SaverRunOptions& options) {
    CSaverApp app;
    if (!app.StartSaverWindow(options)) {
        return app.ExitInstance();
    }
    return app.Run();
}

}  // namespace skyweave
