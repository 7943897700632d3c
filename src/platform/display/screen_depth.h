// QueryScreenDepth: the depth code of the X11 display, as SDL2 reports it.
//
// The saver installs it as the image subsystem's screen-depth query
// (InstallScreenDepthQuery in image/screen_depth.h) at start-up, so that every
// DecodeImage brings pictures into the display's own format.
#pragma once

#include <cstdint>

namespace skyweave {

// The display's depth code:
//   SKYWEAVE_SCREEN_DEPTH, when it holds 8, 15, 16 or 24, overrides the display;
//   24 for 24- and 32-bit displays and whenever there is no display;
//   16 for a 16-bit display with the 5-6-5 masks, 15 for any other 16-bit one;
//   8 for 8 bits and below; other counts between 9 and 23 pass through.
int QueryScreenDepth();

// The depth code for a display of `bits_per_pixel` bits whose colour masks are
// `red_mask`, `green_mask` and `blue_mask` (the classification above).
int ScreenDepthOfFormat(int bits_per_pixel, std::uint32_t red_mask, std::uint32_t green_mask,
                        std::uint32_t blue_mask);

}  // namespace skyweave
