// A stand-in diagnostic server for the tests, started as "DBS.EXE" through
// PATH. Binds the per-user socket by its own reading of the path rule,
// appends every datagram it receives to the file named by DBS_TEST_LOG as
// one line of hex bytes, and ends after a "Mem Fault" message or after
// 30 s without one, removing its socket.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* log_path = std::getenv("DBS_TEST_LOG");
    if (runtime == nullptr || log_path == nullptr) {
        return 2;
    }
    const std::string path = std::string(runtime) + "/dbs.sock";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        return 2;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        return 1;
    }
    bool done = false;
    for (int waited = 0; !done && waited < 300;) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 100) <= 0) {
            ++waited;
            continue;
        }
        unsigned char buffer[512];
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        if (n < 0) {
            continue;
        }
        std::FILE* log = std::fopen(log_path, "a");
        if (log != nullptr) {
            for (ssize_t i = 0; i < n; ++i) {
                std::fprintf(log, "%02x", buffer[i]);
            }
            std::fputc('\n', log);
            std::fclose(log);
        }
        done = n >= 9 && std::memcmp(buffer, "Mem Fault", 9) == 0;
    }
    ::unlink(path.c_str());
    ::close(fd);
    return 0;
}
