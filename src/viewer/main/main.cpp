// skyweave-view: looks around one panorama, or the panoramas of a folder.
#include <cstdio>
#include <span>

#include "loading/panorama_loader.h"
#include "platform/core/log_text.h"
#include "viewer/viewer_app.h"
#include "viewer/viewer_options.h"

#ifndef SKYWEAVE_VERSION
#define SKYWEAVE_VERSION "unknown"
#endif

int main(int argc, char** argv) {
    using namespace skyweave;
    const std::span<const char* const> args(argv + 1,
                                            argc > 1 ? static_cast<std::size_t>(argc - 1) : 0);
    const ViewerParseResult parsed = ParseViewerOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr,
                     "skyweave-view: %s\nTry 'skyweave-view --help' for more information.\n",
                     EscapeForLog(parsed.error).c_str());
        return 2;
    }
    if (parsed.options->help) {
        std::fputs(ViewerUsageText().c_str(), stdout);
        return 0;
    }
    if (parsed.options->version) {
        std::printf("skyweave-view %s\n", SKYWEAVE_VERSION);
        return 0;
    }
    // A load that cannot be called off does not hold up the end.
    return LeaveProcess(RunViewer(*parsed.options));
}
