// Creating, filling and removing the staging directory with POSIX calls on a
// directory descriptor.
#include "platform/core/staging_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace skyweave {
namespace {

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

}  // namespace

StagingDirectory::StagingDirectory(int directory_fd, std::string path)
    : directory_fd_(directory_fd), path_(std::move(path)) {}

std::unique_ptr<StagingDirectory> StagingDirectory::Open(const std::string& parent,
                                                         const std::string& name) {
    if (!IsPlainName(name)) {
        return nullptr;
    }
    std::string path = parent;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += name;
    // An existing name is fine only after the checks below.
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;  // a symlink, or not a directory
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<StagingDirectory>(new StagingDirectory(fd, std::move(path)));
}

StagingDirectory::~StagingDirectory() {
    // Collect the names first: deleting while reading a directory stream may
    // skip entries.
    std::vector<std::string> doomed;
    const int listing_fd = ::dup(directory_fd_);
    if (listing_fd >= 0) {
        if (DIR* listing = ::fdopendir(listing_fd)) {
            while (const dirent* entry = ::readdir(listing)) {
                if (entry->d_name[0] == '~') {
                    doomed.emplace_back(entry->d_name);
                }
            }
            ::closedir(listing);
        } else {
            ::close(listing_fd);
        }
    }
    for (const std::string& name : doomed) {
        ::unlinkat(directory_fd_, name.c_str(), 0);  // fails quietly for directories
    }
    ::close(directory_fd_);
    ::rmdir(path_.c_str());  // fails quietly when other files stay
}

bool StagingDirectory::WriteFile(std::string_view name, std::span<const std::uint8_t> content) {
    if (!IsPlainName(name)) {
        return false;
    }
    const std::string file_name(name);
    // O_NONBLOCK keeps a planted FIFO from hanging the load; it does nothing
    // to regular files.
    const int fd =
        ::openat(directory_fd_, file_name.c_str(),
                 O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        return false;
    }
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
    if (::close(fd) != 0) {
        ok = false;
    }
    return ok;
}

}  // namespace skyweave
