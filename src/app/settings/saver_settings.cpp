// Load and store of the "Settings" section. The orders of reads and writes
// follow the two callers (saver window, options dialog) so that a file
// written half-way by an interrupted dialog store holds the same prefix of
// values it always did.
#include "app/settings/saver_settings.h"

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
    const std::string_view section = Name(StringId::SettingsSection);
    bool ok = true;
    auto writeInt = [&](StringId name, std::int32_t value) {
        ok = profile.WriteProfileInt(section, Name(name), value) && ok;
    };
    ok = profile.WriteProfileString(section, Name(StringId::FilePathName), settings.filePath) && ok;
    writeInt(StringId::HeadingName, settings.heading);
    writeInt(StringId::PitchName, settings.pitch);
    writeInt(StringId::RollName, settings.roll);
    writeInt(StringId::SizeName, settings.size);
    writeInt(StringId::HeadingRandomName, settings.headingRandom ? 1 : 0);
    writeInt(StringId::PitchRandomName, settings.pitchRandom ? 1 : 0);
    writeInt(StringId::RollRandomName, settings.rollRandom ? 1 : 0);
    writeInt(StringId::MovingName, settings.moving ? 1 : 0);
    writeInt(StringId::ZoomName, static_cast<std::int32_t>(settings.zoom));
    return ok;
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
