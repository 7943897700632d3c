// Projections of the view other than the rectilinear one: how far from the
// view axis a view pixel looks, and the zoom each projection allows.
//
// Pure functions of doubles, used by the projected renderer once per grid
// corner (or per pixel where the grid cannot be trusted) and by the engine
// and settings for the zoom ranges.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace skyweave {

// Stored by name (kProjectionNames); the number is the index.
enum class Projection : std::int32_t {
    Rectilinear,
    Stereographic,
    Fisheye,  // equidistant: the angle grows in step with the distance
    Pannini,  // d = 1: straight verticals, wide views without stretched edges
};

inline constexpr std::array<std::string_view, 4> kProjectionNames{"rectilinear", "stereographic",
                                                                  "fisheye", "pannini"};

// Widest zoom (degrees across the view width) the projection can show: the
// rectilinear view stretches without end towards 180, the stereographic
// one towards 360, the fisheye shows the whole sphere at 360.
double MaxZoomOf(Projection projection);

// The camera-frame direction (x right, y up, z forward; any length) seen
// through the view point (sx, sy) pixels from the view centre, y upwards,
// for a view `viewWidth` pixels wide whose zoom is `zoom` degrees.
// Nothing where the projection shows no direction (beyond the fisheye's
// full circle).
std::optional<std::array<double, 3>> ProjectedRay(Projection projection, double zoom,
                                                  std::int32_t viewWidth, double sx, double sy);

}  // namespace skyweave
