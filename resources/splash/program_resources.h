// The program's binary resources, found by type and id as a desktop program
// finds the resources of its own file. Only the splash picture (type "JPG",
// id 110, a 600 x 400 JFIF picture) exists. Called by the saver window.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace skyweave {

inline constexpr std::string_view kSplashResourceType = "JPG";
inline constexpr int kSplashResourceId = 110;

// The bytes of resource `id` of type `type` (compared exactly), or an empty
// span when the program has no such resource. The bytes are static.
std::span<const std::uint8_t> FindProgramResource(std::string_view type, int id);

}  // namespace skyweave
