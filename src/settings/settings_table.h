// The settings table: every setting of the saver declared once, with its key
// in the settings file, type, default, range, command-line option, control
// in the options dialog and help text. The settings file's load and store,
// the dialog's controls and bounds, the daemon-style command line and its
// --help are all driven by it; tests hold the XScreenSaver description and
// the manual page against it. Constant data and small look-ups only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "settings/saver_settings.h"
#include "strings/string_table.h"

namespace skyweave {

// One per row, in table order; the number is the row's index.
enum class SettingId : std::size_t {
    FilePath,
    Heading,
    Pitch,
    Roll,
    Size,
    HeadingRandom,
    PitchRandom,
    RollRandom,
    Moving,
    Zoom,
    ChangeEvery,
    Fade,
    MaxFrameRate,
    Threads,
    ShowFrameRate,
    Present,
    Projection,
    SmoothMotion,
};
inline constexpr std::size_t kSettingCount = 18;

enum class SettingType {
    Text,     // a string, stored as a string
    Integer,  // a 32-bit number within [min, max], stored as a number
    Flag,     // on or off, stored as 1 or 0
    Choice,   // one of `choices`, stored as its name
};

// The field of SaverSettings a row reads and writes.
using SettingField = std::variant<std::string SaverSettings::*, std::int32_t SaverSettings::*,
                                  std::uint32_t SaverSettings::*, bool SaverSettings::*,
                                  PresentMethod SaverSettings::*, Projection SaverSettings::*>;

enum class DialogControlKind { Absent, EditBox, Slider, SpinBox, CheckBox };

// How a slider's position follows from the stored value (and back).
enum class SliderScale {
    Same,      // position = value
    Negated,   // position = -value (saturating at the 32-bit ends)
    Mirrored,  // position = min + max - value (32-bit arithmetic that wraps)
};

struct DialogControl {
    DialogControlKind kind = DialogControlKind::Absent;
    // The control's id in the options dialog's template.
    int id = 0;
    SliderScale scale = SliderScale::Same;
    // Sliders: a tick mark every this many positions.
    int tickFrequency = 0;
};

struct SettingRow {
    SettingId id;
    // The value's name in the section "Settings".
    StringId key;
    SettingType type;
    SettingField field;
    // Integer: the value; Flag: 1 on, 0 off; Choice: the index into choices.
    std::int32_t defaultValue = 0;
    // Text: the default text.
    std::optional<StringId> defaultText;
    // Integer: the range the dialog writes and the command line accepts.
    std::int32_t min = 0;
    std::int32_t max = 0;
    // A stored value outside [min, max] is brought into it when loaded. Off
    // for the first ten settings, whose stored values are used as they are.
    bool clampOnLoad = false;
    // The command-line option without its dashes (--zoom N); a Flag also
    // takes the option with "no-" in front to switch it off.
    std::string_view option;
    // The value's placeholder in the usage text; Choice rows list choices.
    std::string_view valueName;
    // Choice: the names, index = the value.
    std::span<const std::string_view> choices;
    DialogControl dialog;
    // For --help's one line: what the setting does, its unit (Integer) and a
    // remark; the manual page says it at length.
    std::string_view help;
    std::string_view unit;
    std::string_view note;

    // Builders for the table below, each returning the row with its part set.
    constexpr SettingRow Text(StringId text) const {
        SettingRow row = *this;
        row.type = SettingType::Text;
        row.defaultText = text;
        return row;
    }
    constexpr SettingRow Integer(std::int32_t value, std::int32_t lowest,
                                 std::int32_t highest) const {
        SettingRow row = *this;
        row.type = SettingType::Integer;
        row.defaultValue = value;
        row.min = lowest;
        row.max = highest;
        return row;
    }
    constexpr SettingRow Flag(bool on) const {
        SettingRow row = *this;
        row.type = SettingType::Flag;
        row.defaultValue = on ? 1 : 0;
        return row;
    }
    constexpr SettingRow Choice(std::span<const std::string_view> names, std::int32_t index) const {
        SettingRow row = *this;
        row.type = SettingType::Choice;
        row.choices = names;
        row.defaultValue = index;
        return row;
    }
    constexpr SettingRow ClampedOnLoad() const {
        SettingRow row = *this;
        row.clampOnLoad = true;
        return row;
    }
    constexpr SettingRow Option(std::string_view name, std::string_view value = {}) const {
        SettingRow row = *this;
        row.option = name;
        row.valueName = value;
        return row;
    }
    constexpr SettingRow Control(DialogControl control) const {
        SettingRow row = *this;
        row.dialog = control;
        return row;
    }
    constexpr SettingRow Help(std::string_view what, std::string_view inUnit = {},
                              std::string_view remark = {}) const {
        SettingRow row = *this;
        row.help = what;
        row.unit = inUnit;
        row.note = remark;
        return row;
    }
};

// A row of `id` with its key and field, to be completed by the builders.
constexpr SettingRow Row(SettingId id, StringId key, SettingField field) {
    SettingRow row{};
    row.id = id;
    row.key = key;
    row.field = field;
    return row;
}

inline constexpr std::array<std::string_view, 3> kPresentChoices{"auto", "surface", "gl"};

namespace settings_table_detail {
using D = DialogControlKind;
using S = SliderScale;
using Id = SettingId;
using Sv = SaverSettings;
inline constexpr std::string_view kTenths = "tenths of a degree/frame";
}  // namespace settings_table_detail

// Rows in the order of the keys in a new settings file.
inline constexpr std::array<SettingRow, kSettingCount> kSettingsTable = [] {
    using namespace settings_table_detail;
    return std::array<SettingRow, kSettingCount>{
        Row(Id::FilePath, StringId::FilePathName, &Sv::filePath)
            .Text(StringId::NoFileMarker)
            .Option("file", "PATH")
            .Control({D::EditBox, 1003})
            .Help(".pan, BMP, JPEG, PNG, WebP, HEIC, AVIF file or folder"),
        Row(Id::Heading, StringId::HeadingName, &Sv::heading)
            .Integer(15, -300, 300)
            .Option("heading", "N")
            .Control({D::Slider, 1001, S::Negated, 60})
            .Help("turning speed", kTenths),
        Row(Id::Pitch, StringId::PitchName, &Sv::pitch)
            .Integer(2, 0, 300)
            .Option("pitch", "N")
            .Control({D::Slider, 1002, S::Same, 30})
            .Help("pitching speed", kTenths),
        Row(Id::Roll, StringId::RollName, &Sv::roll)
            .Integer(0, 0, 300)
            .Option("roll", "N")
            .Control({D::Slider, 1007, S::Same, 30})
            .Help("rolling speed", kTenths),
        Row(Id::Size, StringId::SizeName, &Sv::size)
            .Integer(20, 20, 100)
            .Option("size", "N")
            .Control({D::Slider, 1000, S::Same, 8})
            .Help("view size", "percent of the window"),
        Row(Id::HeadingRandom, StringId::HeadingRandomName, &Sv::headingRandom)
            .Flag(true)
            .Option("heading-random")
            .Control({D::CheckBox, 1012})
            .Help("redraw the turning speed at random every 5 s"),
        Row(Id::PitchRandom, StringId::PitchRandomName, &Sv::pitchRandom)
            .Flag(true)
            .Option("pitch-random")
            .Control({D::CheckBox, 1013})
            .Help("redraw the pitching speed at random every 5 s"),
        Row(Id::RollRandom, StringId::RollRandomName, &Sv::rollRandom)
            .Flag(true)
            .Option("roll-random")
            .Control({D::CheckBox, 1014})
            .Help("redraw the rolling speed at random every 5 s"),
        Row(Id::Moving, StringId::MovingName, &Sv::moving)
            .Flag(true)
            .Option("moving")
            .Control({D::CheckBox, 1011})
            .Help("let the view drift across the window"),
        Row(Id::Zoom, StringId::ZoomName, &Sv::zoom)
            .Integer(60, 30, 130)
            .Option("zoom", "N")
            .Control({D::Slider, 1009, S::Mirrored, 10})
            .Help("field of view", "degrees"),
        Row(Id::ChangeEvery, StringId::ChangeEveryName, &Sv::changeEvery)
            .Integer(120, 10, 3600)
            .ClampedOnLoad()
            .Option("change-every", "SECONDS")
            .Control({D::SpinBox, 1018})
            .Help("time per panorama of a folder", "seconds"),
        Row(Id::Fade, StringId::FadeName, &Sv::fade)
            .Flag(true)
            .Option("fade")
            .Control({D::CheckBox, 1019})
            .Help("cross-fade between the panoramas of a folder"),
        Row(Id::MaxFrameRate, StringId::MaxFrameRateName, &Sv::maxFrameRate)
            .Integer(60, 0, 1000)
            .ClampedOnLoad()
            .Option("max-fps", "N")
            .Help("frame cap without a refresh rate", {}, "0 none"),
        Row(Id::Threads, StringId::ThreadsName, &Sv::threads)
            .Integer(0, 0, 8)
            .ClampedOnLoad()
            .Option("threads", "N")
            .Help("rendering threads", {}, "0 one per core"),
        Row(Id::ShowFrameRate, StringId::ShowFrameRateName, &Sv::showFrameRate)
            .Flag(false)
            .Option("fps")
            .Help("show the frame rate and the processor load"),
        Row(Id::Present, StringId::PresentName, &Sv::present)
            .Choice(kPresentChoices, static_cast<std::int32_t>(PresentMethod::Auto))
            .Option("present")
            .Help("how frames reach the screen"),
        Row(Id::Projection, StringId::ProjectionName, &Sv::projection)
            .Choice(kProjectionNames, static_cast<std::int32_t>(Projection::Rectilinear))
            .Option("projection")
            .Help("how the view is drawn"),
        Row(Id::SmoothMotion, StringId::SmoothMotionName, &Sv::smoothMotion)
            .Flag(false)
            .Option("smooth")
            .Help("draw moving frames with the still filter"),
    };
}();

static_assert(
    [] {
        for (std::size_t i = 0; i < kSettingsTable.size(); ++i) {
            if (static_cast<std::size_t>(kSettingsTable[i].id) != i) {
                return false;
            }
        }
        return true;
    }(),
    "every row stands at the index of its id");

// The row of `id`.
constexpr const SettingRow& SettingRowOf(SettingId id) {
    return kSettingsTable[static_cast<std::size_t>(id)];
}

// The row whose command-line option is `name` (without dashes), and whether
// it was the "no-" form of a Flag; nullopt when no row has that option.
struct SettingOptionMatch {
    const SettingRow* row;
    bool negated;
};
std::optional<SettingOptionMatch> FindSettingOption(std::string_view name);

// The dialog's slider position for the stored 32 bits of an Integer row, and
// the stored 32 bits for a position (the two conversions of SliderScale).
std::int32_t SliderPositionFromValue(const SettingRow& row, std::uint32_t value);
std::uint32_t ValueFromSliderPosition(const SettingRow& row, std::int32_t position);

// The slider's range of positions: [min, max] run through the scale.
struct SliderRange {
    std::int32_t minimum;
    std::int32_t maximum;
};
SliderRange SliderRangeOf(const SettingRow& row);

}  // namespace skyweave
