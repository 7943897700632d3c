// The walk over a folder of panoramas; see folder_listing.h.
#include "loading/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <random>
#include <set>
#include <utility>

#include "panfile/kind_tag.h"
#include "platform/core/file_descriptor.h"

namespace skyweave {
namespace {

// Closes a directory stream at the end of a scope.
class DirCloser {
  public:
    explicit DirCloser(DIR* dir) : dir_(dir) {}
    ~DirCloser() { ::closedir(dir_); }
    DirCloser(const DirCloser&) = delete;
    DirCloser& operator=(const DirCloser&) = delete;

  private:
    DIR* dir_;
};

std::string Join(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

// Whether the file `name` in the open folder `dir_fd` starts with bytes the
// loader reads. Opened without blocking, so that a FIFO or a device that
// slipped past the type check cannot hold the walk.
bool IsPanoramaFile(int dir_fd, const char* name) {
    const int fd = ::openat(dir_fd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    const FileDescriptor closer(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    std::array<std::uint8_t, kKindTestBytes> head{};
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    if (got <= 0) {
        return false;
    }
    const std::optional<KindTag> kind =
        KindOf(std::span<const std::uint8_t>(head.data(), static_cast<std::size_t>(got)));
    // A bare RIFF stream has a kind tag, but no decoder reads one.
    return kind.has_value() && *kind != KindTag::kRiff;
}

// The path of `path` with every link resolved, or nothing when it cannot be.
std::optional<std::string> Canonical(const std::string& path) {
    std::array<char, PATH_MAX> resolved{};
    if (::realpath(path.c_str(), resolved.data()) == nullptr) {
        return std::nullopt;
    }
    return std::string(resolved.data());
}

// Whether `canonical` is `folder` or lies beneath it.
bool IsWithin(std::string_view canonical, std::string_view folder) {
    if (folder == "/") {
        return true;
    }
    return canonical == folder ||
           (canonical.starts_with(folder) && canonical[folder.size()] == '/');
}

// The kernel's trees: files there change as they are read, some block, and
// /proc/self/root is the whole file system again.
bool IsSystemTree(std::string_view canonical) {
    return IsWithin(canonical, "/proc") || IsWithin(canonical, "/sys") ||
           IsWithin(canonical, "/dev");
}

enum class EntryType { kFolder, kFile, kOther };

EntryType TypeOf(int dir_fd, const dirent& entry) {
    switch (entry.d_type) {
        case DT_DIR:
            return EntryType::kFolder;
        case DT_REG:
            return EntryType::kFile;
        case DT_LNK:
        case DT_UNKNOWN:
            break;
        default:
            return EntryType::kOther;
    }
    struct stat info {};
    if (::fstatat(dir_fd, entry.d_name, &info, 0) != 0) {
        return EntryType::kOther;  // a dangling link, or gone meanwhile
    }
    if (S_ISDIR(info.st_mode)) {
        return EntryType::kFolder;
    }
    return S_ISREG(info.st_mode) ? EntryType::kFile : EntryType::kOther;
}

}  // namespace

FolderListingResult ListPanoramas(const std::string& folder, const FolderListingLimits& limits,
                                  const std::function<void(std::vector<std::string>)>& found,
                                  const std::atomic<bool>* cancel) {
    FolderListingResult result;
    std::mt19937 random(limits.seed);
    std::set<std::pair<dev_t, ino_t>> visited;
    std::vector<std::string> to_visit{folder};
    std::vector<std::string> batch;
    const std::size_t batch_size = std::max<std::size_t>(limits.batch_size, 1);
    const auto hand_over = [&] {
        if (!batch.empty()) {
            found(std::exchange(batch, {}));
        }
    };
    const auto cancelled = [cancel] { return cancel != nullptr && cancel->load(); };
    bool first = true;
    std::string top;  // the chosen folder, links resolved
    while (!to_visit.empty()) {
        const std::string path = std::move(to_visit.back());
        to_visit.pop_back();
        const bool is_top = first;
        first = false;
        // A link may lead anywhere: only folders inside the chosen one are
        // read, and never the kernel's trees.
        const std::optional<std::string> canonical = Canonical(path);
        if (is_top) {
            if (!canonical || IsSystemTree(*canonical)) {
                result.end = FolderListingEnd::kUnreadable;
                return result;
            }
            top = *canonical;
        } else if (!canonical || !IsWithin(*canonical, top) || IsSystemTree(*canonical)) {
            continue;
        }
        const int dir_fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir_fd < 0) {
            if (is_top) {
                result.end = FolderListingEnd::kUnreadable;
                return result;
            }
            continue;
        }
        struct stat info {};
        if (::fstat(dir_fd, &info) != 0 || !visited.emplace(info.st_dev, info.st_ino).second) {
            ::close(dir_fd);
            continue;  // read already: a link back up the tree, or to a sibling
        }
        DIR* dir = ::fdopendir(dir_fd);
        if (dir == nullptr) {
            ::close(dir_fd);
            if (is_top) {
                result.end = FolderListingEnd::kUnreadable;
                return result;
            }
            continue;
        }
        const DirCloser dir_closer(dir);
        struct Name {
            std::string name;
            EntryType type;
            bool linked;  // a symbolic link, or of a type the folder does not tell
        };
        std::vector<Name> names;
        bool truncated = false;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            if (result.entries >= limits.max_entries) {
                truncated = true;
                break;
            }
            ++result.entries;
            if (name.front() == '.') {
                continue;  // hidden
            }
            const EntryType type = TypeOf(dir_fd, *entry);
            if (type != EntryType::kOther) {
                names.push_back({std::string(name), type,
                                 entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN});
            }
        }
        std::shuffle(names.begin(), names.end(), random);
        std::vector<std::string> subfolders;
        for (const Name& name : names) {
            if (cancelled()) {
                result.end = FolderListingEnd::kCancelled;
                return result;
            }
            if (name.type == EntryType::kFolder) {
                subfolders.push_back(Join(path, name.name));
                continue;
            }
            if (name.linked) {
                // A linked file outside is shown, but never one of the
                // kernel's: they read as regular files.
                const std::optional<std::string> target = Canonical(Join(path, name.name));
                if (!target || IsSystemTree(*target)) {
                    continue;
                }
            }
            if (!IsPanoramaFile(dir_fd, name.name.c_str())) {
                continue;
            }
            batch.push_back(Join(path, name.name));
            ++result.panoramas;
            if (result.panoramas == 1 || batch.size() >= batch_size) {
                hand_over();
            }
        }
        hand_over();
        if (truncated) {
            result.end = FolderListingEnd::kTruncated;
            return result;
        }
        // Taken from the back: the first of the shuffled subfolders next.
        to_visit.insert(to_visit.end(), subfolders.rbegin(), subfolders.rend());
    }
    return result;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsGone(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) != 0 && errno == ENOENT;
}

}  // namespace skyweave
