// The private messages of the saver window, posted to itself through the
// window's event queue (both parameters are always 0, so only the number
// travels).
#pragma once

#include <cstdint>

namespace skyweave {

// Input asked the saver to end; runs the password check.
inline constexpr std::uint32_t WM_SAVER_END_REQUEST = 2024;
// The window lost the keyboard focus and takes it back.
inline constexpr std::uint32_t WM_SAVER_REGAIN_FOCUS = 2025;
// The idle loop asks for the next frame.
inline constexpr std::uint32_t WM_SAVER_NEXT_FRAME = 3024;
// The background loader has an outcome to take (posted from its thread).
inline constexpr std::uint32_t WM_SAVER_LOAD_DONE = 3025;
// The background folder listing found more (posted from its thread).
inline constexpr std::uint32_t WM_SAVER_LIST_NEWS = 3026;

}  // namespace skyweave
