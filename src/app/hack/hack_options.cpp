// Parser of the daemon-style command line; see hack_options.h for the
// grammar. Every message names the option as the user wrote it.
#include "app/hack/hack_options.h"

#include <charconv>
#include <cstdint>
#include <system_error>

namespace skyweave {

namespace {

// What one option name stands for, without its dashes.
enum class OptionKind { Mode, WindowId, File, Number, Flag, Help, Version };

struct OptionSpec {
    std::string_view name;
    OptionKind kind;
    // Mode: the mode it selects. Number: the field and its range. Flag: the
    // field and the value it sets.
    HackMode mode = HackMode::OwnWindow;
    std::optional<int> HackSettingsOverrides::*number = nullptr;
    int min = 0;
    int max = 0;
    std::optional<bool> HackSettingsOverrides::*flag = nullptr;
    bool flag_value = false;
};

using O = HackSettingsOverrides;

constexpr OptionSpec kOptions[] = {
    {"root", OptionKind::Mode, HackMode::Root},
    {"window", OptionKind::Mode, HackMode::OwnWindow},
    {"window-id", OptionKind::WindowId},
    {"file", OptionKind::File},
    {"zoom", OptionKind::Number, {}, &O::zoom, kHackZoomMin, kHackZoomMax},
    {"heading", OptionKind::Number, {}, &O::heading, kHackHeadingMin, kHackHeadingMax},
    {"pitch", OptionKind::Number, {}, &O::pitch, kHackPitchMin, kHackPitchMax},
    {"roll", OptionKind::Number, {}, &O::roll, kHackRollMin, kHackRollMax},
    {"size", OptionKind::Number, {}, &O::size, kHackSizeMin, kHackSizeMax},
    {"moving", OptionKind::Flag, {}, nullptr, 0, 0, &O::moving, true},
    {"no-moving", OptionKind::Flag, {}, nullptr, 0, 0, &O::moving, false},
    {"heading-random", OptionKind::Flag, {}, nullptr, 0, 0, &O::heading_random, true},
    {"no-heading-random", OptionKind::Flag, {}, nullptr, 0, 0, &O::heading_random, false},
    {"pitch-random", OptionKind::Flag, {}, nullptr, 0, 0, &O::pitch_random, true},
    {"no-pitch-random", OptionKind::Flag, {}, nullptr, 0, 0, &O::pitch_random, false},
    {"roll-random", OptionKind::Flag, {}, nullptr, 0, 0, &O::roll_random, true},
    {"no-roll-random", OptionKind::Flag, {}, nullptr, 0, 0, &O::roll_random, false},
    {"help", OptionKind::Help},
    {"h", OptionKind::Help},
    {"version", OptionKind::Version},
};

const OptionSpec* FindOption(std::string_view name) {
    for (const OptionSpec& entry : kOptions) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

bool TakesValue(OptionKind kind) {
    return kind == OptionKind::WindowId || kind == OptionKind::File || kind == OptionKind::Number;
}

// A whole decimal number with an optional sign and nothing else; the range
// check happens in 64 bits so that huge inputs cannot wrap into range.
std::optional<int> ParseNumber(std::string_view text, int min, int max) {
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) {
            return std::nullopt;
        }
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
    if (ec != std::errc() || ptr != end || value < min || value > max) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::string Quoted(std::string_view text) {
    // Built by appending: g++ 12 warns falsely (-Wrestrict) on "literal" + std::string.
    std::string quoted(1, '"');
    quoted += text;
    quoted += '"';
    return quoted;
}

HackParseResult Fail(std::string message) {
    return {std::nullopt, std::move(message)};
}

}  // namespace

bool HackSettingsOverrides::Empty() const {
    return !file_path && !zoom && !heading && !pitch && !roll && !size && !moving &&
           !heading_random && !pitch_random && !roll_random;
}

std::optional<std::uint32_t> ParseWindowId(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    // from_chars accepts a sign; an id never has one.
    if (text.empty() || text.front() == '-' || text.front() == '+') {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (ec != std::errc() || ptr != end || value == 0 || value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

HackParseResult ParseHackOptions(std::span<const char* const> args) {
    HackOptions options;
    bool saw_root = false;
    bool saw_window_id = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view written = args[i] != nullptr ? args[i] : "";
        std::string_view name = written;
        if (name.starts_with("--")) {
            name.remove_prefix(2);
        } else if (name.starts_with('-')) {
            name.remove_prefix(1);
        } else {
            return Fail("unexpected argument " + Quoted(written) + " (options begin with -)");
        }

        std::optional<std::string_view> inline_value;
        if (const std::size_t eq = name.find('='); eq != std::string_view::npos) {
            inline_value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        // The option as the user wrote it, dashes included, for messages.
        const std::string option_text(written.substr(0, written.find('=')));

        const OptionSpec* entry = FindOption(name);
        if (entry == nullptr || name.empty()) {
            return Fail("unknown option " + Quoted(option_text));
        }

        std::string_view value;
        if (TakesValue(entry->kind)) {
            if (inline_value) {
                value = *inline_value;
            } else if (i + 1 < args.size() && args[i + 1] != nullptr) {
                value = args[++i];
            } else {
                return Fail(option_text + " needs a value");
            }
        } else if (inline_value) {
            return Fail(option_text + " takes no value");
        }

        switch (entry->kind) {
            case OptionKind::Mode:
                if (entry->mode == HackMode::Root) {
                    saw_root = true;
                }
                break;
            case OptionKind::WindowId: {
                const auto id = ParseWindowId(value);
                if (!id) {
                    return Fail(option_text + ": " + Quoted(value) +
                                " is not a window id (hex 0x... or decimal, not 0)");
                }
                saw_window_id = true;
                options.window_id = *id;
                break;
            }
            case OptionKind::File:
                // An empty path is what a settings program sends when no file
                // was picked: the stored path then applies.
                if (value.empty()) {
                    options.overrides.file_path.reset();
                } else {
                    options.overrides.file_path = std::string(value);
                }
                break;
            case OptionKind::Number: {
                const auto number = ParseNumber(value, entry->min, entry->max);
                if (!number) {
                    return Fail(option_text + ": " + Quoted(value) +
                                " is not a whole number from " + std::to_string(entry->min) +
                                " to " + std::to_string(entry->max));
                }
                options.overrides.*(entry->number) = *number;
                break;
            }
            case OptionKind::Flag:
                options.overrides.*(entry->flag) = entry->flag_value;
                break;
            case OptionKind::Help:
                options.help = true;
                break;
            case OptionKind::Version:
                options.version = true;
                break;
        }
    }

    if (saw_window_id) {
        options.mode = HackMode::WindowId;
    } else if (saw_root) {
        options.mode = HackMode::Root;
    } else {
        options.mode = HackMode::OwnWindow;
        options.window_id = 0;
    }
    return {std::move(options), {}};
}

std::string HackUsageText(std::string_view program) {
    const std::string p(program);
    return "Usage: " + p + " [MODE] [OPTION]...\n" +
           "Shows moving views from inside a panorama (.pan, BMP or JPEG).\n"
           "\n"
           "Modes (one; with none, --window):\n"
           "  --root              draw into $XSCREENSAVER_WINDOW, else the virtual\n"
           "                      root or the root window; ends on SIGTERM or SIGINT\n"
           "  --window-id ID      draw into the window ID (hex 0x... or decimal)\n"
           "  --window            an ordinary 1280 x 720 window; a key ends it\n"
           "\n"
           "Options for this run only (nothing is stored; without them the\n"
           "settings of the options dialog apply):\n"
           "  --file PATH         panorama to show (.pan, .bmp, .jpg)\n"
           "  --zoom N            field of view, 30 (narrower) to 130 (wider) degrees\n"
           "  --heading N         turning speed, -300 to 300 tenths of a degree per\n"
           "                      frame (300 is the dialog's Full Left, -300 Full Right)\n"
           "  --pitch N           pitching speed, 0 to 300 tenths of a degree per frame\n"
           "  --roll N            rolling speed, 0 to 300 tenths of a degree per frame\n"
           "  --size N            view size, 20 to 100 percent of the window\n"
           "  --moving, --no-moving\n"
           "                      let the view drift across the window, or hold it\n"
           "  --heading-random, --no-heading-random\n"
           "  --pitch-random, --no-pitch-random\n"
           "  --roll-random, --no-roll-random\n"
           "                      draw that speed at random every 5 seconds, bounded\n"
           "                      by its magnitude, or keep it fixed\n"
           "  --help, -h          show this text and end\n"
           "  --version           show the version and end\n"
           "\n"
           "Every option may be written with one dash or two, and a value may\n"
           "follow after \"=\" (--zoom=90).\n"
           "\n"
           "Windows-style run modes: " +
           p +
           " /c (options dialog), /s (full screen), /p ID\n"
           "(preview in window ID), /a PATH (store the panorama path), /reset.\n"
           "\n"
           "Exit status: 0 done, 1 the window could not be made, 2 a bad option.\n";
}

}  // namespace skyweave
