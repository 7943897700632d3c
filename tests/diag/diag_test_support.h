// Throwaway surroundings for the diagnostic channel tests: a private
// directory, environment variables restored on exit, a receiving socket and
// a stand-in "DBS.EXE" that records its start.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

namespace skyweave::test {

// Sets an environment variable for the life of the object, then puts the old
// value (or its absence) back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }

  private:
    std::string name_;
    std::optional<std::string> old_;
};

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object ends.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "skyweave-diag-XXXXXX");
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// A datagram socket bound at a path, closed when the object ends.
class Receiver {
  public:
    explicit Receiver(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        bound_ = fd_ >= 0 &&
                 ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    }
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;
    ~Receiver() { Close(); }
    bool bound() const { return bound_; }
    int fd() const { return fd_; }
    // Closes the socket but leaves its file: what a server that died leaves.
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_ = -1;
    bool bound_ = false;
};

// Writes an executable "DBS.EXE" into `dir` that, when run, appends its
// parent's pid to "starts", creates "started", waits until a file "release"
// appears (at most about 30 s, so a failed test leaves no process behind) and
// then appends a line to "finished". The script sets its own PATH, since the
// tests narrow PATH to `dir`.
inline void WriteRecordingServer(const std::filesystem::path& dir) {
    const std::filesystem::path script = dir / "DBS.EXE";
    std::ofstream out(script);
    out << "#!/bin/sh\n"
           "PATH=/usr/bin:/bin\n"
           "d=$(dirname \"$0\")\n"
           "echo \"$PPID\" >> \"$d/starts\"\n"
           "cut -d' ' -f6 /proc/$$/stat > \"$d/session\"\n"
           "touch \"$d/started\"\n"
           "i=0\n"
           "while [ ! -e \"$d/release\" ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done\n"
           "echo done >> \"$d/finished\" 2>/dev/null\n";
    out.close();
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
}

// Waits until `file` exists; gives up after about 30 s (a bound against
// hanging, not a speed requirement).
inline bool WaitForFile(const std::filesystem::path& file) {
    for (int i = 0; i < 3000; ++i) {
        if (std::filesystem::exists(file)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace skyweave::test
