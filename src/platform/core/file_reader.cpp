// POSIX file reading for whole-file loads.
#include "platform/core/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <new>
#include <vector>

namespace skyweave {

std::optional<std::string> AbsolutePath(std::string_view name) {
    if (name.empty() || name.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    std::string path;
    if (name.front() != '/') {
        std::vector<char> directory(kMaxPathLength + 1);
        if (::getcwd(directory.data(), directory.size()) == nullptr) {
            return std::nullopt;
        }
        path = directory.data();
        if (path.back() != '/') {
            path += '/';
        }
    }
    path += name;
    if (path.size() > kMaxPathLength) {
        return std::nullopt;
    }
    return path;
}

bool MemoryCanHold(std::uint64_t bytes) {
    if (bytes > std::numeric_limits<std::size_t>::max() / 2) {
        return false;
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page_size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) {
        return true;  // unknown: let the allocation decide
    }
    return bytes <= static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
}

std::unique_ptr<std::uint8_t[]> TryAllocateBytes(std::uint64_t size) {
    if (!MemoryCanHold(size)) {
        return nullptr;
    }
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow)
                                               std::uint8_t[static_cast<std::size_t>(size)]);
}

std::unique_ptr<InputFile> InputFile::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<InputFile>(new InputFile(fd, static_cast<std::uint64_t>(info.st_size)));
}

InputFile::~InputFile() {
    ::close(fd_);
}

std::size_t InputFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) {
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got =
            ::pread(fd_, into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace skyweave
