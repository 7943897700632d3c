// Recognises the daemon-style command line for main(). Owns nothing.
#include "app/hack/hack_command_line.h"

#include <string_view>

namespace skyweave {

bool IsHackCommandLine(int argc, const char* const* argv) {
    if (argc < 2 || argv == nullptr || argv[1] == nullptr) {
        return false;
    }
    const std::string_view first = argv[1];
    return first.starts_with("--") || first == "-root" || first == "-window" ||
           first == "-window-id";
}

}  // namespace skyweave
