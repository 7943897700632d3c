// StagingDirectory: the private directory that holds the files embedded in a
// loaded panorama, and its teardown.
//
// The engine makes one when a panorama carries embedded files, writes them
// through WriteFile, and destroys it at Close, which removes every file in
// it and the directory itself. The name is "~VL", the owning process id, a
// dash and six random characters, made by mkdtemp so that nobody can plant
// anything under it beforehand; the directory is reached through an open
// descriptor, which also holds a lock that marks it as in use.
//
// SweepStaleStagingDirectories removes what processes that ended without
// their teardown (killed, crashed) left behind; RemoveStagingDirectoriesNow
// is the teardown of every open directory when the process must end at once.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace skyweave {

// What one staging directory may hold at most.
struct StagingBudget {
    int max_files = 10000;
    std::uint64_t max_bytes = std::uint64_t{256} << 20;  // file contents, in bytes
};

enum class StageResult {
    kWritten,
    kFailed,      // not a plain name, or the file could not be made or filled
    kOverBudget,  // it would pass the budget's files or bytes: not written
};

class StagingDirectory {
  public:
    // Makes a new directory "~VL<pid>-XXXXXX" with mode 0700 in `parent`.
    // Returns null when it cannot be made (nothing is reported).
    //   parent: an existing directory, normally TemporaryFilesDirectory().
    //   budget: what WriteFile may put into it altogether.
    static std::unique_ptr<StagingDirectory> Create(const std::string& parent,
                                                    const StagingBudget& budget = {});

    // Teardown: deletes every file in the directory, then the directory.
    ~StagingDirectory();
    StagingDirectory(const StagingDirectory&) = delete;
    StagingDirectory& operator=(const StagingDirectory&) = delete;

    // Creates or truncates the file `name` in the directory with mode 0600,
    // never following a symlink, and writes `content` into it, within the
    // directory's budget of files and bytes.
    //   name:    the file name, one path component (not empty, ".", "..",
    //            and without "/", "\" or NUL).
    //   content: the bytes to write.
    StageResult WriteFile(std::string_view name, std::span<const std::uint8_t> content);

    // Full path of the directory, without a trailing separator.
    const std::string& Path() const { return path_; }

  private:
    friend void RemoveStagingDirectoriesNow();

    StagingDirectory(int directory_fd, std::string path, const StagingBudget& budget);

    int directory_fd_;
    std::string path_;
    StagingBudget budget_;
    int files_ = 0;
    std::uint64_t bytes_ = 0;
};

// Removes the staging directories in `parent` whose process no longer
// exists: only directories (never symlinks) named "~VL<pid>-XXXXXX", owned
// by this user, whose pid names no running process and whose lock nobody
// holds. A directory of a running process (another saver on another
// monitor) is never touched. Returns how many were removed.
int SweepStaleStagingDirectories(const std::string& parent);

// Empties and removes every staging directory this process has open, and
// refuses new ones and new files from then on. For ends that leave no time
// for the normal teardown (the X server gone, an unhandled exception).
void RemoveStagingDirectoriesNow();

}  // namespace skyweave
