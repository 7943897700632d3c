// A private X server for GUI tests: starts Xvfb on a free display number
// (chosen by Xvfb itself through -displayfd) once per test process, points
// DISPLAY at it and stops it when the process ends. Never uses a DISPLAY the
// test was started with.
#pragma once

#include <string>

namespace skyweave::testing {

// Starts the server when not yet running; returns its display name (":N"),
// or an empty string when Xvfb could not be started.
std::string EnsureXvfbDisplay();

}  // namespace skyweave::testing
