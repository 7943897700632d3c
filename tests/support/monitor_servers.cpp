// See monitor_servers.h.
#include "support/monitor_servers.h"

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace skyweave::test {
namespace {

std::string MonitorName(int index) {
    return "skyweave-test-" + std::to_string(index);
}

// xrandr's geometry "W/MWxH/MH+X+Y", with a size in millimetres of 96 dots
// per inch.
std::string Geometry(const MonitorBox& box) {
    const auto mm = [](int pixels) { return std::to_string(std::max(1, pixels * 254 / 960)); };
    return std::to_string(box.width) + "/" + mm(box.width) + "x" + std::to_string(box.height) +
           "/" + mm(box.height) + "+" + std::to_string(box.x) + "+" + std::to_string(box.y);
}

// The host holds the Xephyr windows side by side.
int HostWidth(const std::vector<std::pair<int, int>>& screens) {
    int width = 0;
    for (const auto& s : screens) {
        width += s.first;
    }
    return std::max(width, 64);
}

int HostHeight(const std::vector<std::pair<int, int>>& screens) {
    int height = 0;
    for (const auto& s : screens) {
        height = std::max(height, s.second);
    }
    return std::max(height, 64);
}

}  // namespace

int RunXClient(const std::vector<std::string>& args, const std::string& display) {
    const pid_t pid = SpawnWithDisplay(args, display);
    if (pid < 0) {
        return -1;
    }
    for (int i = 0; i < 2000; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

RandrMonitorsDisplay::RandrMonitorsDisplay(int width, int height,
                                           const std::vector<MonitorBox>& monitors)
    : server_(width, height, 24) {
    if (server_.Name().empty() || monitors.empty()) {
        return;
    }
    // The first monitor takes the output "screen", so that the server's own
    // monitor for it, which would cover the whole screen, goes away.
    ok_ = RunXClient({"xrandr", "--setmonitor", MonitorName(0), Geometry(monitors[0]), "screen"},
                     server_.Name()) == 0;
    added_ = 1;
    for (std::size_t i = 1; ok_ && i < monitors.size(); ++i) {
        ok_ = AddMonitor(monitors[i]);
    }
}

bool RandrMonitorsDisplay::AddMonitor(const MonitorBox& box) {
    const int index = added_++;
    return RunXClient({"xrandr", "--setmonitor", MonitorName(index), Geometry(box), "none"},
                      server_.Name()) == 0;
}

bool RandrMonitorsDisplay::RemoveMonitor(int index) {
    return index > 0 &&
           RunXClient({"xrandr", "--delmonitor", MonitorName(index)}, server_.Name()) == 0;
}

XephyrXineramaDisplay::XephyrXineramaDisplay(const std::vector<std::pair<int, int>>& screens)
    : host_(HostWidth(screens), HostHeight(screens), 24) {
    if (host_.Name().empty() || screens.empty()) {
        return;
    }
    std::vector<std::string> command{"Xephyr", "+xinerama"};
    for (const auto& [w, h] : screens) {
        command.insert(command.end(), {"-screen", std::to_string(w) + "x" + std::to_string(h)});
    }
    command.insert(command.end(), {"-nolisten", "tcp", "-noreset"});
    pid_ = LaunchXServer(command, host_.Name(), name_);
}

XephyrXineramaDisplay::~XephyrXineramaDisplay() {
    StopXServer(pid_);
}

}  // namespace skyweave::test
