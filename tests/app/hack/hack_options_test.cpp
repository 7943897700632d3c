// The daemon-style command line: which command lines belong to it, the modes
// and their precedence, every option's range at both ends, and the exact
// messages for bad input.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
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

// The number given for `id`, if any.
std::optional<std::int32_t> Number(const SettingOverrides& o, SettingId id) {
    const std::optional<SettingValue>& value = o.Get(id);
    if (!value) {
        return std::nullopt;
    }
    return std::get<std::int32_t>(*value);
}

std::optional<std::string> Text(const SettingOverrides& o, SettingId id) {
    const std::optional<SettingValue>& value = o.Get(id);
    if (!value) {
        return std::nullopt;
    }
    return std::get<std::string>(*value);
}

bool IsHack(std::vector<const char*> args) {
    args.insert(args.begin(), "skyweave");
    return IsHackCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(HackCommandLine, ClaimsEveryDaemonOptionAndEveryDashedNonSwitch) {
    struct Case {
        std::vector<const char*> args;
        bool hack;
    };
    const Case cases[] = {
        {{"--root"}, true},
        {{"--window-id", "0x20"}, true},
        {{"--zoom", "40", "-root"}, true},
        {{"--"}, true},
        {{"-root"}, true},
        {{"-window"}, true},
        {{"-window-id", "7"}, true},
        // One dash, as the daemon's own hacks are called.
        {{"-zoom", "40"}, true},
        {{"-zoom", "40", "-window"}, true},
        {{"-size", "40", "-window"}, true},
        {{"-pitch", "5", "-window"}, true},
        {{"-delay", "20000"}, true},
        {{"-no-moving"}, true},
        {{"-zoom=40"}, true},
        {{"-h"}, true},
        {{"/c", "--root"}, true},
        {{"/s", "-root"}, true},
        // Dashed but no switch: the daemon parser reports them.
        {{"-rootx"}, true},
        {{"-Root"}, true},
        {{"-windowid"}, true},
        {{"-"}, true},
        {{"-x"}, true},
        {{"-resets"}, true},
        // The Windows switches, dashed or not.
        {{}, false},
        {{"/s"}, false},
        {{"-S"}, false},
        {{"-screen"}, false},
        {{"-s", "5"}, false},
        {{"-c"}, false},
        {{"-c", "77"}, false},
        {{"-p", "5"}, false},
        {{"-a", "/tmp/x.pan"}, false},
        {{"-RESET"}, false},
        {{"-reset"}, false},
        {{"/reset"}, false},
        {{"xs"}, false},
        {{"/p", "5"}, false},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const char* a : c.args) {
            line += std::string(a) + " ";
        }
        EXPECT_EQ(IsHack(c.args), c.hack) << line;
    }
    const char* no_args[] = {"skyweave"};
    EXPECT_FALSE(IsHackCommandLine(1, no_args));
    EXPECT_FALSE(IsHackCommandLine(0, nullptr));
}

TEST(HackOptions, OneDashFormsAndTheDelay) {
    HackOptions one = ParseOk({"-size", "40", "-window", "-pitch", "5", "-delay", "20000"});
    EXPECT_EQ(one.mode, HackMode::OwnWindow);
    EXPECT_EQ(Number(one.overrides, SettingId::Size), 40);
    EXPECT_EQ(Number(one.overrides, SettingId::Pitch), 5);
    EXPECT_EQ(ParseOk({"-delay=0", "-root"}).mode, HackMode::Root);
    EXPECT_EQ(ParseError({"-delay", "-5"}),
              "-delay: \"-5\" is not a delay (microseconds, 0 or more)");
    EXPECT_EQ(ParseError({"--delay", "1e4"}),
              "--delay: \"1e4\" is not a delay (microseconds, 0 or more)");
    EXPECT_EQ(ParseError({"-delay"}), "-delay needs a value");
    EXPECT_EQ(ParseError({"-s", "-zoom", "40"}), "unknown option \"-s\"");
    EXPECT_EQ(ParseError({"-"}), "unknown option \"-\"");
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
        SettingId field;
    };
    const Case cases[] = {
        {"zoom", "30", "130", "29", "131", 30, 130, SettingId::Zoom},
        {"heading", "-300", "300", "-301", "301", -300, 300, SettingId::Heading},
        {"pitch", "0", "300", "-1", "301", 0, 300, SettingId::Pitch},
        {"roll", "0", "300", "-1", "301", 0, 300, SettingId::Roll},
        {"size", "20", "100", "19", "101", 20, 100, SettingId::Size},
        {"change-every", "10", "3600", "9", "3601", 10, 3600, SettingId::ChangeEvery},
        {"max-fps", "0", "1000", "-1", "1001", 0, 1000, SettingId::MaxFrameRate},
        {"threads", "0", "8", "-1", "9", 0, 8, SettingId::Threads},
    };
    for (const Case& c : cases) {
        const std::string two = std::string("--") + c.name;
        const std::string one = std::string("-") + c.name;
        EXPECT_EQ(Number(ParseOk({two.c_str(), c.min}).overrides, c.field), c.lo) << c.name;
        EXPECT_EQ(Number(ParseOk({one.c_str(), c.max}).overrides, c.field), c.hi) << c.name;
        const std::string eq = two + "=" + c.max;
        EXPECT_EQ(Number(ParseOk({eq.c_str()}).overrides, c.field), c.hi) << c.name;
        const std::string range = std::string(" is not a whole number from ") +
                                  std::to_string(c.lo) + " to " + std::to_string(c.hi);
        EXPECT_EQ(ParseError({two.c_str(), c.below}), two + ": \"" + c.below + "\"" + range);
        EXPECT_EQ(ParseError({one.c_str(), c.above}), one + ": \"" + c.above + "\"" + range);
        EXPECT_EQ(ParseError({two.c_str()}), two + " needs a value");
        // Only the one option named is set.
        SettingOverrides only = ParseOk({two.c_str(), c.min}).overrides;
        only.Clear(c.field);
        EXPECT_TRUE(only.Empty()) << c.name;
    }
}

TEST(HackOptions, NumbersAreWholeDecimalsWithoutDecoration) {
    EXPECT_EQ(Number(ParseOk({"--zoom", "+90"}).overrides, SettingId::Zoom), 90);
    EXPECT_EQ(Number(ParseOk({"--pitch", "-0"}).overrides, SettingId::Pitch), 0);
    EXPECT_EQ(Number(ParseOk({"--zoom", "060"}).overrides, SettingId::Zoom), 60);
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
    using Id = SettingId;
    struct Case {
        std::vector<const char*> args;
        std::vector<std::pair<Id, std::int32_t>> flags;
    };
    const Case cases[] = {
        {{"--no-moving", "-heading-random", "--no-pitch-random", "-no-roll-random", "--fps",
          "--no-fade"},
         {{Id::Moving, 0},
          {Id::HeadingRandom, 1},
          {Id::PitchRandom, 0},
          {Id::RollRandom, 0},
          {Id::ShowFrameRate, 1},
          {Id::Fade, 0}}},
        {{"--moving", "--no-heading-random", "--pitch-random", "--roll-random", "--no-fps",
          "-fade"},
         {{Id::Moving, 1},
          {Id::HeadingRandom, 0},
          {Id::PitchRandom, 1},
          {Id::RollRandom, 1},
          {Id::ShowFrameRate, 0},
          {Id::Fade, 1}}},
    };
    for (const Case& c : cases) {
        SettingOverrides o = ParseOk(c.args).overrides;
        for (const auto& [id, value] : c.flags) {
            EXPECT_EQ(Number(o, id), value) << static_cast<int>(id);
            o.Clear(id);
        }
        EXPECT_TRUE(o.Empty()) << "a switch set some other setting";
    }
    EXPECT_EQ(Text(ParseOk({"--file", "/srv/pano/a b.pan"}).overrides, Id::FilePath),
              "/srv/pano/a b.pan");

    // The last of a repeated option counts.
    SettingOverrides o =
        ParseOk({"--moving", "--no-moving", "--zoom", "40", "--zoom=50", "--file", "a", "-file=b"})
            .overrides;
    EXPECT_EQ(Number(o, Id::Moving), 0);
    EXPECT_EQ(Number(o, Id::Zoom), 50);
    EXPECT_EQ(Text(o, Id::FilePath), "b");

    // Only the first "=" splits, and an empty path leaves the stored one.
    EXPECT_EQ(Text(ParseOk({"--file=/x=y.jpg"}).overrides, Id::FilePath), "/x=y.jpg");
    EXPECT_FALSE(ParseOk({"--file", ""}).overrides.Get(Id::FilePath).has_value());
    EXPECT_FALSE(ParseOk({"--file", "a.pan", "--file="}).overrides.Get(Id::FilePath).has_value());
    EXPECT_TRUE(ParseOk({"--root"}).overrides.Empty());
    EXPECT_EQ(ParseError({"--file"}), "--file needs a value");
}

TEST(HackOptions, PresentTakesOneOfItsNamesExactly) {
    const std::pair<const char*, PresentMethod> accepted[] = {
        {"auto", PresentMethod::Auto},
        {"surface", PresentMethod::Surface},
        {"gl", PresentMethod::Gl},
    };
    for (const auto& [name, method] : accepted) {
        const std::string option = std::string("--present=") + name;
        EXPECT_EQ(Number(ParseOk({option.c_str()}).overrides, SettingId::Present),
                  static_cast<std::int32_t>(method))
            << name;
    }
    for (const char* bad : {"", "GL", "opengl", "gl ", "1", "surface|gl"}) {
        EXPECT_EQ(ParseError({"--present", bad}),
                  std::string("--present: \"") + bad + "\" is not auto, surface or gl")
            << bad;
    }
    EXPECT_EQ(ParseError({"-present"}), "-present needs a value");
}

TEST(HackOptions, UnknownAndMalformedOptions) {
    EXPECT_EQ(ParseError({"--root", "--speed", "3"}), "unknown option \"--speed\"");
    EXPECT_EQ(ParseError({"-fps=1"}), "-fps takes no value");
    EXPECT_EQ(ParseError({"--no-zoom"}), "unknown option \"--no-zoom\"");
    EXPECT_EQ(ParseError({"--no-file"}), "unknown option \"--no-file\"");
    EXPECT_EQ(ParseError({"--no-"}), "unknown option \"--no-\"");
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

    // Both grammars and every setting on one screen of 80 x 25, the options
    // written from the settings table.
    const std::string usage = HackUsageText("skyweave");
    EXPECT_EQ(usage, R"(Usage: skyweave [/c | /s | /p ID | /a PATH | /reset]
                [--root | --window-id ID | --window] [OPTION]...
Turning views from inside a panorama. Exit status: 1 no window, 2 bad option.
  /c       options dialog (default)  --root          the daemon's window
  /s       full screen until input   --window-id ID  inside window ID
  /p ID    preview inside window ID  --window        a 1280 x 720 window
  /a PATH  store the panorama path   --help, -h      show this text
  /reset   forget every setting      --version       show the version
Options for this run only, else the stored settings [default]:
  --file PATH            .pan, BMP, JPEG, PNG, WebP, HEIC, AVIF file or folder
  --heading N            turning speed, -300..300 tenths of a degree/frame [15]
  --pitch N              pitching speed, 0..300 tenths of a degree/frame [2]
  --roll N               rolling speed, 0..300 tenths of a degree/frame [0]
  --size N               view size, 20..100 percent of the window [20]
  --[no-]heading-random  redraw the turning speed at random every 5 s [on]
  --[no-]pitch-random    redraw the pitching speed at random every 5 s [on]
  --[no-]roll-random     redraw the rolling speed at random every 5 s [on]
  --[no-]moving          let the view drift across the window [on]
  --zoom N               field of view, 30..130 degrees [60]
  --change-every SECONDS  time per panorama of a folder, 10..3600 seconds [120]
  --[no-]fade            cross-fade between the panoramas of a folder [on]
  --max-fps N            frame cap without a refresh rate, 0..1000; 0 none [60]
  --threads N            rendering threads, 0..8; 0 one per core [0]
  --[no-]fps             show the frame rate and the processor load [off]
  --present auto|surface|gl  how frames reach the screen [auto]
  --projection rectilinear|stereographic|fisheye|pannini  how the view is drawn
                         [rectilinear]
  --[no-]smooth          draw moving frames with the still filter [off]
)");
    for (std::size_t start = 0; start < usage.size();) {
        const std::size_t end = usage.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 79u) << usage.substr(start, end - start);
        start = end + 1;
    }
}

}  // namespace
}  // namespace skyweave
