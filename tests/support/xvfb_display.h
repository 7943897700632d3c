// A private X server for GUI tests: starts Xvfb on a free display number
// (-displayfd lets the server pick it) and stops it on destruction. Tests
// talk to it by name and never through an inherited DISPLAY. Shared by every
// test program that needs a real X server.
#pragma once

#include <sys/types.h>
#include <string>

namespace skyweave::test {

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
