// The options of the daemon-style command line and their parser. Toolkit-free
// and free of side effects: RunHack parses once and acts on the result; the
// unit tests drive the parser directly.
//
// Grammar: the mode options below and every setting's option from the
// settings table, in any order, each in either dash style (-zoom or
// --zoom); a value follows as the next argument or after "=" (--zoom=60).
// When an option is repeated, the last one counts. --window-id wins over
// --root, and both win over --window, so that a preview program may append
// --window-id to a command that already says --root. With no mode option the
// saver runs in a window of its own, as other hacks do outside the daemon.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/setting_overrides.h"

namespace skyweave {

// Where the saver shows itself.
enum class HackMode {
    OwnWindow,  // --window, or no mode option: an ordinary 1280 x 720 window
    Root,       // --root: $XSCREENSAVER_WINDOW, else the virtual or real root
    WindowId,   // --window-id ID: a window some other client made
};

struct HackOptions {
    HackMode mode = HackMode::OwnWindow;
    // The X11 window id of --window-id; 0 in the other modes.
    std::uint32_t window_id = 0;
    bool help = false;     // --help or -h: print the usage and end
    bool version = false;  // --version: print the version and end
    // Settings for this run only (the options of the settings table); a
    // setting not given keeps its stored value.
    SettingOverrides overrides;
};

// The outcome of a parse: the options, or the one-line reason it failed.
struct HackParseResult {
    std::optional<HackOptions> options;
    std::string error;  // empty when options holds a value
};

// args: the arguments after the program name (argv + 1 .. argv + argc).
HackParseResult ParseHackOptions(std::span<const char* const> args);

// True when `name` (an argument without its dashes, "=value" allowed) is an
// option of this command line: a mode, -delay, help, version or a setting's.
bool IsHackOptionName(std::string_view name);

// Reads an X11 window id: "0x" or "0X" followed by hex digits, or decimal
// digits; nothing else around them. Zero and values beyond 32 bits give
// nothing.
std::optional<std::uint32_t> ParseWindowId(std::string_view text);

// The text of --help. program: the name to show in the synopsis.
std::string HackUsageText(std::string_view program);

}  // namespace skyweave
