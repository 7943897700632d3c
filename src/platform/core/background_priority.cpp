// Lower priority for background threads; see background_priority.h.
#include "platform/core/background_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace skyweave {

void LowerThisThreadsPriority() {
    // On Linux a nice value belongs to the thread named by its id.
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, thread);
    if (current == -1 && errno != 0) {
        return;
    }
    ::setpriority(PRIO_PROCESS, thread, current + 10 > 19 ? 19 : current + 10);
}

}  // namespace skyweave
