// Every projection against a reference that follows the projections'
// definitions pixel by pixel: the camera ray from the distance to the view
// centre, turned by roll, pitch and heading as the view angles are defined,
// and the colour the test picture has in that direction. The picture's
// colour is the direction itself, so the reference needs no sampling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/core/worker_pool.h"
#include "render/render_view.h"

namespace skyweave {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSrcW = 512;
constexpr int kSrcH = 256;
constexpr int kViewW = 192;
constexpr int kViewH = 128;

struct Colour {
    double b, g, r;
};

// The picture's colour looking along the unit vector (east, up, north):
// blue, green and red are 128 + 100 times east, up and north.
Colour DirectionColour(double east, double up, double north) {
    return {128 + 100 * east, 128 + 100 * up, 128 + 100 * north};
}

// An equirectangular picture, bottom row looking straight down, the middle
// column looking north, columns growing eastwards.
std::vector<std::uint8_t> DirectionPicture() {
    std::vector<std::uint8_t> pixels(kSrcW * kSrcH * 3);
    for (int row = 0; row < kSrcH; ++row) {
        const double lat = ((row + 0.5) / kSrcH - 0.5) * kPi;
        for (int col = 0; col < kSrcW; ++col) {
            const double lon = ((col + 0.5) / kSrcW - 0.5) * 2 * kPi;
            const Colour c = DirectionColour(std::cos(lat) * std::sin(lon), std::sin(lat),
                                             std::cos(lat) * std::cos(lon));
            std::uint8_t* p = &pixels[(row * kSrcW + col) * 3];
            p[0] = static_cast<std::uint8_t>(std::lround(c.b));
            p[1] = static_cast<std::uint8_t>(std::lround(c.g));
            p[2] = static_cast<std::uint8_t>(std::lround(c.r));
        }
    }
    return pixels;
}

// Angle from the view axis of a point r pixels from the centre, or a
// negative value where the projection shows nothing.
double AxisAngle(Projection projection, double zoom, double r) {
    const double z = zoom * kPi / 180;
    const double half = kViewW / 2.0;
    switch (projection) {
        case Projection::Rectilinear:
            return std::atan(r / (half / std::tan(z / 2)));
        case Projection::Stereographic:
            return 2 * std::atan(r / (2 * (half / (2 * std::tan(z / 4)))));
        case Projection::Fisheye: {
            const double angle = r / (half / (z / 2));
            return angle > kPi ? -1 : angle;
        }
        case Projection::Pannini:
            break;
    }
    return -1;
}

// The camera ray (right, up, forward) through the point (sx, sy).
bool CameraRay(Projection projection, double zoom, double sx, double sy, double ray[3]) {
    if (projection == Projection::Pannini) {
        // x = S sin(phi), y = S tan(theta), S = 2 / (1 + cos(phi)), in units
        // of the focal length that makes the view width span the zoom.
        const double f = (kViewW / 2.0) / (2 * std::tan(zoom * kPi / 180 / 4));
        const double phi = 2 * std::atan(sx / f / 2);
        const double theta = std::atan(sy / f * (1 + std::cos(phi)) / 2);
        ray[0] = std::cos(theta) * std::sin(phi);
        ray[1] = std::sin(theta);
        ray[2] = std::cos(theta) * std::cos(phi);
        return true;
    }
    const double r = std::hypot(sx, sy);
    const double angle = AxisAngle(projection, zoom, r);
    if (angle < 0) {
        return false;
    }
    const double s = r == 0 ? 0 : std::sin(angle) / r;
    ray[0] = sx * s;
    ray[1] = sy * s;
    ray[2] = std::cos(angle);
    return true;
}

// Turns a camera ray into (east, up, north) for the view angles, from what
// they mean: a positive roll raises the horizon on the right, a positive
// pitch looks up, a positive heading looks west.
void TurnToWorld(const ViewState& view, double v[3]) {
    const double r = view.roll * kPi / 180;
    const double p = view.pitch * kPi / 180;
    const double h = view.heading * kPi / 180;
    const double x1 = v[0] * std::cos(r) + v[1] * std::sin(r);
    const double y1 = v[1] * std::cos(r) - v[0] * std::sin(r);
    const double y2 = y1 * std::cos(p) + v[2] * std::sin(p);
    const double z2 = v[2] * std::cos(p) - y1 * std::sin(p);
    const double n = std::sqrt(x1 * x1 + y2 * y2 + z2 * z2);
    v[0] = (x1 * std::cos(h) - z2 * std::sin(h)) / n;
    v[1] = y2 / n;
    v[2] = (z2 * std::cos(h) + x1 * std::sin(h)) / n;
}

// Mean difference per channel between the drawn view (bottom row first)
// and the reference.
double MeanError(Projection projection, const ViewState& view,
                 const std::vector<std::uint8_t>& drawn) {
    double sum = 0;
    for (int y = 0; y < kViewH; ++y) {
        for (int x = 0; x < kViewW; ++x) {
            double ray[3];
            Colour want{0, 0, 0};
            if (CameraRay(projection, view.zoom, x - kViewW / 2, y - kViewH / 2, ray)) {
                TurnToWorld(view, ray);
                want = DirectionColour(ray[0], ray[1], ray[2]);
            }
            const std::uint8_t* got = &drawn[(y * kViewW + x) * 3];
            sum +=
                std::abs(got[0] - want.b) + std::abs(got[1] - want.g) + std::abs(got[2] - want.r);
        }
    }
    return sum / (kViewW * kViewH * 3);
}

TEST(Projections, EveryProjectionDrawsTheDirectionsItsDefinitionGives) {
    const std::vector<std::uint8_t> picture = DirectionPicture();
    const ViewState views[] = {
        {0, 0, 0, 90},      {40, 25, 10, 120},  {-120, -90, 0, 240}, {170, 60, -20, 200},
        {-179, 89, 0, 300}, {90, -45, 30, 360}, {180, 0, 0, 100},
    };
    const Projection projections[] = {Projection::Rectilinear, Projection::Stereographic,
                                      Projection::Fisheye, Projection::Pannini};
    WorkerPool pool(2);
    for (const Projection projection : projections) {
        for (ViewState view : views) {
            view.zoom = std::min(
                view.zoom, projection == Projection::Rectilinear ? 130.0 : MaxZoomOf(projection));
            for (const std::int32_t filter : {0, 8}) {
                std::vector<std::uint8_t> drawn(kViewW * kViewH * 3);
                PanoramaRenderer renderer;
                ASSERT_EQ(RenderView(renderer, view, kViewW, kViewH, drawn, kSrcW, kSrcH, picture,
                                     24, filter, &pool, projection),
                          1);
                EXPECT_LT(MeanError(projection, view, drawn), 2.0)
                    << static_cast<int>(projection) << " view " << view.heading << "," << view.pitch
                    << "," << view.roll << "," << view.zoom << " filter " << filter;
            }
        }
    }
}

}  // namespace
}  // namespace skyweave
