// RunHack: turns the daemon-style command line into one saver run.
#include "app/hack/hack_command_line.h"

namespace skyweave {

int RunHack(int /*argc*/, const char* const* /*argv*/) {
    return 2;
}

}  // namespace skyweave
