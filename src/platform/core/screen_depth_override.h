// The screen-depth override of the environment. Both the picture model (when
// no display query is installed) and the display query honour it, so tools,
// tests and users can ask for frames of another depth than the screen's.
#pragma once

namespace skyweave {

// SKYWEAVE_SCREEN_DEPTH when it holds exactly 8, 15, 16 or 24 (decimal, no
// other characters), else `fallback`.
int ScreenDepthFromEnvironment(int fallback);

}  // namespace skyweave
