// Detached program start; see spawn_process.h.
#include "platform/core/spawn_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <thread>

extern char** environ;

namespace skyweave {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    return ::access(path.c_str(), X_OK) == 0;
}

// Waits for `pid` on a thread of its own, so that the program never stays a
// zombie and the caller never waits. A host that reaps every child itself
// (or ignores SIGCHLD) makes the wait end with ECHILD, which is fine.
void ReapWhenItEnds(pid_t pid) {
    try {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the ended program stays a zombie until exit.
    }
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
    while (start <= search_path.size()) {
        const std::size_t colon = search_path.find(':', start);
        const std::string_view dir = search_path.substr(
            start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
        if (!dir.empty() && dir.front() == '/') {
            std::string candidate(dir);
            candidate += '/';
            candidate += name;
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
        if (colon == std::string_view::npos) {
            break;
        }
        start = colon + 1;
    }
    return std::nullopt;
}

bool StartDetachedProgram(std::string_view name) {
    const char* path_variable = std::getenv("PATH");
    const std::optional<std::string> program =
        FindProgramOnPath(name, path_variable != nullptr ? path_variable : "/bin:/usr/bin");
    if (!program) {
        return false;
    }
    std::string argument0(name);
    char* const argv[] = {argument0.data(), nullptr};

    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    if (::posix_spawnattr_init(&attributes) != 0) {
        return false;
    }
    if (::posix_spawn_file_actions_init(&actions) != 0) {
        ::posix_spawnattr_destroy(&attributes);
        return false;
    }
    // Its own session, no signal blocked, and the signals the host catches
    // or ignores back at their defaults; descriptors of the host (sockets,
    // the X connection) are not the program's business.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal_number : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD, SIGQUIT}) {
        sigaddset(&defaults, signal_number);
    }
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    ::posix_spawnattr_setflags(&attributes,
                               POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, program->c_str(), &actions, &attributes, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        return false;
    }
    ReapWhenItEnds(pid);
    return true;
}

}  // namespace skyweave
