// Load and store of the "Settings" section. Reads follow the saver window's
// order and the full store the options dialog's, which is also the order of
// the keys in a new file.
#include "app/settings/saver_settings.h"

#include <array>

#include "strings/string_table.h"

namespace skyweave {
namespace {

std::string_view Name(StringId id) {
    return LoadResourceString(id);
}

}  // namespace

SaverSettings LoadSaverSettings(const ProfileStore& profile) {
    const std::string_view section = Name(StringId::SettingsSection);
    const SaverSettings defaults{};
    SaverSettings settings;
    settings.filePath = profile.GetProfileString(section, Name(StringId::FilePathName),
                                                 Name(StringId::NoFileMarker));
    settings.zoom = static_cast<std::uint32_t>(profile.GetProfileInt(
        section, Name(StringId::ZoomName), static_cast<std::int32_t>(defaults.zoom)));
    settings.heading =
        profile.GetProfileInt(section, Name(StringId::HeadingName), defaults.heading);
    settings.pitch = profile.GetProfileInt(section, Name(StringId::PitchName), defaults.pitch);
    settings.roll = profile.GetProfileInt(section, Name(StringId::RollName), defaults.roll);
    settings.headingRandom =
        profile.GetProfileInt(section, Name(StringId::HeadingRandomName), 1) != 0;
    settings.pitchRandom = profile.GetProfileInt(section, Name(StringId::PitchRandomName), 1) != 0;
    settings.rollRandom = profile.GetProfileInt(section, Name(StringId::RollRandomName), 1) != 0;
    settings.moving = profile.GetProfileInt(section, Name(StringId::MovingName), 1) != 0;
    settings.size = profile.GetProfileInt(section, Name(StringId::SizeName), defaults.size);
    return settings;
}

bool StoreSaverSettings(ProfileStore& profile, const SaverSettings& settings) {
    // One rewrite of the file for all ten values, so that an interrupted
    // store never leaves half of a dialog's changes behind.
    const std::array<ProfileValue, 10> values{{
        {Name(StringId::FilePathName), std::string_view(settings.filePath)},
        {Name(StringId::HeadingName), settings.heading},
        {Name(StringId::PitchName), settings.pitch},
        {Name(StringId::RollName), settings.roll},
        {Name(StringId::SizeName), settings.size},
        {Name(StringId::HeadingRandomName), std::int32_t{settings.headingRandom ? 1 : 0}},
        {Name(StringId::PitchRandomName), std::int32_t{settings.pitchRandom ? 1 : 0}},
        {Name(StringId::RollRandomName), std::int32_t{settings.rollRandom ? 1 : 0}},
        {Name(StringId::MovingName), std::int32_t{settings.moving ? 1 : 0}},
        {Name(StringId::ZoomName), static_cast<std::int32_t>(settings.zoom)},
    }};
    return profile.WriteProfileValues(Name(StringId::SettingsSection), values);
}

bool StoreFilePath(ProfileStore& profile, std::string_view path) {
    return profile.WriteProfileString(Name(StringId::SettingsSection), Name(StringId::FilePathName),
                                      path);
}

bool ResetSaverSettings(ProfileStore& profile) {
    return profile.WriteProfileString(Name(StringId::SettingsSection), std::nullopt, std::nullopt);
}

bool IsNoFileChosen(std::string_view path) {
    return path.empty() || path == Name(StringId::NoFileMarker);
}

}  // namespace skyweave
