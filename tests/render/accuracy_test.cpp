// Whole frames against the exact per-pixel projection: every pixel of a
// picture that encodes its own column and row tells where it was sampled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "render/panorama_renderer.h"
#include "render/render_test_support.h"
#include "render/render_view.h"

namespace skyweave {
namespace {

constexpr int kW = 2048;
constexpr int kH = 1024;

struct View {
    double heading, pitch, roll, zoom;
    // Largest error allowed, pixels (see WorstError).
    double bound;
};

// The largest error over a frame of nearest samples. The error of a pixel
// is the smaller of two distances between the exact direction of the view
// pixel and the centre of the source pixel drawn there: the angle in source
// pixels (360 / kW degrees), and the distance in view pixels at which the
// drawn source pixel appears. The first measures narrow views, where a
// source pixel covers many view pixels; the second wide ones. Pixels in the
// squares that the pole patch redraws are left out.
double WorstError(const std::vector<std::uint8_t>& picture, const View& view, int viewW, int viewH,
                  bool topDown) {
    std::vector<std::uint8_t> dest(static_cast<std::size_t>(viewW) * viewH * 3);
    PanoramaRenderer renderer;
    const ViewState state{view.heading, view.pitch, view.roll, view.zoom};
    EXPECT_EQ(
        RenderView(renderer, state, viewW, topDown ? -viewH : viewH, dest, kW, kH, picture, 24, 0),
        1);
    const double f = viewW / (2.0 * std::tan(test::Rad(view.zoom) / 2.0));
    // The squares around the poles belong to the pole patch.
    const test::PixelSquare south =
        test::PoleSquare(-1, viewW, viewH, view.heading, view.pitch, view.roll, f);
    const test::PixelSquare north =
        test::PoleSquare(1, viewW, viewH, view.heading, view.pitch, view.roll, f);
    const test::Direction right = test::Rotate({1, 0, 0}, view.heading, view.pitch, view.roll);
    const test::Direction up = test::Rotate({0, 1, 0}, view.heading, view.pitch, view.roll);
    const test::Direction forward = test::Rotate({0, 0, 1}, view.heading, view.pitch, view.roll);
    double worst = 0.0;
    for (int y = 0; y < viewH; ++y) {
        const int destRow = topDown ? viewH - 1 - y : y;
        for (int x = 0; x < viewW; ++x) {
            if (south.Contains(x, y) || north.Contains(x, y)) {
                continue;
            }
            const test::PicturePixel p =
                test::DecodePixel(&dest[(static_cast<std::size_t>(destRow) * viewW + x) * 3]);
            // The rotation is linear: the pixel's ray is a sum of the basis.
            const double cx0 = x - viewW / 2, cy0 = y - viewH / 2;
            test::Direction exact{cx0 * right.x + cy0 * up.x + f * forward.x,
                                  cx0 * right.y + cy0 * up.y + f * forward.y,
                                  cx0 * right.z + cy0 * up.z + f * forward.z};
            const double n = std::sqrt(test::Dot(exact, exact));
            exact = {exact.x / n, exact.y / n, exact.z / n};
            const test::Direction drawn = test::PictureDirection(p.col + 0.5, p.row + 0.5, kW, kH);
            const double inSource = test::AngleBetween(exact, drawn) / (360.0 / kW);
            // Where the drawn source pixel appears in the view.
            const double cx = test::Dot(right, drawn), cy = test::Dot(up, drawn),
                         cz = test::Dot(forward, drawn);
            const double inView =
                cz > 0.0 ? std::hypot(f * cx / cz - (x - viewW / 2), f * cy / cz - (y - viewH / 2))
                         : 1e9;
            const double e = std::min(inSource, inView);
            worst = std::max(worst, e);
        }
    }
    return worst;
}

TEST(Accuracy, NearestFramesStayCloseToTheExactProjection) {
    const std::vector<std::uint8_t> picture = test::EncodedPicture(kW, kH);
    // About 2 of the 3 pixels of the common error are the design's row
    // offset (nearest rows read row y + 1, and moved-start columns past the
    // stride read the next row); a top-down frame adds one view row, since
    // its first row is mapped at the top edge of the view. The rest is the
    // 32-pixel interpolation, which grows near the poles and at wide zooms.
    const View views[] = {
        {0, 0, 0, 90, 4.5},      {90, 10, 0, 60, 4.5},       {-90, -20, 15, 90, 4.5},
        {180, 0, 0, 90, 5.0},    {45, 60, -30, 75, 4.5},     {-135, -70, 10, 100, 6.5},
        {10, 89, 0, 90, 4.5},    {0, -90, 0, 90, 6.5},       {30, 0, 0, 30, 4.5},
        {170, 5, 170, 120, 5.0}, {-179.9, 45, 90, 50, 4.5},  {221, 30, -5, 90, 4.5},
        {0, 0, 0, 10, 4.5},      {-100, -30, 45, 150, 10.0}, {60, 20, 0, 170, 22.0},
    };
    for (const View& v : views) {
        for (bool topDown : {false, true}) {
            const double worst = WorstError(picture, v, 640, 480, topDown);
            std::printf("heading %7.1f pitch %5.1f roll %6.1f zoom %5.1f %s: %.2f px\n", v.heading,
                        v.pitch, v.roll, v.zoom, topDown ? "top-down " : "bottom-up", worst);
            EXPECT_LT(worst, v.bound)
                << v.heading << " " << v.pitch << " " << v.roll << " " << v.zoom;
        }
    }
}

}  // namespace
}  // namespace skyweave
