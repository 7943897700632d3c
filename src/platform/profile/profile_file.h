// The settings file on disk: reading it whole within a size bound, replacing
// it atomically through any symlink while keeping its mode, the lock that
// serialises read-modify-write cycles between processes, and the timestamped
// copies of a corrupt file. Text in, text out: the key-file format is the
// profile store's business (profile_store.cpp).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace skyweave {

// The largest settings file read; a larger one is refused, never truncated.
// Sixteen short values need a few hundred bytes: a file this large is no
// settings file anyone wrote by hand, and parsing it would cost seconds.
inline constexpr std::uintmax_t kMaxProfileFileBytes = std::uintmax_t{1} << 20;

// How many timestamped copies of corrupt settings files are kept.
inline constexpr int kKeptCorruptCopies = 3;

enum class ProfileFileState {
    kRead,        // `text` holds the whole file
    kMissing,     // no file (a dangling symlink counts as none)
    kTooLarge,    // a regular file over kMaxProfileFileBytes
    kUnreadable,  // not a regular file, or reading failed
};

struct ProfileFileText {
    ProfileFileState state = ProfileFileState::kMissing;
    std::string text;
};

// Reads the file at `path` (symlinks followed) in one piece. Never opens
// anything but a regular file, so a FIFO planted there cannot block.
ProfileFileText ReadProfileFile(const std::filesystem::path& path);

// The file a write to `path` must replace: `path` itself, or the end of the
// chain of symlinks it names (relative link targets resolve against the
// link's folder; at most 40 links). The target need not exist.
std::filesystem::path ProfileWriteTarget(const std::filesystem::path& path);

// Replaces the file `target` (a ProfileWriteTarget) with `text`: writes a
// temporary file beside it, flushes it to disk and renames it over the old
// one, so that a reader sees the old or the new file whole. The new file gets
// the old one's permission bits, or 0600 when there was none. Creates missing
// folders with mode 0700. Returns false, with the old file untouched, on any
// failure.
bool ReplaceProfileFile(const std::filesystem::path& target, std::string_view text);

// Moves the corrupt file `target` aside as "<name>.corrupt-YYYYMMDD-HHMMSS"
// (local time; "-2", "-3"... added when that name is taken) and removes the
// oldest such copies beyond kKeptCorruptCopies. Returns the copy's path, or
// nothing when it could not be moved.
std::optional<std::filesystem::path> SetCorruptFileAside(const std::filesystem::path& target);

// An exclusive lock on the folder of a settings file, held for the length of
// one read-modify-write, so that two processes storing at once never lose
// each other's values. The folder is created (mode 0700) when missing.
class ProfileFileLock {
  public:
    // target: the file the cycle will replace (a ProfileWriteTarget).
    explicit ProfileFileLock(const std::filesystem::path& target);
    ~ProfileFileLock();
    ProfileFileLock(const ProfileFileLock&) = delete;
    ProfileFileLock& operator=(const ProfileFileLock&) = delete;

    // False when the folder could not be made, opened or locked.
    bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

}  // namespace skyweave
