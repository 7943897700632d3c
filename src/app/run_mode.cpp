// The command-line parse; see run_mode.h.
#include "app/run_mode.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace skyweave {

std::int64_t ReadHandle(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    // strtoll in base 10 follows atol's rules and saturates on overflow.
    const long long value = std::strtoll(text, nullptr, 10);
    return static_cast<std::int64_t>(value);
}

RunMode ParseCommandLine(int argc, char** argv, std::int64_t& handle,
                         const FindOwnerWindow& find_owner) {
    const auto owner = [&find_owner]() -> std::int64_t { return find_owner ? find_owner() : 0; };
    if (argc < 2 || argv[1] == nullptr) {
        handle = owner();
        return RunMode::Configure;
    }
    char* first = argv[1];
    // Only the second character selects the mode; an empty first argument has
    // none, so it must not be read past its terminator.
    const char letter = first[0] == '\0' ? '\0' : first[1];
    switch (letter) {
        case 'c':
        case 'C':
            handle = argc >= 3 ? ReadHandle(argv[2]) : owner();
            return RunMode::Configure;
        case 'p':
        case 'P': {
            // Without a second argument the parent cannot be known: ends like
            // a zero parent.
            const std::int64_t parent = argc >= 3 ? ReadHandle(argv[2]) : 0;
            if (parent == 0) {
                return RunMode::None;
            }
            handle = parent;
            return RunMode::Preview;
        }
        case 's':
        case 'S':
            return RunMode::FullScreen;
        case 'a':
        case 'A':
            return argc == 3 ? RunMode::SetFile : RunMode::None;
        default:
            break;
    }
    if (letter == '\0') {
        return RunMode::None;
    }
    for (char* c = first + 1; *c != '\0'; ++c) {
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    }
    return std::strcmp(first + 1, "RESET") == 0 ? RunMode::Reset : RunMode::None;
}

}  // namespace skyweave
