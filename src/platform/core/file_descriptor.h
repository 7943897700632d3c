// FileDescriptor: owns one POSIX file descriptor and closes it at the end of
// its scope, on every path out. Header only.
#pragma once

#include <unistd.h>

namespace skyweave {

class FileDescriptor {
  public:
    // fd: an open descriptor, or a negative number for none.
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    // The descriptor, negative for none.
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace skyweave
