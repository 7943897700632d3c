// View geometry: the camera model, the equirectangular projection between
// directions and 16.16 source positions, the reverse projection of a
// direction onto the view, and the view limits for partial panoramas.
//
// Pure double-precision functions with no state except pi. Called by the
// PanoramaRenderer once per 32-pixel grid corner, by the pole patch once per
// cell corner, and by the panorama engine a few times per frame (limits,
// wrapping). All angles are degrees unless a name says otherwise.
//
// Frames: the world frame has x and y horizontal and z up. The camera frame
// of a view has x right, y up and z forward. The panorama frame is the world
// frame with y and z exchanged: x right, y up, z towards heading 0.
#pragma once

#include <cstdint>
#include <optional>

namespace skyweave {

// pi, computed once as 2 * acos(0).
double Pi();

// Degrees to radians: pi * 0.005555555555555556.
double DegreesToRadians(double degrees);

// Radians to degrees: 180 / pi.
double RadiansToDegrees(double radians);

// A 16.16 fixed-point position in the source picture: column u and row v.
// Row 0 looks straight down, row H straight up; the whole circle spans W
// columns and column W/2 is heading 0.
struct SourcePosition {
    std::int32_t u = 0;
    std::int32_t v = 0;
};

// A point of the view plane in pixels from the view centre, sy upwards.
struct ViewPoint {
    double sx = 0.0;
    double sy = 0.0;
};

// Turns a camera vector (x, y, z) into the panorama frame, in place: adds
// the view offset, then rolls, pitches and turns it.
//   heading, pitch, roll: view angles, degrees.
//   offX, offY: view offset, pixels (0 for a plain view).
//   x, y, z: camera vector in pixels; replaced by the panorama-frame vector.
void RotateToWorld(double heading, double pitch, double roll, double offX, double offY, double& x,
                   double& y, double& z);

// The equirectangular lookup of a panorama-frame vector (x, y, z) in a source
// picture of srcWidth columns and srcHeight rows (pixels, both positive and at
// most 32767): u = (longitude + 180) * srcWidth * 65536 / 360 and
// v = (latitude + 90) * srcHeight * 65536 / 180, truncated towards zero.
// A vector with a non-finite component has no direction: it maps to (0, 0).
SourcePosition EquirectangularLookup(double x, double y, double z, std::int32_t srcWidth,
                                     std::int32_t srcHeight);

// The source position seen through view pixel (x, y) of a view of
// viewWidth by viewHeight pixels, y counted upwards from the bottom row: the
// camera vector (x - viewWidth/2, y - viewHeight/2, focal) with integer
// halves, RotateToWorld, then EquirectangularLookup.
//   heading, pitch, roll: view angles, degrees.
//   focal: focal length, pixels.
//   offX, offY: view offset, pixels.
//   srcWidth, srcHeight: source picture size, pixels.
SourcePosition PixelToPanorama(std::int32_t x, std::int32_t y, std::int32_t viewWidth,
                               std::int32_t viewHeight, double heading, double pitch, double roll,
                               double focal, double offX, double offY, std::int32_t srcWidth,
                               std::int32_t srcHeight);

// Where the direction (dirHeading, dirPitch) appears in the view, relative
// to the view centre with sy upwards; nothing when it lies behind the
// viewer (or exactly beside). The inverse of the camera model: for the
// direction of camera vector (sx + offX, sy + offY, focal) it gives (sx, sy).
//   heading, pitch, roll: view angles, degrees.
//   focal: focal length, pixels.
//   offX, offY: view offset, pixels.
//   dirHeading, dirPitch: the direction, degrees.
std::optional<ViewPoint> ProjectDirection(double heading, double pitch, double roll, double focal,
                                          double offX, double offY, double dirHeading,
                                          double dirPitch);

// Focal length in pixels of a view viewWidth pixels wide whose horizontal
// field of view is zoom degrees: viewWidth / (2 tan(zoom / 2)).
double FocalLength(double zoom, std::int32_t viewWidth);

// Wraps an angle into (-180, 180] by whole turns. A non-finite angle gives 0.
double WrapAngle(double degrees);

// Linear approximation of the vertical field of view, degrees:
// viewHeight / viewWidth * zoom. viewWidth, viewHeight in pixels.
double VerticalZoom(double zoom, double viewWidth, double viewHeight);

// Largest zoom, degrees, for a panorama covering headingCoverage by
// pitchCoverage degrees shown in a view of viewWidth by viewHeight pixels:
// 0.75 * min(headingCoverage, 2 atan(viewWidth tan(pitchCoverage/2) / viewHeight)).
double MaxZoomForCoverage(double viewWidth, double viewHeight, double headingCoverage,
                          double pitchCoverage);

// How far the heading may turn either way, degrees, at the given zoom
// (degrees) for a panorama headingCoverage degrees wide; 360 never binds.
double HeadingLimit(double zoom, double headingCoverage);

// How far the pitch may tilt either way, degrees, at vertical zoom vzoom
// (degrees) for a panorama pitchCoverage degrees high; 360 never binds.
double PitchLimit(double vzoom, double pitchCoverage);

}  // namespace skyweave
