// The saver's stored configuration: the values of the profile section
// "Settings" and the three ways they are written (the options dialog's full
// store, the set-file mode and the reset mode). The saver window reads them
// once at creation, the options dialog when it opens, the daemon-style
// command line before it overrides some of them for one run. What each value
// means, its key, default, range, option and dialog control are declared
// once, in the settings table (settings/settings_table.h); this type is the
// one shape every reader and writer holds them in. Depends on the profile
// store and the string table only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/profile/profile_store.h"
#include "render/projection.h"

namespace skyweave {

// How finished frames reach the screen (option --present, value "Present").
enum class PresentMethod : std::int32_t {
    Auto = 0,     // the best the display offers
    Surface = 1,  // copied through the window's software surface
    Gl = 2,       // drawn as a texture through OpenGL
};

// The values as stored, before any use-time adjustment: the saver clamps Size
// and forces Moving off for Size 100 itself, so both survive here unchanged.
// A default-made value holds every setting's default (from the table; the
// braces only keep a field no row names from being indeterminate).
struct SaverSettings {
    SaverSettings();

    // Panorama file to show; empty or exactly "(none)" means none.
    std::string filePath{};
    // Speeds in tenths of a degree per frame; with the axis's random switch on
    // only the magnitude counts, as the bound of the random speed.
    std::int32_t heading{};
    std::int32_t pitch{};
    std::int32_t roll{};
    // View rectangle size in percent of the window.
    std::int32_t size{};
    // The speed of the axis is re-drawn at random every 5000 ms.
    bool headingRandom{};
    bool pitchRandom{};
    bool rollRandom{};
    // The view rectangle drifts across the window.
    bool moving{};
    // Horizontal field of view in degrees, kept as the stored 32 bits read
    // unsigned.
    std::uint32_t zoom{};
    // Seconds each panorama of a folder is shown before the next.
    std::int32_t changeEvery{};
    // Cross-fade from one panorama to the next instead of cutting.
    bool fade{};
    // Frames per second at most where the display names no refresh rate;
    // 0 means no limit.
    std::int32_t maxFrameRate{};
    // Rendering threads; 0 means one per processor core, at most 8.
    std::int32_t threads{};
    // Show frames per second and the processor load in the bottom-left
    // corner of the window.
    bool showFrameRate{};
    // How frames reach the screen.
    PresentMethod present{};
    // How the view is projected; zooms beyond the rectilinear range are
    // reached only through the other projections.
    Projection projection{};
    // Moving frames drawn with the still filter.
    bool smoothMotion{};

    bool operator==(const SaverSettings&) const = default;
};

// Reads every value from `profile`, each falling back to its default. Values
// of the first ten settings are used as stored (the saver clamps at use);
// later settings are brought into their range, and an unknown choice gives
// its default.
SaverSettings LoadSaverSettings(const ProfileStore& profile);

// Writes the values the options dialog owns (every setting with a dialog
// control) in table order, which is the order of the keys in a new file:
// FilePath, Heading, Pitch, Roll, Size, HeadingRandom, PitchRandom,
// RollRandom, Moving, Zoom, then the later ones. Flags are stored as 1 or 0.
// Other keys of the file stay as they are. All of them land in one rewrite of
// the file, or none does and false is returned (for instance a path holding
// a NUL, or a settings file that cannot be used; ProfileStore::Problem says
// why).
bool StoreSaverSettings(ProfileStore& profile, const SaverSettings& settings);

// The set-file mode: stores "FilePath" alone. Returns false when it could not
// be stored (for instance a path holding a NUL).
bool StoreFilePath(ProfileStore& profile, std::string_view path);

// The reset mode: deletes the whole section, so every value reads as its
// default again. Returns false when the file could not be rewritten.
bool ResetSaverSettings(ProfileStore& profile);

// True when `path` names no file: empty, or exactly the marker "(none)"
// (case-sensitive, so "(NONE)" is a real path).
bool IsNoFileChosen(std::string_view path);

}  // namespace skyweave
