// Values for one run, and the reading of option texts.
#include "settings/setting_overrides.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <system_error>
#include <utility>

namespace skyweave {
namespace {

std::size_t Index(SettingId id) {
    return static_cast<std::size_t>(id);
}

// A whole decimal number with an optional sign and nothing else; the range
// check happens in 64 bits so that huge inputs cannot wrap into range.
std::optional<std::int32_t> ParseNumber(std::string_view text, std::int32_t min, std::int32_t max) {
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
    return static_cast<std::int32_t>(value);
}

}  // namespace

void SettingOverrides::Set(SettingId id, SettingValue value) {
    values_[Index(id)] = std::move(value);
}

void SettingOverrides::Clear(SettingId id) {
    values_[Index(id)].reset();
}

const std::optional<SettingValue>& SettingOverrides::Get(SettingId id) const {
    return values_[Index(id)];
}

bool SettingOverrides::Empty() const {
    return std::none_of(values_.begin(), values_.end(),
                        [](const std::optional<SettingValue>& v) { return v.has_value(); });
}

void SettingOverrides::ApplyTo(SaverSettings& settings) const {
    for (const SettingRow& row : kSettingsTable) {
        if (const std::optional<SettingValue>& value = values_[Index(row.id)]) {
            SetSettingValue(settings, row, *value);
        }
    }
}

SettingTextResult ParseSettingText(const SettingRow& row, std::string_view text) {
    switch (row.type) {
        case SettingType::Text:
            return {std::string(text), {}};
        case SettingType::Integer:
            if (const auto number = ParseNumber(text, row.min, row.max)) {
                return {*number, {}};
            }
            return {std::nullopt, "is not a whole number from " + std::to_string(row.min) + " to " +
                                      std::to_string(row.max)};
        case SettingType::Choice: {
            std::string names;
            for (std::size_t i = 0; i < row.choices.size(); ++i) {
                if (row.choices[i] == text) {
                    return {static_cast<std::int32_t>(i), {}};
                }
                names += i == 0 ? "" : i + 1 == row.choices.size() ? " or " : ", ";
                names += row.choices[i];
            }
            return {std::nullopt, "is not " + names};
        }
        case SettingType::Flag:
            break;
    }
    return {std::nullopt, "is not a value of an on-or-off option"};
}

}  // namespace skyweave
