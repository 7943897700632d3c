// Projection formulas (see projection.h).
#include "render/projection.h"

#include <cmath>

#include "render/view_geometry.h"

namespace skyweave {

double MaxZoomOf(Projection projection) {
    switch (projection) {
        case Projection::Stereographic:
        case Projection::Pannini:
            return 300.0;
        case Projection::Fisheye:
            return 360.0;
        case Projection::Rectilinear:
            break;
    }
    return 170.0;
}

std::optional<std::array<double, 3>> ProjectedRay(Projection projection, double zoom,
                                                  std::int32_t viewWidth, double sx, double sy) {
    const double half_width = viewWidth / 2.0;
    const double half_zoom = DegreesToRadians(zoom) / 2;
    if (projection == Projection::Rectilinear) {
        return std::array<double, 3>{sx, sy, half_width / std::tan(half_zoom)};
    }
    if (projection == Projection::Pannini) {
        // Cylindrical longitude from x; the vertical keeps straight lines
        // through the centre: y = 2 tan(latitude) / (1 + cos(longitude)).
        const double f = half_width / (2 * std::tan(half_zoom / 2));
        const double longitude = 2 * std::atan(sx / f / 2);
        const double latitude = std::atan(sy / f * (1 + std::cos(longitude)) / 2);
        return std::array<double, 3>{std::cos(latitude) * std::sin(longitude), std::sin(latitude),
                                     std::cos(latitude) * std::cos(longitude)};
    }
    const double r = std::hypot(sx, sy);
    double angle = 0;
    if (projection == Projection::Stereographic) {
        const double f = half_width / (2 * std::tan(half_zoom / 2));
        angle = 2 * std::atan(r / (2 * f));
    } else {
        angle = r / (half_width / half_zoom);
        if (angle > Pi()) {
            return std::nullopt;
        }
    }
    if (r == 0) {
        return std::array<double, 3>{0, 0, 1};
    }
    const double s = std::sin(angle) / r;
    return std::array<double, 3>{sx * s, sy * s, std::cos(angle)};
}

}  // namespace skyweave
