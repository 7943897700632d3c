// The saver's stored configuration: the ten values of the profile section
// "Settings", their defaults, and the three ways they are written (the
// options dialog's full store, the set-file mode and the reset mode). The
// saver window reads them once at creation, the options dialog when it opens.
// Section and value names come from the string table. Depends on the profile
// store only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/profile/profile_store.h"
#include "strings/string_table.h"

namespace skyweave {

// The values as stored, before any use-time adjustment: the saver clamps Size
// and forces Moving off for Size 100 itself, so both survive here unchanged.
struct SaverSettings {
    // Panorama file to show; empty or exactly "(none)" means none.
    std::string filePath{LoadResourceString(StringId::NoFileMarker)};
    // Horizontal field of view in degrees, kept as the stored 32 bits read
    // unsigned. Default 60; the dialog writes 30..130.
    std::uint32_t zoom = 60;
    // Speeds in tenths of a degree per frame; with the axis's random switch on
    // only the magnitude counts, as the bound of the random speed.
    std::int32_t heading = 15;
    std::int32_t pitch = 2;
    std::int32_t roll = 0;
    // View rectangle size in percent of the window (the dialog writes 20..100).
    std::int32_t size = 20;
    // The view rectangle drifts across the window.
    bool moving = true;
    // The speed of the axis is re-drawn at random every 5000 ms.
    bool headingRandom = true;
    bool pitchRandom = true;
    bool rollRandom = true;

    bool operator==(const SaverSettings&) const = default;
};

// Reads all ten values from `profile`, each falling back to its default, in
// the saver window's order: FilePath, Zoom, Heading, Pitch, Roll,
// HeadingRandom, PitchRandom, RollRandom, Moving, Size.
SaverSettings LoadSaverSettings(const ProfileStore& profile);

// Writes all ten values in the options dialog's order: FilePath, Heading,
// Pitch, Roll, Size, HeadingRandom, PitchRandom, RollRandom, Moving, Zoom.
// Flags are stored as 1 or 0. All ten land in one rewrite of the file, or
// none does and false is returned (for instance a path that is not UTF-8).
bool StoreSaverSettings(ProfileStore& profile, const SaverSettings& settings);

// The set-file mode: stores "FilePath" alone. Returns false when it could not
// be stored (for instance a path that is not UTF-8).
bool StoreFilePath(ProfileStore& profile, std::string_view path);

// The reset mode: deletes the whole section, so every value reads as its
// default again. Returns false when the file could not be rewritten.
bool ResetSaverSettings(ProfileStore& profile);

// True when `path` names no file: empty, or exactly the marker "(none)"
// (case-sensitive, so "(NONE)" is a real path).
bool IsNoFileChosen(std::string_view path);

}  // namespace skyweave
