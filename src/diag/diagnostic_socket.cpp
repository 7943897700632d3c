// Datagram delivery to the diagnostic server; see diagnostic_socket.h.
#include "diag/diagnostic_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace skyweave {

namespace {

// Closes the descriptor when the attempt ends, whichever way it ends.
class SocketHandle {
  public:
    explicit SocketHandle(int fd) : fd_(fd) {}
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    ~SocketHandle() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

std::string DiagnosticSocketPath() {
    const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
    if (runtime_dir != nullptr && runtime_dir[0] == '/') {
        std::string path(runtime_dir);
        if (path.back() != '/') {
            path += '/';
        }
        return path + "dbs.sock";
    }
    return "/tmp/dbs-" + std::to_string(::getuid()) + ".sock";
}

DeliveryResult SendDiagnosticDatagram(const std::string& path, std::span<const std::byte> bytes) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        return DeliveryResult::kNoReceiver;
    }
    std::memcpy(address.sun_path, path.data(), path.size());

    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? DeliveryResult::kNoReceiver : DeliveryResult::kDropped;
    }
    if (!S_ISSOCK(info.st_mode) || info.st_uid != ::getuid()) {
        return DeliveryResult::kDropped;
    }

    const SocketHandle socket_fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket_fd.get() < 0) {
        return DeliveryResult::kDropped;
    }
    ssize_t sent = 0;
    do {
        sent = ::sendto(socket_fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL,
                        reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    } while (sent < 0 && errno == EINTR);
    if (sent >= 0) {
        return DeliveryResult::kDelivered;
    }
    // A socket file left behind by a server that has ended refuses the
    // connection; that is the same as no server at all.
    if (errno == ENOENT || errno == ECONNREFUSED) {
        return DeliveryResult::kNoReceiver;
    }
    return DeliveryResult::kDropped;
}

}  // namespace skyweave
