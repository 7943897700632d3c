// Load and store of the "Settings" section, row by row from the settings
// table. Reads never write; the full store is one rewrite of the file in
// table order, which is also the order of the keys in a new file.
#include "settings/saver_settings.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "settings/setting_value.h"
#include "settings/settings_table.h"
#include "strings/string_table.h"

namespace skyweave {
namespace {

std::string_view Name(StringId id) {
    return LoadResourceString(id);
}

SettingValue DefaultOf(const SettingRow& row) {
    if (row.type == SettingType::Text) {
        return std::string(row.defaultText ? Name(*row.defaultText) : std::string_view{});
    }
    return row.defaultValue;
}

// The stored name of choice `index`; the default's for an index no choice has.
std::string_view ChoiceName(const SettingRow& row, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= row.choices.size()) {
        index = row.defaultValue;
    }
    return row.choices[static_cast<std::size_t>(index)];
}

SettingValue LoadRow(const ProfileSnapshot& profile, std::string_view section,
                     const SettingRow& row) {
    const std::string_view key = Name(row.key);
    switch (row.type) {
        case SettingType::Text:
            return profile.GetProfileString(section, key, std::get<std::string>(DefaultOf(row)));
        case SettingType::Choice: {
            const std::string stored =
                profile.GetProfileString(section, key, ChoiceName(row, row.defaultValue));
            const auto found = std::find(row.choices.begin(), row.choices.end(), stored);
            if (found == row.choices.end()) {
                return row.defaultValue;
            }
            return static_cast<std::int32_t>(found - row.choices.begin());
        }
        case SettingType::Flag:
        case SettingType::Integer:
            break;
    }
    std::int32_t value = profile.GetProfileInt(section, key, row.defaultValue);
    if (row.type == SettingType::Integer && row.clampOnLoad) {
        value = std::clamp(value, row.min, row.max);
    }
    return value;
}

}  // namespace

SaverSettings::SaverSettings() {
    for (const SettingRow& row : kSettingsTable) {
        SetSettingValue(*this, row, DefaultOf(row));
    }
}

SaverSettings LoadSaverSettings(const ProfileStore& profile) {
    const std::string_view section = Name(StringId::SettingsSection);
    // One read and one parse for every row: a flood of keys costs once.
    const ProfileSnapshot snapshot = profile.Read();
    SaverSettings settings;
    for (const SettingRow& row : kSettingsTable) {
        SetSettingValue(settings, row, LoadRow(snapshot, section, row));
    }
    return settings;
}

bool StoreSaverSettings(ProfileStore& profile, const SaverSettings& settings) {
    // The texts the ProfileValues point at live here until the write is done.
    std::array<SettingValue, kSettingCount> held;
    std::vector<ProfileValue> values;
    for (const SettingRow& row : kSettingsTable) {
        if (row.dialog.kind == DialogControlKind::Absent) {
            continue;
        }
        SettingValue& value = held[static_cast<std::size_t>(row.id)];
        value = GetSettingValue(settings, row);
        const std::string_view key = Name(row.key);
        if (const std::string* text = std::get_if<std::string>(&value)) {
            values.push_back({key, std::string_view(*text)});
        } else if (row.type == SettingType::Choice) {
            values.push_back({key, ChoiceName(row, std::get<std::int32_t>(value))});
        } else {
            values.push_back({key, std::get<std::int32_t>(value)});
        }
    }
    // One rewrite of the file for all values, so that an interrupted store
    // never leaves half of a dialog's changes behind.
    return profile.WriteProfileValues(Name(StringId::SettingsSection), values);
}

bool StoreFilePath(ProfileStore& profile, std::string_view path) {
    return profile.WriteProfileString(Name(StringId::SettingsSection),
                                      Name(SettingRowOf(SettingId::FilePath).key), path);
}

bool ResetSaverSettings(ProfileStore& profile) {
    return profile.WriteProfileString(Name(StringId::SettingsSection), std::nullopt, std::nullopt);
}

bool IsNoFileChosen(std::string_view path) {
    return path.empty() || path == Name(StringId::NoFileMarker);
}

}  // namespace skyweave
