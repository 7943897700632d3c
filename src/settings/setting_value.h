// One setting's value apart from SaverSettings, so that code driven by the
// settings table can read and write any row: Integer rows as their 32 bits,
// Flag rows as 1 or 0, Choice rows as the index of the choice, Text rows as
// the text.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "settings/saver_settings.h"
#include "settings/settings_table.h"

namespace skyweave {

using SettingValue = std::variant<std::int32_t, std::string>;

// The value of `row` in `settings`.
SettingValue GetSettingValue(const SaverSettings& settings, const SettingRow& row);

// Sets the value of `row` in `settings`. A value of the other alternative
// than the row's type holds (text for a number, or the reverse) is ignored.
void SetSettingValue(SaverSettings& settings, const SettingRow& row, const SettingValue& value);

}  // namespace skyweave
