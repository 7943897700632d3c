// View geometry (see view_geometry.h): plain double-precision arithmetic,
// evaluated per grid corner, never per pixel.
#include "render/view_geometry.h"

#include <algorithm>
#include <cmath>

namespace skyweave {

namespace {

// 65536 / 360 and 65536 / 180: one degree of longitude or latitude in
// 16.16 units of a picture one pixel wide or high.
constexpr double kColumnScale = 182.04444444444445;
constexpr double kRowScale = 364.0888888888889;

// Truncation towards zero into int32. Only a NaN (a vector without a
// direction) or a value beyond int32 can reach the fallback; the callers
// keep finite lookups within range by limiting the picture size.
std::int32_t TruncateToFixed(double value) {
    if (!(value > -2147483648.0 && value < 2147483648.0)) {
        return 0;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

double Pi() {
    static const double pi = 2.0 * std::acos(0.0);
    return pi;
}

double DegreesToRadians(double degrees) {
    return degrees * (Pi() * 0.005555555555555556);
}

double RadiansToDegrees(double radians) {
    return radians * (180.0 / Pi());
}

void RotateToWorld(double heading, double pitch, double roll, double offX, double offY, double& x,
                   double& y, double& z) {
    const double h = DegreesToRadians(heading);
    const double p = DegreesToRadians(pitch);
    const double r = DegreesToRadians(roll);
    x += offX;
    y += offY;
    const double cr = std::cos(r);
    const double sr = std::sin(r);
    const double x1 = x * cr + y * sr;
    const double y1 = y * cr - x * sr;
    const double cp = std::cos(p);
    const double sp = std::sin(p);
    const double y2 = y1 * cp + z * sp;
    const double z1 = z * cp - y1 * sp;
    const double ch = std::cos(h);
    const double sh = std::sin(h);
    const double x2 = x1 * ch - z1 * sh;
    const double z2 = z1 * ch + x1 * sh;
    x = x2;
    y = y2;
    z = z2;
}

SourcePosition EquirectangularLookup(double x, double y, double z, std::int32_t srcWidth,
                                     std::int32_t srcHeight) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        return {};
    }
    const double longitude = RadiansToDegrees(std::atan2(x, z));
    const double latitude = RadiansToDegrees(std::atan2(y, std::sqrt(x * x + z * z)));
    SourcePosition position;
    position.u = TruncateToFixed((longitude + 180.0) * srcWidth * kColumnScale);
    position.v = TruncateToFixed((latitude + 90.0) * srcHeight * kRowScale);
    return position;
}

SourcePosition PixelToPanorama(std::int32_t x, std::int32_t y, std::int32_t viewWidth,
                               std::int32_t viewHeight, double heading, double pitch, double roll,
                               double focal, double offX, double offY, std::int32_t srcWidth,
                               std::int32_t srcHeight) {
    double rx = static_cast<double>(x - viewWidth / 2);
    double ry = static_cast<double>(y - viewHeight / 2);
    double rz = focal;
    RotateToWorld(heading, pitch, roll, offX, offY, rx, ry, rz);
    return EquirectangularLookup(rx, ry, rz, srcWidth, srcHeight);
}

std::optional<ViewPoint> ProjectDirection(double heading, double pitch, double roll, double focal,
                                          double offX, double offY, double dirHeading,
                                          double dirPitch) {
    double right[3] = {1.0, 0.0, 0.0};
    double up[3] = {0.0, 1.0, 0.0};
    double forward[3] = {0.0, 0.0, 1.0};
    RotateToWorld(heading, pitch, roll, 0.0, 0.0, right[0], right[1], right[2]);
    RotateToWorld(heading, pitch, roll, 0.0, 0.0, up[0], up[1], up[2]);
    RotateToWorld(heading, pitch, roll, 0.0, 0.0, forward[0], forward[1], forward[2]);
    const double h = DegreesToRadians(dirHeading);
    const double p = DegreesToRadians(dirPitch);
    const double d[3] = {-std::cos(p) * std::sin(h), std::sin(p), std::cos(p) * std::cos(h)};
    const auto dot = [&d](const double(&a)[3]) { return a[0] * d[0] + a[1] * d[1] + a[2] * d[2]; };
    const double c = dot(forward);
    // Written as a negation so that a NaN also counts as not visible.
    if (!(c > 0.0)) {
        return std::nullopt;
    }
    return ViewPoint{focal * dot(right) / c - offX, focal * dot(up) / c - offY};
}

double FocalLength(double zoom, std::int32_t viewWidth) {
    return viewWidth / (2.0 * std::tan(DegreesToRadians(zoom) / 2.0));
}

double WrapAngle(double degrees) {
    if (!std::isfinite(degrees)) {
        return 0.0;
    }
    // Steps of 360 cannot move a huge angle (360 is below its precision);
    // reduce it first so the loops below always end quickly.
    if (std::abs(degrees) > 1.0e6) {
        degrees = std::fmod(degrees, 360.0);
    }
    while (degrees > 180.0) {
        degrees -= 360.0;
    }
    while (!(degrees > -180.0)) {
        degrees += 360.0;
    }
    return degrees;
}

double VerticalZoom(double zoom, double viewWidth, double viewHeight) {
    return viewHeight / viewWidth * zoom;
}

double MaxZoomForCoverage(double viewWidth, double viewHeight, double headingCoverage,
                          double pitchCoverage) {
    const double halfPitch = DegreesToRadians(pitchCoverage / 2.0);
    const double matching =
        RadiansToDegrees(2.0 * std::atan(viewWidth * std::tan(halfPitch) / viewHeight));
    return 0.75 * std::min(headingCoverage, matching);
}

double HeadingLimit(double zoom, double headingCoverage) {
    if (headingCoverage < zoom) {
        return 0.0;
    }
    if (headingCoverage >= 360.0) {
        return 360.0;
    }
    return (headingCoverage - zoom) * 0.5 * 0.75;
}

double PitchLimit(double vzoom, double pitchCoverage) {
    if (vzoom > pitchCoverage) {
        return 0.0;
    }
    if (pitchCoverage >= 180.0) {
        return 360.0;
    }
    return (pitchCoverage - vzoom) * 0.5 * 0.75;
}

}  // namespace skyweave
