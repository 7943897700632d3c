// Detached program start; see spawn_process.h.
//
// The start is a double fork: the caller forks a short-lived intermediate,
// which forks the program and exits at once; the caller reaps only that
// intermediate, by its pid, and the program is adopted by init (or the
// nearest subreaper), which reaps it when it ends. Between fork and exec the
// children call only async-signal-safe functions, because the host may run
// other threads (GTK, GLib) whose locks a child must not touch; that is why
// the search path is resolved before forking and execv is used.
#include "platform/core/spawn_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace skyweave {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    return ::access(path.c_str(), X_OK) == 0;
}

// Runs in the grandchild between fork and exec: async-signal-safe calls only.
[[noreturn]] void ExecInChild(const char* path, char* const argv[]) {
    ::setsid();
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
#ifdef SYS_close_range
    // Descriptors of the host (sockets, the X connection) are not the
    // program's business; failure on older kernels only leaves them open.
    ::syscall(SYS_close_range, 3U, ~0U, 0U);
#endif
    ::execv(path, argv);
    ::_exit(127);
}

}  // namespace

std::optional<std::string> FindProgramOnPath(std::string_view name, std::string_view search_path) {
    if (name.empty()) {
        return std::nullopt;
    }
    if (name.find('/') != std::string_view::npos) {
        std::string path(name);
        if (IsExecutableFile(path)) {
            return path;
        }
        return std::nullopt;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = search_path.find(':', start);
        const std::string_view dir = search_path.substr(
            start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
        std::string candidate = dir.empty() ? std::string(".") : std::string(dir);
        candidate += '/';
        candidate += name;
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        start = colon + 1;
    }
}

bool StartDetachedProgram(std::string_view name) {
    const char* path_variable = std::getenv("PATH");
    const std::optional<std::string> program =
        FindProgramOnPath(name, path_variable != nullptr ? path_variable : "/bin:/usr/bin");
    if (!program) {
        return false;
    }
    // Built before forking: the children may not allocate.
    std::string argument0(name);
    char* const argv[] = {argument0.data(), nullptr};
    const char* const program_path = program->c_str();

    const pid_t intermediate = ::fork();
    if (intermediate < 0) {
        return false;
    }
    if (intermediate == 0) {
        const pid_t child = ::fork();
        if (child == 0) {
            ExecInChild(program_path, argv);
        }
        ::_exit(child < 0 ? 1 : 0);
    }
    // The intermediate only forks and exits, so this wait is brief. A host
    // SIGCHLD handler that reaps every child, or SIG_IGN, may take the status
    // first; ECHILD then just means it is gone already.
    int status = 0;
    pid_t reaped = 0;
    do {
        reaped = ::waitpid(intermediate, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    if (reaped == intermediate) {
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return true;
}

}  // namespace skyweave
