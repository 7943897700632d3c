// Creating, filling, sweeping and removing staging directories with POSIX
// calls on directory descriptors.
#include "platform/core/staging_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <mutex>
#include <vector>

namespace skyweave {
namespace {

constexpr std::string_view kPrefix = "~VL";

// The staging directories open in this process. The lock also covers every
// write into them, so that the emergency teardown never races a file being
// made; it waits for a write in progress only briefly.
std::timed_mutex g_registry_mutex;
std::vector<const StagingDirectory*> g_open;
bool g_closed = false;
constexpr std::chrono::milliseconds kEmergencyWait{200};

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

// Deletes every entry of the open directory `directory_fd` that is not a
// directory. Names are collected first: deleting while reading a directory
// stream may skip entries.
void EmptyDirectory(int directory_fd) {
    std::vector<std::string> doomed;
    const int listing_fd = ::dup(directory_fd);
    if (listing_fd < 0) {
        return;
    }
    DIR* listing = ::fdopendir(listing_fd);
    if (listing == nullptr) {
        ::close(listing_fd);
        return;
    }
    ::rewinddir(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            doomed.emplace_back(name);
        }
    }
    ::closedir(listing);
    for (const std::string& name : doomed) {
        ::unlinkat(directory_fd, name.c_str(), 0);  // fails quietly for directories
    }
}

// The process id in a staging name "~VL<pid>-XXXXXX", or 0.
pid_t OwnerOf(std::string_view name) {
    if (name.substr(0, kPrefix.size()) != kPrefix) {
        return 0;
    }
    name.remove_prefix(kPrefix.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || name.size() - dash - 1 != 6) {
        return 0;
    }
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
    if (error != std::errc() || end != name.data() + dash || pid <= 0) {
        return 0;
    }
    return pid;
}

bool ProcessExists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

StagingDirectory::StagingDirectory(int directory_fd, std::string path, const StagingBudget& budget)
    : directory_fd_(directory_fd), path_(std::move(path)), budget_(budget) {}

std::unique_ptr<StagingDirectory> StagingDirectory::Create(const std::string& parent,
                                                           const StagingBudget& budget) {
    std::string path = parent;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += std::string(kPrefix) + std::to_string(::getpid()) + "-XXXXXX";
    const std::lock_guard lock(g_registry_mutex);
    if (g_closed || ::mkdtemp(path.data()) == nullptr) {
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::rmdir(path.c_str());
        return nullptr;
    }
    // Held until the descriptor closes, also when the process dies: the
    // sweep of another saver never takes a directory in use.
    ::flock(fd, LOCK_EX | LOCK_NB);
    std::unique_ptr<StagingDirectory> directory(new StagingDirectory(fd, std::move(path), budget));
    g_open.push_back(directory.get());
    return directory;
}

StagingDirectory::~StagingDirectory() {
    {
        const std::lock_guard lock(g_registry_mutex);
        std::erase(g_open, this);
        if (!g_closed) {
            EmptyDirectory(directory_fd_);
            ::rmdir(path_.c_str());
        }
    }
    ::close(directory_fd_);
}

StageResult StagingDirectory::WriteFile(std::string_view name,
                                        std::span<const std::uint8_t> content) {
    if (!IsPlainName(name)) {
        return StageResult::kFailed;
    }
    if (files_ >= budget_.max_files || bytes_ > budget_.max_bytes ||
        content.size() > budget_.max_bytes - bytes_) {
        return StageResult::kOverBudget;
    }
    const std::string file_name(name);
    const std::lock_guard lock(g_registry_mutex);
    if (g_closed) {
        return StageResult::kFailed;
    }
    // O_NONBLOCK keeps a FIFO from hanging the load; it does nothing to
    // regular files.
    const int fd =
        ::openat(directory_fd_, file_name.c_str(),
                 O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        return StageResult::kFailed;
    }
    ++files_;  // counted once made: a failed write still leaves a file
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    std::size_t done = 0;
    while (ok && done < content.size()) {
        const ssize_t written = ::write(fd, content.data() + done, content.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    bytes_ += done;
    if (::close(fd) != 0) {
        ok = false;
    }
    return ok ? StageResult::kWritten : StageResult::kFailed;
}

int SweepStaleStagingDirectories(const std::string& parent) {
    const int parent_fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent_fd < 0) {
        return 0;
    }
    std::vector<std::string> candidates;
    if (DIR* listing = ::fdopendir(::dup(parent_fd))) {
        while (const dirent* entry = ::readdir(listing)) {
            const pid_t owner = OwnerOf(entry->d_name);
            if (owner != 0 && owner != ::getpid() && !ProcessExists(owner)) {
                candidates.emplace_back(entry->d_name);
            }
        }
        ::closedir(listing);
    }
    int removed = 0;
    for (const std::string& name : candidates) {
        const int fd =
            ::openat(parent_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            continue;  // a symlink or a file under such a name is not ours
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            EmptyDirectory(fd);
            removed += ::unlinkat(parent_fd, name.c_str(), AT_REMOVEDIR) == 0;
        }
        ::close(fd);
    }
    ::close(parent_fd);
    return removed;
}

void RemoveStagingDirectoriesNow() {
    // A write that holds the lock ends soon; one that does not (a stuck
    // disk) must not keep the process from ending.
    const bool locked = g_registry_mutex.try_lock_for(kEmergencyWait);
    g_closed = true;
    for (const StagingDirectory* directory : g_open) {
        EmptyDirectory(directory->directory_fd_);
        ::rmdir(directory->path_.c_str());
    }
    if (locked) {
        g_registry_mutex.unlock();
    }
}

}  // namespace skyweave
