// Lookup of the program's binary resources; see program_resources.h.
#include "splash/program_resources.h"

namespace skyweave {

// Defined in the file generated from splash.jpg.
std::span<const std::uint8_t> SplashJpegBytes();

std::span<const std::uint8_t> FindProgramResource(std::string_view type, int id) {
    if (type == kSplashResourceType && id == kSplashResourceId) {
        return SplashJpegBytes();
    }
    return {};
}

}  // namespace skyweave
