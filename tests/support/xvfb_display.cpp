// See xvfb_display.h.
#include "support/xvfb_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace skyweave::test {

pid_t SpawnWithDisplay(const std::vector<std::string>& args, const std::string& display, int fd_3) {
    if (args.empty()) {
        return -1;
    }
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& a : copy) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (fd_3 == 3) {
            fcntl(3, F_SETFD, 0);  // kept across exec
        } else if (fd_3 >= 0) {
            dup2(fd_3, 3);  // the copy is kept across exec
        }
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        if (display.empty()) {
            unsetenv("DISPLAY");
        } else {
            setenv("DISPLAY", display.c_str(), 1);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

pid_t LaunchXServer(const std::vector<std::string>& command, const std::string& host,
                    std::string& name) {
    name.clear();
    int fds[2];
    if (command.empty() || pipe2(fds, O_CLOEXEC) != 0) {
        return -1;
    }
    std::vector<std::string> args = command;
    args.insert(args.begin() + 1, {"-displayfd", "3"});
    const pid_t pid = SpawnWithDisplay(args, host, fds[1]);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return -1;
    }
    // The server writes its display number and a newline once it listens.
    std::string number;
    pollfd pfd{fds[0], POLLIN, 0};
    while (poll(&pfd, 1, 20000) > 0) {
        char c = 0;
        if (read(fds[0], &c, 1) != 1 || c == '\n') {
            break;
        }
        number.push_back(c);
    }
    close(fds[0]);
    if (number.empty()) {
        StopXServer(pid);
        return -1;
    }
    name = ":" + number;
    return pid;
}

void StopXServer(pid_t pid) {
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

XvfbDisplay::XvfbDisplay(int width, int height, int depth) {
    const std::string screen =
        std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
    pid_ =
        LaunchXServer({"Xvfb", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, "", name_);
}

XvfbDisplay::~XvfbDisplay() {
    StopXServer(pid_);
}

}  // namespace skyweave::test
