// Settings given for one run (the daemon-style command line): a value for
// some rows of the settings table, laid over the stored settings and never
// stored. Also the reading of an option's text into a row's value.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "settings/saver_settings.h"
#include "settings/setting_value.h"
#include "settings/settings_table.h"

namespace skyweave {

class SettingOverrides {
  public:
    // Gives `id` the value for this run (the last one given counts).
    void Set(SettingId id, SettingValue value);
    // Drops the value of `id`, so that the stored one applies again.
    void Clear(SettingId id);
    const std::optional<SettingValue>& Get(SettingId id) const;
    bool Empty() const;
    // Replaces exactly the values of `settings` that were given.
    void ApplyTo(SaverSettings& settings) const;

  private:
    std::array<std::optional<SettingValue>, kSettingCount> values_;
};

// The outcome of reading an option's text: the value, or why it is not one
// (a phrase that follows the quoted text: "is not a whole number from 0 to
// 300").
struct SettingTextResult {
    std::optional<SettingValue> value;
    std::string error;
};

// Reads `text` as a value of `row`: Integer rows take a whole decimal number
// with an optional sign within [min, max]; Choice rows one of their names,
// exactly; Text rows any text. Flag rows take no text (their option names
// the value) and always fail here.
SettingTextResult ParseSettingText(const SettingRow& row, std::string_view text);

}  // namespace skyweave
