// The viewer's pointer geometry: which direction of the panorama a window
// pixel shows, and which view puts a given direction under a given pixel.
// Dragging keeps the grabbed direction under the pointer and the wheel zooms
// about it, so both ask the second question with the first one's answer.
// Pure functions over the engine's camera model, including how it centres a
// frame padded to whole 32-pixel blocks in the window.
#pragma once

#include <cstdint>
#include <optional>

#include "render/view_state.h"

namespace skyweave {

// A direction from the viewer, degrees, as the view angles name them.
struct LookDirection {
    double heading = 0.0;
    double pitch = 0.0;
};

// A point of the window, pixels from its top left corner.
struct WindowPoint {
    double x = 0.0;
    double y = 0.0;
};

// The direction seen through window point `at` of a window `width` x
// `height` pixels showing `view`.
LookDirection DirectionAt(const ViewState& view, std::int32_t width, std::int32_t height,
                          WindowPoint at);

// Where `direction` appears in that window; nothing when it is behind.
std::optional<WindowPoint> PointOf(const ViewState& view, std::int32_t width, std::int32_t height,
                                   LookDirection direction);

// The view with the roll and zoom of `from` that shows `direction` at
// window point `at`, found from `from` by Newton steps; `from` itself when
// no such view is near (the point lies beyond the poles).
ViewState ViewShowing(const ViewState& from, std::int32_t width, std::int32_t height,
                      LookDirection direction, WindowPoint at);

}  // namespace skyweave
