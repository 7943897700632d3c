// The per-frame log; see frame_log.h.
#include "app/frame_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/core/log_text.h"

namespace skyweave {

std::unique_ptr<FrameLog> FrameLog::FromEnvironment() {
    const char* value = std::getenv("SKYWEAVE_FRAME_LOG");
    if (value == nullptr || std::strcmp(value, "1") != 0) {
        return nullptr;
    }
    return std::make_unique<FrameLog>();
}

void FrameLog::Write(const MotionRect& rect, double heading, double pitch, double roll, double zoom,
                     int depth, int queued, std::string_view staging, int monitor) {
    ++frames_;
    const std::string path = EscapeForLog(staging);
    const std::string which = monitor >= 0 ? "monitor " + std::to_string(monitor) + " " : "";
    std::fprintf(stderr,
                 "frame %llu rect %d %d %d %d view %.6f %.6f %.6f %.6f depth %d queued %d "
                 "%sstaging %s\n",
                 static_cast<unsigned long long>(frames_), rect.left, rect.top, rect.right,
                 rect.bottom, heading, pitch, roll, zoom, depth, queued, which.c_str(),
                 path.c_str());
    std::fflush(stderr);
}

void FrameLog::Event(std::string_view text) {
    const std::string line = EscapeForLog(text);
    std::fprintf(stderr, "event %s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace skyweave
