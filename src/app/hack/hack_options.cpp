// Parser of the daemon-style command line; see hack_options.h for the
// grammar. Every message names the option as the user wrote it.
#include "app/hack/hack_options.h"

#include <charconv>
#include <cstdint>
#include <system_error>
#include <utility>

#include "settings/settings_usage.h"

namespace skyweave {

namespace {

// The options of the command line itself; every other option is a
// setting's, from the settings table.
enum class OptionKind { Mode, WindowId, Delay, Help, Version };

struct OptionSpec {
    std::string_view name;  // without its dashes
    OptionKind kind;
    HackMode mode = HackMode::OwnWindow;  // Mode: the mode it selects
};

constexpr OptionSpec kOptions[] = {
    {"root", OptionKind::Mode, HackMode::Root},
    {"window", OptionKind::Mode, HackMode::OwnWindow},
    {"window-id", OptionKind::WindowId},
    // Every hack of the daemon takes a frame delay; frames here follow the
    // display's refresh and --max-fps, so the value is checked and let be.
    {"delay", OptionKind::Delay},
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

bool IsHackOptionName(std::string_view name) {
    name = name.substr(0, name.find('='));
    return !name.empty() && (FindOption(name) != nullptr || FindSettingOption(name).has_value());
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

        if (name.empty()) {
            return Fail("unknown option " + Quoted(option_text));
        }
        const OptionSpec* entry = FindOption(name);
        const std::optional<SettingOptionMatch> setting =
            entry == nullptr ? FindSettingOption(name) : std::nullopt;
        if (entry == nullptr && !setting) {
            return Fail("unknown option " + Quoted(option_text));
        }

        const bool takes_value = entry != nullptr ? entry->kind == OptionKind::WindowId ||
                                                        entry->kind == OptionKind::Delay
                                                  : setting->row->type != SettingType::Flag;
        std::string_view value;
        if (takes_value) {
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

        if (setting) {
            const SettingRow& row = *setting->row;
            if (row.type == SettingType::Flag) {
                options.overrides.Set(row.id, std::int32_t{setting->negated ? 0 : 1});
            } else if (row.type == SettingType::Text && value.empty()) {
                // An empty text is what a settings program sends when nothing
                // was picked: the stored value then applies.
                options.overrides.Clear(row.id);
            } else {
                SettingTextResult parsed = ParseSettingText(row, value);
                if (!parsed.value) {
                    return Fail(option_text + ": " + Quoted(value) + " " + parsed.error);
                }
                options.overrides.Set(row.id, std::move(*parsed.value));
            }
            continue;
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
            case OptionKind::Delay: {
                std::uint32_t microseconds = 0;
                const char* end = value.data() + value.size();
                const auto [ptr, ec] = std::from_chars(value.data(), end, microseconds);
                if (value.empty() || ec != std::errc() || ptr != end) {
                    return Fail(option_text + ": " + Quoted(value) +
                                " is not a delay (microseconds, 0 or more)");
                }
                break;
            }
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
    // Both grammars on one 80 x 25 screen: the Windows-style switches beside
    // the daemon's modes, then one line per setting; the manual page tells
    // the rest.
    const std::string p(program);
    const std::string indent(p.size() + 8, ' ');
    return "Usage: " + p + " [/c | /s | /p ID | /a PATH | /reset]\n" + indent +
           "[--root | --window-id ID | --window] [OPTION]...\n" +
           "Turning views from inside a panorama. Exit status: 1 no window, 2 bad option.\n"
           "  /c       options dialog (default)  --root          the daemon's window\n"
           "  /s       full screen until input   --window-id ID  inside window ID\n"
           "  /p ID    preview inside window ID  --window        a 1280 x 720 window\n"
           "  /a PATH  store the panorama path   --help, -h      show this text\n"
           "  /reset   forget every setting      --version       show the version\n"
           "Options for this run only, else the stored settings [default]:\n" +
           SettingOptionsUsage();
}

}  // namespace skyweave
