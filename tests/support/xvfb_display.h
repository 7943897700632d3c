// Private X servers for GUI tests: Xvfb on a free display number (-displayfd
// lets the server pick it), stopped on destruction, and the launch they
// share with the servers of several monitors (monitor_servers.h). Tests talk
// to a server by name and never through an inherited DISPLAY. Shared by
// every test program that needs a real X server.
#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

namespace skyweave::test {

// Starts `args` (program and arguments) as a child process with DISPLAY
// set to `display` (unset when empty) and /dev/null as its standard input,
// output and error; `fd_3`, unless -1, becomes the child's descriptor 3.
// Returns its pid, or -1 when it cannot start.
pid_t SpawnWithDisplay(const std::vector<std::string>& args, const std::string& display,
                       int fd_3 = -1);

// Starts the X server `command` (program and arguments; "-displayfd 3" is
// added) with DISPLAY set to `host` (unset when empty) and its stderr
// thrown away, and waits up to 20 s until it listens. Returns its pid with
// `name` set to ":N", or -1 when it did not start (a started process that
// never answered is killed).
pid_t LaunchXServer(const std::vector<std::string>& command, const std::string& host,
                    std::string& name);

// Ends a server from LaunchXServer: SIGTERM, then SIGKILL after 5 s (a
// server stuck in a grab must not hang the test program). pid <= 0 does
// nothing.
void StopXServer(pid_t pid);

class XvfbDisplay {
  public:
    // width, height: screen size in pixels; depth: bits per pixel (24).
    XvfbDisplay(int width = 640, int height = 480, int depth = 24);
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // ":N", or empty when the server did not start.
    const std::string& Name() const { return name_; }

  private:
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace skyweave::test
