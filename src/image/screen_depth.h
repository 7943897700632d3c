// The process-wide screen depth, and the hook through which it is queried.
//
// The screen depth is a depth code (depth_code.h): 8, 15, 16 or 24, or an
// unusual count between 9 and 23 passed through from the display. It is 0
// until the first DecodeImage, which sets it before decoding anything; the
// engine's PresentFrame reads it to decide whether a palette is needed.
//
// The image subsystem knows no windows, so it cannot ask the display itself.
// The program installs a query at start-up (the saver installs
// QueryScreenDepth from platform/display/screen_depth.h). With no query
// installed, the answer is the environment variable SKYWEAVE_SCREEN_DEPTH
// when it holds 8, 15, 16 or 24, else 24; tools and tests run this way.
//
// Both values are atomics so that reading them from any thread is defined;
// the system itself uses them from its one event-loop thread.
#pragma once

namespace skyweave {

// A screen-depth query: returns the display's depth code.
using ScreenDepthQuery = int (*)();

// Installs `query` (null removes it) for every later RefreshScreenDepth.
void InstallScreenDepthQuery(ScreenDepthQuery query);

// Asks the installed query (or the environment fallback), stores the answer
// as the screen depth and returns it. DecodeImage calls this first.
int RefreshScreenDepth();

// The screen depth as last set; 0 before the first RefreshScreenDepth.
int ScreenDepth();

// Sets the screen depth directly (the saver's start-up and tests).
void SetScreenDepth(int depth);

}  // namespace skyweave
