// StagingDirectory: the private directory that holds the files embedded in a
// loaded panorama, and its teardown.
//
// The engine opens one when a panorama carries embedded files, writes them
// through WriteFile, and destroys it at Close. The directory is reached
// through an open descriptor, so a name swapped for a symlink after the
// checks cannot redirect any write or deletion.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace skyweave {

class StagingDirectory {
  public:
    // Creates `parent`/`name` with mode 0700, or takes it when it already
    // exists and is a real directory (not a symlink) owned by this user that
    // neither group nor others may write. Returns null otherwise, or when it
    // cannot be created or opened; nothing is reported.
    //   parent: an existing directory, normally TemporaryFilesDirectory().
    //   name:   one path component, for example "~VL0012abcd".
    static std::unique_ptr<StagingDirectory> Open(const std::string& parent,
                                                  const std::string& name);

    // Teardown: deletes every entry whose name begins with "~" (files only),
    // then removes the directory, which fails quietly when other entries
    // remain.
    ~StagingDirectory();
    StagingDirectory(const StagingDirectory&) = delete;
    StagingDirectory& operator=(const StagingDirectory&) = delete;

    // Creates or truncates the file `name` in the directory with mode 0600,
    // never following a symlink, and writes `content` into it. Returns false
    // when the name is not a plain file name (empty, ".", "..", or with a
    // path separator), or when the file cannot be created or fully written.
    //   name:    the file name, one path component.
    //   content: the bytes to write.
    bool WriteFile(std::string_view name, std::span<const std::uint8_t> content);

    // Full path of the directory, without a trailing separator.
    const std::string& Path() const { return path_; }

  private:
    StagingDirectory(int directory_fd, std::string path);

    int directory_fd_;
    std::string path_;
};

}  // namespace skyweave
