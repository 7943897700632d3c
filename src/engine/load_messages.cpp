// Filling in the two load messages that carry values.
#include "engine/load_messages.h"

#include <cstdio>

namespace skyweave {

std::string VersionErrorText(int code) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "Version Error: Cannot load a version %d.0 file with version %d.%d software",
                  code + 4, 4, 0);
    return text;
}

std::string FormatErrorText(const char* detail) {
    std::string text(kTextCannotFormatImage);
    if (detail != nullptr) {
        text += detail;
    }
    if (text.size() > kMaxFormatMessageLength) {
        text.resize(kMaxFormatMessageLength);
    }
    return text;
}

}  // namespace skyweave
