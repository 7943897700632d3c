// The daemon-style command line: which command lines belong to it, the modes
// and their precedence, every option's range at both ends, and the exact
// messages for bad input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/hack/hack_command_line.h"
#include "app/hack/hack_options.h"

namespace skyweave {
namespace {

HackOptions ParseOk(std::vector<const char*> args) {
    HackParseResult result = ParseHackOptions(args);
    EXPECT_TRUE(result.options.has_value()) << result.error;
    EXPECT_EQ(result.error, "");
    return result.options.value_or(HackOptions{});
}

std::string ParseError(std::vector<const char*> args) {
    HackParseResult result = ParseHackOptions(args);
    EXPECT_FALSE(result.options.has_value());
    return result.error;
}

bool IsHack(std::vector<const char*> args) {
    args.insert(args.begin(), "skyweave");
    return IsHackCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(HackCommandLine, ClaimsOnlyWhatTheWindowsModesLeaveUnused) {
    EXPECT_TRUE(IsHack({"--root"}));
    EXPECT_TRUE(IsHack({"--window-id", "0x20"}));
    EXPECT_TRUE(IsHack({"--zoom", "40", "-root"}));
    EXPECT_TRUE(IsHack({"--"}));
    EXPECT_TRUE(IsHack({"-root"}));
    EXPECT_TRUE(IsHack({"-window"}));
    EXPECT_TRUE(IsHack({"-window-id", "7"}));
    // The Windows switches and anything merely resembling the hack modes.
    EXPECT_FALSE(IsHack({}));
    EXPECT_FALSE(IsHack({"/s"}));
    EXPECT_FALSE(IsHack({"-S"}));
    EXPECT_FALSE(IsHack({"/c", "--root"}));
    EXPECT_FALSE(IsHack({"-rootx"}));
    EXPECT_FALSE(IsHack({"-Root"}));
    EXPECT_FALSE(IsHack({"-windowid"}));
    EXPECT_FALSE(IsHack({"-zoom", "40"}));
    EXPECT_FALSE(IsHack({"-"}));
    EXPECT_FALSE(IsHack({"/reset"}));
    const char* no_args[] = {"skyweave"};
    EXPECT_FALSE(IsHackCommandLine(1, no_args));
    EXPECT_FALSE(IsHackCommandLine(0, nullptr));
}

TEST(HackOptions, ModesAndTheirPrecedence) {
    EXPECT_EQ(ParseOk({}).mode, HackMode::OwnWindow);
    EXPECT_EQ(ParseOk({"--window"}).mode, HackMode::OwnWindow);
    EXPECT_EQ(ParseOk({"--root"}).mode, HackMode::Root);
    EXPECT_EQ(ParseOk({"-root"}).mode, HackMode::Root);
    EXPECT_EQ(ParseOk({"--root", "--window"}).mode, HackMode::Root);
    EXPECT_EQ(ParseOk({"--window", "--root"}).mode, HackMode::Root);

    HackOptions id = ParseOk({"--window-id", "0x1A2b"});
    EXPECT_EQ(id.mode, HackMode::WindowId);
    EXPECT_EQ(id.window_id, 0x1a2bu);
    // A preview program appends --window-id to a command that says --root.
    id = ParseOk({"--root", "--zoom", "40", "--window-id", "4242"});
    EXPECT_EQ(id.mode, HackMode::WindowId);
    EXPECT_EQ(id.window_id, 4242u);
    id = ParseOk({"-window-id=0X10", "--root", "--window"});
    EXPECT_EQ(id.mode, HackMode::WindowId);
    EXPECT_EQ(id.window_id, 16u);
    // The last id counts.
    EXPECT_EQ(ParseOk({"--window-id", "5", "--window-id", "6"}).window_id, 6u);
    EXPECT_EQ(ParseOk({"--root"}).window_id, 0u);
}

TEST(HackOptions, WindowIdsInHexOrDecimalOnly) {
    EXPECT_EQ(ParseWindowId("0x400008"), 0x400008u);
    EXPECT_EQ(ParseWindowId("0XfFfF"), 0xffffu);
    EXPECT_EQ(ParseWindowId("4194312"), 4194312u);
    EXPECT_EQ(ParseWindowId("0x00000001"), 1u);
    EXPECT_EQ(ParseWindowId("4294967295"), 4294967295u);
    EXPECT_EQ(ParseWindowId("0xffffffff"), 4294967295u);
    for (const char* bad :
         {"", "0", "0x0", "0x", "-5", "+5", "0x-5", "0x+5", " 12", "12 ", "12abc", "0x12g",
          "4294967296", "0x100000000", "99999999999999999999999", "1e3", "0b101", "x12"}) {
        EXPECT_FALSE(ParseWindowId(bad).has_value()) << bad;
    }
    EXPECT_EQ(ParseError({"--window-id", "0"}),
              "--window-id: \"0\" is not a window id (hex 0x... or decimal, not 0)");
    EXPECT_EQ(ParseError({"-window-id", "pane"}),
              "-window-id: \"pane\" is not a window id (hex 0x... or decimal, not 0)");
    EXPECT_EQ(ParseError({"--window-id"}), "--window-id needs a value");
}

TEST(HackOptions, EveryNumberAtBothEndsOfItsRange) {
    struct Case {
        const char* name;
        const char* min;
        const char* max;
        const char* below;
        const char* above;
        int lo;
        int hi;
        std::optional<int> HackSettingsOverrides::*field;
    };
    const Case cases[] = {
        {"zoom", "30", "130", "29", "131", 30, 130, &HackSettingsOverrides::zoom},
        {"heading", "-300", "300", "-301", "301", -300, 300, &HackSettingsOverrides::heading},
        {"pitch", "0", "300", "-1", "301", 0, 300, &HackSettingsOverrides::pitch},
        {"roll", "0", "300", "-1", "301", 0, 300, &HackSettingsOverrides::roll},
        {"size", "20", "100", "19", "101", 20, 100, &HackSettingsOverrides::size},
    };
    for (const Case& c : cases) {
        const std::string two = std::string("--") + c.name;
        const std::string one = std::string("-") + c.name;
        EXPECT_EQ(ParseOk({two.c_str(), c.min}).overrides.*c.field, c.lo) << c.name;
        EXPECT_EQ(ParseOk({one.c_str(), c.max}).overrides.*c.field, c.hi) << c.name;
        const std::string eq = two + "=" + c.max;
        EXPECT_EQ(ParseOk({eq.c_str()}).overrides.*c.field, c.hi) << c.name;
        const std::string range = std::string(" is not a whole number from ") +
                                  std::to_string(c.lo) + " to " + std::to_string(c.hi);
        EXPECT_EQ(ParseError({two.c_str(), c.below}), two + ": \"" + c.below + "\"" + range);
        EXPECT_EQ(ParseError({one.c_str(), c.above}), one + ": \"" + c.above + "\"" + range);
        EXPECT_EQ(ParseError({two.c_str()}), two + " needs a value");
        // Only the one option named is set.
        HackSettingsOverrides only = ParseOk({two.c_str(), c.min}).overrides;
        only.*c.field = std::nullopt;
        EXPECT_TRUE(only.Empty()) << c.name;
    }
}

TEST(HackOptions, NumbersAreWholeDecimalsWithoutDecoration) {
    EXPECT_EQ(ParseOk({"--zoom", "+90"}).overrides.zoom, 90);
    EXPECT_EQ(ParseOk({"--pitch", "-0"}).overrides.pitch, 0);
    EXPECT_EQ(ParseOk({"--zoom", "060"}).overrides.zoom, 60);
    for (const char* bad : {"", "+", "-", "+-40", "40.5", "4e1", "0x28", " 40", "40 ", "forty",
                            "9999999999999999999999", "-9223372036854775809", "40%"}) {
        EXPECT_EQ(ParseError({"--zoom", bad}),
                  std::string("--zoom: \"") + bad + "\" is not a whole number from 30 to 130")
            << bad;
    }
    // A value is taken as it comes, even when it looks like an option.
    EXPECT_EQ(ParseError({"--size", "--root"}),
              "--size: \"--root\" is not a whole number from 20 to 100");
}

TEST(HackOptions, SwitchesFilesAndRepeats) {
    HackSettingsOverrides o = ParseOk({"--no-moving", "-heading-random", "--no-pitch-random",
                                       "-no-roll-random", "--file", "/srv/pano/a b.pan"})
                                  .overrides;
    EXPECT_EQ(o.moving, false);
    EXPECT_EQ(o.heading_random, true);
    EXPECT_EQ(o.pitch_random, false);
    EXPECT_EQ(o.roll_random, false);
    EXPECT_EQ(o.file_path, "/srv/pano/a b.pan");
    EXPECT_FALSE(o.zoom || o.heading || o.pitch || o.roll || o.size);

    o = ParseOk({"--moving", "--no-heading-random", "--pitch-random", "--roll-random"}).overrides;
    EXPECT_EQ(o.moving, true);
    EXPECT_EQ(o.heading_random, false);
    EXPECT_EQ(o.pitch_random, true);
    EXPECT_EQ(o.roll_random, true);

    // The last of a repeated option counts.
    o = ParseOk({"--moving", "--no-moving", "--zoom", "40", "--zoom=50", "--file", "a", "-file=b"})
            .overrides;
    EXPECT_EQ(o.moving, false);
    EXPECT_EQ(o.zoom, 50);
    EXPECT_EQ(o.file_path, "b");

    // Only the first "=" splits, and an empty path leaves the stored one.
    EXPECT_EQ(ParseOk({"--file=/x=y.jpg"}).overrides.file_path, "/x=y.jpg");
    EXPECT_FALSE(ParseOk({"--file", ""}).overrides.file_path.has_value());
    EXPECT_FALSE(ParseOk({"--file", "a.pan", "--file="}).overrides.file_path.has_value());
    EXPECT_TRUE(ParseOk({"--root"}).overrides.Empty());
    EXPECT_EQ(ParseError({"--file"}), "--file needs a value");
}

TEST(HackOptions, UnknownAndMalformedOptions) {
    EXPECT_EQ(ParseError({"--root", "--speed", "3"}), "unknown option \"--speed\"");
    EXPECT_EQ(ParseError({"-fps"}), "unknown option \"-fps\"");
    EXPECT_EQ(ParseError({"--"}), "unknown option \"--\"");
    EXPECT_EQ(ParseError({"-"}), "unknown option \"-\"");
    EXPECT_EQ(ParseError({"---root"}), "unknown option \"---root\"");
    EXPECT_EQ(ParseError({"--ROOT"}), "unknown option \"--ROOT\"");
    EXPECT_EQ(ParseError({"--=5"}), "unknown option \"--\"");
    EXPECT_EQ(ParseError({"--root", "courtyard.jpg"}),
              "unexpected argument \"courtyard.jpg\" (options begin with -)");
    EXPECT_EQ(ParseError({"--root", ""}), "unexpected argument \"\" (options begin with -)");
    EXPECT_EQ(ParseError({"--moving=1"}), "--moving takes no value");
    EXPECT_EQ(ParseError({"-root=yes"}), "-root takes no value");
    // A bad option after --help still fails: the line as a whole is wrong.
    EXPECT_EQ(ParseError({"--help", "--bogus"}), "unknown option \"--bogus\"");
}

TEST(HackOptions, HelpAndVersion) {
    EXPECT_TRUE(ParseOk({"--help"}).help);
    EXPECT_TRUE(ParseOk({"-h"}).help);
    EXPECT_TRUE(ParseOk({"--root", "-help"}).help);
    EXPECT_TRUE(ParseOk({"--version"}).version);
    EXPECT_FALSE(ParseOk({"--root"}).help);

    // The usage names every mode and option, in both spellings of a switch.
    const std::string usage = HackUsageText("skyweave");
    EXPECT_TRUE(usage.starts_with("Usage: skyweave [MODE] [OPTION]...\n"));
    for (const char* name : {"--root",
                             "--window-id ID",
                             "--window ",
                             "--file PATH",
                             "--zoom N",
                             "--heading N",
                             "--pitch N",
                             "--roll N",
                             "--size N",
                             "--moving",
                             "--no-moving",
                             "--heading-random",
                             "--no-heading-random",
                             "--pitch-random",
                             "--no-pitch-random",
                             "--roll-random",
                             "--no-roll-random",
                             "--help",
                             "--version",
                             "XSCREENSAVER_WINDOW",
                             "30",
                             "130",
                             "-300",
                             "20 to 100",
                             "/c",
                             "/s",
                             "/p",
                             "/a PATH",
                             "/reset"}) {
        EXPECT_NE(usage.find(name), std::string::npos) << name;
    }
    for (std::size_t start = 0; start < usage.size();) {
        const std::size_t end = usage.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 79u) << usage.substr(start, end - start);
        start = end + 1;
    }
}

}  // namespace
}  // namespace skyweave
