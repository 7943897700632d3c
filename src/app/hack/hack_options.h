// The options of the daemon-style command line and their parser. Toolkit-free
// and free of side effects: RunHack parses once and acts on the result; the
// unit tests drive the parser directly.
//
// Grammar: options in any order, each in either dash style (-zoom or
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

namespace skyweave {

// Where the saver shows itself.
enum class HackMode {
    OwnWindow,  // --window, or no mode option: an ordinary 1280 x 720 window
    Root,       // --root: $XSCREENSAVER_WINDOW, else the virtual or real root
    WindowId,   // --window-id ID: a window some other client made
};

// The option ranges, the same as the options dialog's sliders allow.
inline constexpr int kHackZoomMin = 30;  // degrees of horizontal view
inline constexpr int kHackZoomMax = 130;
inline constexpr int kHackHeadingMin = -300;  // tenths of a degree per frame
inline constexpr int kHackHeadingMax = 300;
inline constexpr int kHackPitchMin = 0;  // tenths of a degree per frame
inline constexpr int kHackPitchMax = 300;
inline constexpr int kHackRollMin = 0;  // tenths of a degree per frame
inline constexpr int kHackRollMax = 300;
inline constexpr int kHackSizeMin = 20;  // percent of the window
inline constexpr int kHackSizeMax = 100;

// Settings for this run only; an empty field leaves the stored value alone.
struct HackSettingsOverrides {
    std::optional<std::string> file_path;  // --file PATH
    std::optional<int> zoom;               // --zoom N, degrees
    std::optional<int> heading;            // --heading N, tenths of a degree per frame
    std::optional<int> pitch;              // --pitch N, tenths of a degree per frame
    std::optional<int> roll;               // --roll N, tenths of a degree per frame
    std::optional<int> size;               // --size N, percent
    std::optional<bool> moving;            // --moving / --no-moving
    std::optional<bool> heading_random;    // --heading-random / --no-heading-random
    std::optional<bool> pitch_random;      // --pitch-random / --no-pitch-random
    std::optional<bool> roll_random;       // --roll-random / --no-roll-random

    bool Empty() const;
};

struct HackOptions {
    HackMode mode = HackMode::OwnWindow;
    // The X11 window id of --window-id; 0 in the other modes.
    std::uint32_t window_id = 0;
    bool help = false;     // --help or -h: print the usage and end
    bool version = false;  // --version: print the version and end
    HackSettingsOverrides overrides;
};

// The outcome of a parse: the options, or the one-line reason it failed.
struct HackParseResult {
    std::optional<HackOptions> options;
    std::string error;  // empty when options holds a value
};

// args: the arguments after the program name (argv + 1 .. argv + argc).
HackParseResult ParseHackOptions(std::span<const char* const> args);

// Reads an X11 window id: "0x" or "0X" followed by hex digits, or decimal
// digits; nothing else around them. Zero and values beyond 32 bits give
// nothing.
std::optional<std::uint32_t> ParseWindowId(std::string_view text);

// The text of --help. program: the name to show in the synopsis.
std::string HackUsageText(std::string_view program);

}  // namespace skyweave
