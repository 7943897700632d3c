// The settings file on disk with POSIX calls; see profile_file.h.
#include "platform/profile/profile_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <utility>
#include <vector>

#include "platform/core/file_descriptor.h"

namespace skyweave {
namespace {

constexpr int kMaxLinks = 40;
constexpr mode_t kNewFileMode = 0600;

bool WriteAll(int fd, std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool MakeFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) {
        return true;
    }
    std::filesystem::path partial;
    for (const auto& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return std::filesystem::is_directory(folder, ec);
}

}  // namespace

ProfileFileText ReadProfileFile(const std::filesystem::path& path) {
    ProfileFileText result;
    // O_NONBLOCK: opening a FIFO for reading must not wait for a writer.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        result.state = errno == ENOENT ? ProfileFileState::kMissing : ProfileFileState::kUnreadable;
        return result;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        result.state = ProfileFileState::kUnreadable;
        return result;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxProfileFileBytes) {
        result.state = ProfileFileState::kTooLarge;
        return result;
    }
    result.text.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (true) {
        if (done == result.text.size()) {
            // The file may have grown since fstat; read on within the bound.
            if (result.text.size() >= kMaxProfileFileBytes) {
                char probe = 0;
                if (::read(fd.get(), &probe, 1) > 0) {
                    result.state = ProfileFileState::kTooLarge;
                    result.text.clear();
                    return result;
                }
                break;
            }
            result.text.resize(
                std::min<std::size_t>(result.text.size() + 4096, kMaxProfileFileBytes));
        }
        const ssize_t n = ::read(fd.get(), result.text.data() + done, result.text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result.state = ProfileFileState::kUnreadable;
            result.text.clear();
            return result;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    result.text.resize(done);
    result.state = ProfileFileState::kRead;
    return result;
}

std::filesystem::path ProfileWriteTarget(const std::filesystem::path& path) {
    std::filesystem::path current = path;
    for (int links = 0; links < kMaxLinks; ++links) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, ec))) {
            return current;
        }
        const std::filesystem::path next = std::filesystem::read_symlink(current, ec);
        if (ec) {
            return current;
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current;  // a loop: the rename below replaces the last link
}

bool ReplaceProfileFile(const std::filesystem::path& target, std::string_view text) {
    const std::filesystem::path folder = target.parent_path();
    if (!MakeFolder(folder)) {
        return false;
    }
    mode_t mode = kNewFileMode;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            return false;  // a folder or a device is not ours to replace
        }
        mode = old.st_mode & 07777;
    }
    // Built by appending: g++ 12 warns falsely (-Wrestrict) on "literal" + std::string.
    std::string name(1, '.');
    name += target.filename().string();
    name += ".XXXXXX";
    std::string temporary = (folder / name).string();
    const FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        return false;
    }
    const bool written =
        ::fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), text) && ::fsync(fd.get()) == 0;
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

namespace {

// The copies of corrupt versions of `target` beside it, oldest first: by
// their stamp, then by the "-N" of copies made within one second.
std::vector<std::pair<std::string, int>> CorruptCopiesOf(const std::filesystem::path& target,
                                                         const std::string& prefix) {
    std::vector<std::pair<std::string, int>> copies;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0) {
            continue;
        }
        const std::string rest = name.substr(prefix.size());
        const std::size_t dash = rest.find('-', 9);
        const int n = dash == std::string::npos ? 1 : std::atoi(rest.c_str() + dash + 1);
        copies.emplace_back(rest.substr(0, dash), n);
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}

std::string CopyName(const std::string& prefix, const std::string& stamp, int n) {
    return n > 1 ? prefix + stamp + "-" + std::to_string(n) : prefix + stamp;
}

}  // namespace

std::optional<std::filesystem::path> SetCorruptFileAside(const std::filesystem::path& target) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string prefix = target.filename().string() + ".corrupt-";
    // After the newest copy of this second, even when older ones are gone.
    int n = 1;
    for (const auto& [copy_stamp, copy_n] : CorruptCopiesOf(target, prefix)) {
        if (copy_stamp == stamp) {
            n = std::max(n, copy_n + 1);
        }
    }
    std::filesystem::path aside;
    for (int tries = 0; tries < 100 && aside.empty(); ++tries, ++n) {
        const std::filesystem::path candidate = target.parent_path() / CopyName(prefix, stamp, n);
        // link() never replaces an existing name, unlike rename().
        if (::link(target.c_str(), candidate.c_str()) == 0) {
            ::unlink(target.c_str());
            aside = candidate;
        } else if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    if (aside.empty()) {
        return std::nullopt;
    }
    const auto copies = CorruptCopiesOf(target, prefix);
    std::error_code ec;
    for (std::size_t i = 0; i + kKeptCorruptCopies < copies.size(); ++i) {
        std::filesystem::remove(
            target.parent_path() / CopyName(prefix, copies[i].first, copies[i].second), ec);
    }
    return aside;
}

ProfileFileLock::ProfileFileLock(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.parent_path();
    if (!MakeFolder(folder)) {
        return;
    }
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        return;
    }
    int locked = 0;
    do {
        locked = ::flock(fd_, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

ProfileFileLock::~ProfileFileLock() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
}

}  // namespace skyweave
