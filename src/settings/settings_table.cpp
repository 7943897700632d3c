// Look-ups over the settings table and the dialog's slider conversions.
#include "settings/settings_table.h"

#include <limits>

namespace skyweave {
namespace {

// -value, saturating: the most negative 32-bit value has no positive
// counterpart, and wrapping would flip the direction of a speed.
std::int32_t NegateSaturating(std::int32_t value) {
    return value == std::numeric_limits<std::int32_t>::min()
               ? std::numeric_limits<std::int32_t>::max()
               : -value;
}

}  // namespace

std::optional<SettingOptionMatch> FindSettingOption(std::string_view name) {
    for (const SettingRow& row : kSettingsTable) {
        if (name == row.option) {
            return SettingOptionMatch{&row, false};
        }
        if (row.type == SettingType::Flag && name.starts_with("no-") &&
            name.substr(3) == row.option) {
            return SettingOptionMatch{&row, true};
        }
    }
    return std::nullopt;
}

std::int32_t SliderPositionFromValue(const SettingRow& row, std::uint32_t value) {
    switch (row.dialog.scale) {
        case SliderScale::Negated:
            return NegateSaturating(static_cast<std::int32_t>(value));
        case SliderScale::Mirrored:
            // Wraps, as the stored 32 bits always did; only hand-edited
            // values beyond 2^31 can.
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(row.min + row.max) - value);
        case SliderScale::Same:
            break;
    }
    return static_cast<std::int32_t>(value);
}

std::uint32_t ValueFromSliderPosition(const SettingRow& row, std::int32_t position) {
    switch (row.dialog.scale) {
        case SliderScale::Negated:
            return static_cast<std::uint32_t>(NegateSaturating(position));
        case SliderScale::Mirrored:
            return static_cast<std::uint32_t>(row.min + row.max) -
                   static_cast<std::uint32_t>(position);
        case SliderScale::Same:
            break;
    }
    return static_cast<std::uint32_t>(position);
}

SliderRange SliderRangeOf(const SettingRow& row) {
    if (row.dialog.scale == SliderScale::Negated) {
        return {-row.max, -row.min};
    }
    return {row.min, row.max};
}

}  // namespace skyweave
