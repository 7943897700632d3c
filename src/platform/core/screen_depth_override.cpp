// See screen_depth_override.h.
#include "platform/core/screen_depth_override.h"

#include <cstdlib>

namespace skyweave {

int ScreenDepthFromEnvironment(int fallback) {
    const char* value = std::getenv("SKYWEAVE_SCREEN_DEPTH");
    if (value == nullptr) {
        return fallback;
    }
    char* end = nullptr;
    const long depth = std::strtol(value, &end, 10);
    if (end == value || *end != '\0') {
        return fallback;
    }
    if (depth == 8 || depth == 15 || depth == 16 || depth == 24) {
        return static_cast<int>(depth);
    }
    return fallback;
}

}  // namespace skyweave
