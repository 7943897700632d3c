// Recognises the daemon-style command line for main(). Owns nothing.
#include "app/hack/hack_command_line.h"

#include <cctype>
#include <span>
#include <string_view>

#include "app/hack/hack_options.h"

namespace skyweave {

namespace {

// The dashed forms the Windows-style modes read: a switch letter second
// (-s, -Save, -c, -p, -a) or the reset word in any case.
bool IsWindowsSwitch(std::string_view arg) {
    if (arg.size() < 2) {
        return false;
    }
    switch (arg[1]) {
        case 'c':
        case 'C':
        case 'p':
        case 'P':
        case 's':
        case 'S':
        case 'a':
        case 'A':
            return true;
        default:
            break;
    }
    constexpr std::string_view kReset = "reset";
    const std::string_view rest = arg.substr(1);
    if (rest.size() != kReset.size()) {
        return false;
    }
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(rest[i])) != kReset[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsHackCommandLine(int argc, const char* const* argv) {
    if (argc < 2 || argv == nullptr || argv[1] == nullptr) {
        return false;
    }
    const std::span<const char* const> args(argv + 1, static_cast<std::size_t>(argc - 1));
    for (const char* arg : args) {
        const std::string_view text = arg != nullptr ? arg : "";
        if (text.starts_with("--") || (text.starts_with('-') && IsHackOptionName(text.substr(1)))) {
            return true;
        }
    }
    // A dashed first argument the Windows modes would not read as a switch
    // goes to the daemon parser, which names it in its message.
    const std::string_view first = argv[1];
    return first.starts_with('-') && !IsWindowsSwitch(first);
}

}  // namespace skyweave
