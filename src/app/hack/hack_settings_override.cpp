// See hack_settings_override.h.
#include "app/hack/hack_settings_override.h"

#include <cstdint>

namespace skyweave {

void ApplyHackOverrides(const HackSettingsOverrides& overrides, SaverSettings& settings) {
    if (overrides.file_path) {
        settings.filePath = *overrides.file_path;
    }
    if (overrides.zoom) {
        // The parser keeps zoom within 30..130, so the unsigned store is exact.
        settings.zoom = static_cast<std::uint32_t>(*overrides.zoom);
    }
    if (overrides.heading) {
        settings.heading = *overrides.heading;
    }
    if (overrides.pitch) {
        settings.pitch = *overrides.pitch;
    }
    if (overrides.roll) {
        settings.roll = *overrides.roll;
    }
    if (overrides.size) {
        settings.size = *overrides.size;
    }
    if (overrides.moving) {
        settings.moving = *overrides.moving;
    }
    if (overrides.heading_random) {
        settings.headingRandom = *overrides.heading_random;
    }
    if (overrides.pitch_random) {
        settings.pitchRandom = *overrides.pitch_random;
    }
    if (overrides.roll_random) {
        settings.rollRandom = *overrides.roll_random;
    }
}

}  // namespace skyweave
