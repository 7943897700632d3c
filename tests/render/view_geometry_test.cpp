// View geometry against hand-computed values and an independent projection.
#include "render/view_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/render_test_support.h"

namespace skyweave {
namespace {

constexpr std::int32_t kW = 2048;
constexpr std::int32_t kH = 1024;
constexpr std::int64_t kOne = 65536;

// The source position of the centre pixel of a 640 by 480 view, f = 320.
SourcePosition Centre(double heading, double pitch) {
    return PixelToPanorama(320, 240, 640, 480, heading, pitch, 0.0, 320.0, 0.0, 0.0, kW, kH);
}

TEST(ViewGeometry, PiIsComputedFromTheArcCosine) {
    EXPECT_EQ(Pi(), 2.0 * std::acos(0.0));
    EXPECT_DOUBLE_EQ(DegreesToRadians(180.0), Pi());
    EXPECT_DOUBLE_EQ(RadiansToDegrees(Pi() / 2.0), 90.0);
}

TEST(ViewGeometry, ViewCentreLandsOnTheExpectedColumnsAndRows) {
    // Heading 0 looks at the centre column; heading 90 at a quarter, -90 at
    // three quarters, 180 at the seam (column 0 or, equivalently, W).
    EXPECT_NEAR(Centre(0, 0).u, kW / 2 * kOne, 2);
    EXPECT_NEAR(Centre(0, 0).v, kH / 2 * kOne, 2);
    EXPECT_NEAR(Centre(90, 0).u, kW / 4 * kOne, 2);
    EXPECT_NEAR(Centre(-90, 0).u, 3 * kW / 4 * kOne, 2);
    const std::int64_t seam = Centre(180, 0).u;
    EXPECT_TRUE(seam <= 2 || std::abs(seam - kW * kOne) <= 2) << seam;
    EXPECT_NEAR(Centre(90, 0).v, kH / 2 * kOne, 2);
    // Straight up reaches row H, straight down row 0, at any heading.
    EXPECT_NEAR(Centre(0, 90).v, kH * kOne, 2);
    EXPECT_NEAR(Centre(37, 90).v, kH * kOne, 2);
    EXPECT_NEAR(Centre(0, -90).v, 0, 2);
    EXPECT_GE(Centre(0, -90).v, 0);
}

TEST(ViewGeometry, OffCentrePixelsFollowTheCameraModel) {
    // A pixel f to the right of the centre is 45 degrees to the right:
    // longitude +45, so column (45 + 180) / 360 of the width.
    const SourcePosition right =
        PixelToPanorama(320 + 320, 240, 640, 480, 0.0, 0.0, 0.0, 320.0, 0.0, 0.0, kW, kH);
    EXPECT_NEAR(right.u, static_cast<std::int64_t>(225.0 / 360.0 * kW * kOne), 2);
    EXPECT_NEAR(right.v, kH / 2 * kOne, 2);
    // A pixel f above the centre is 45 degrees up.
    const SourcePosition up =
        PixelToPanorama(320, 240 + 320, 640, 480, 0.0, 0.0, 0.0, 320.0, 0.0, 0.0, kW, kH);
    EXPECT_NEAR(up.v, static_cast<std::int64_t>(135.0 / 180.0 * kH * kOne), 2);
    // The view offset shifts the camera vector: the centre with offX = f
    // sees what the pixel f to the right sees.
    const SourcePosition shifted =
        PixelToPanorama(320, 240, 640, 480, 0.0, 0.0, 0.0, 320.0, 320.0, 0.0, kW, kH);
    EXPECT_EQ(shifted.u, right.u);
    EXPECT_EQ(shifted.v, right.v);
    // Positive roll raises the horizon to the right: at roll 10 the point
    // 100 pixels right and 100 tan 10 up lies on the horizon.
    const double rise = 100.0 * std::tan(10.0 * test::kPi / 180.0);
    double x = 100.0, y = rise, z = 320.0;
    RotateToWorld(0.0, 0.0, 10.0, 0.0, 0.0, x, y, z);
    EXPECT_NEAR(y, 0.0, 1e-9);
}

TEST(ViewGeometry, PixelToPanoramaAgreesWithAnIndependentProjection) {
    for (double heading : {-170.0, -45.0, 0.0, 30.0, 135.0}) {
        for (double pitch : {-60.0, 0.0, 25.0, 80.0}) {
            for (double roll : {-30.0, 0.0, 15.0}) {
                for (int px : {0, 101, 320, 639}) {
                    for (int py : {0, 77, 240, 479}) {
                        const SourcePosition got = PixelToPanorama(px, py, 640, 480, heading, pitch,
                                                                   roll, 400.0, 0.0, 0.0, kW, kH);
                        const test::Direction d =
                            test::PixelDirection(px, py, 640, 480, heading, pitch, roll, 400.0);
                        const double u = (test::Longitude(d) + 180.0) / 360.0 * kW * kOne;
                        const double v = (test::Latitude(d) + 90.0) / 180.0 * kH * kOne;
                        // A few units of 1/65536 pixel; the seam may give 0 or W.
                        const double du = std::fmod(std::abs(got.u - u), kW * kOne);
                        EXPECT_LT(std::min(du, kW * kOne - du), 4.0);
                        EXPECT_NEAR(got.v, v, 4.0);
                    }
                }
            }
        }
    }
}

TEST(ViewGeometry, LookupOfAVectorWithoutDirectionIsZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const SourcePosition a = EquirectangularLookup(nan, 0.0, 1.0, kW, kH);
    const SourcePosition b = EquirectangularLookup(inf, inf, 1.0, kW, kH);
    EXPECT_EQ(a.u, 0);
    EXPECT_EQ(a.v, 0);
    EXPECT_EQ(b.u, 0);
    EXPECT_EQ(b.v, 0);
}

TEST(ViewGeometry, ProjectDirectionInvertsTheCameraModel) {
    // In front: 45 degrees to the right of heading 0 is heading -45.
    const auto right = ProjectDirection(0, 0, 0, 320, 0, 0, -45, 0);
    ASSERT_TRUE(right.has_value());
    EXPECT_NEAR(right->sx, 320.0, 1e-9);
    EXPECT_NEAR(right->sy, 0.0, 1e-9);
    // Looking straight up, the zenith is the view centre.
    const auto zenith = ProjectDirection(73, 90, 12, 500, 0, 0, 0, 90);
    ASSERT_TRUE(zenith.has_value());
    EXPECT_NEAR(zenith->sx, 0.0, 1e-9);
    EXPECT_NEAR(zenith->sy, 0.0, 1e-9);
    // Round trip through the independent projection, with a view offset.
    for (double heading : {-120.0, 10.0, 170.0}) {
        for (double pitch : {-50.0, 5.0, 70.0}) {
            for (double roll : {-20.0, 0.0, 40.0}) {
                const int px = 37, py = 411;
                const test::Direction d =
                    test::PixelDirection(px, py, 640, 480, heading, pitch, roll, 300.0);
                const auto p = ProjectDirection(heading, pitch, roll, 300.0, 0.0, 0.0,
                                                -test::Longitude(d), test::Latitude(d));
                ASSERT_TRUE(p.has_value());
                EXPECT_NEAR(p->sx, px - 320, 1e-6);
                EXPECT_NEAR(p->sy, py - 240, 1e-6);
                const auto shifted = ProjectDirection(heading, pitch, roll, 300.0, 20.0, -10.0,
                                                      -test::Longitude(d), test::Latitude(d));
                ASSERT_TRUE(shifted.has_value());
                EXPECT_NEAR(shifted->sx, px - 320 - 20.0, 1e-6);
                EXPECT_NEAR(shifted->sy, py - 240 + 10.0, 1e-6);
            }
        }
    }
}

TEST(ViewGeometry, ProjectDirectionRejectsDirectionsBehindTheViewer) {
    EXPECT_FALSE(ProjectDirection(0, 0, 0, 320, 0, 0, 180, 0).has_value());
    EXPECT_FALSE(ProjectDirection(0, 0, 0, 320, 0, 0, 120, 30).has_value());
    EXPECT_FALSE(ProjectDirection(90, 0, 0, 320, 0, 0, -91, 0).has_value());
    // Looking straight up, the nadir is behind.
    EXPECT_FALSE(ProjectDirection(0, 90, 0, 320, 0, 0, 0, -90).has_value());
}

TEST(ViewGeometry, FocalLengthFromZoom) {
    EXPECT_NEAR(FocalLength(90.0, 640), 320.0, 1e-9);
    EXPECT_NEAR(FocalLength(60.0, 640), 554.2562584220407, 1e-9);
}

TEST(ViewGeometry, WrapAngleKeepsHalfOpenInterval) {
    EXPECT_EQ(WrapAngle(180.0), 180.0);
    EXPECT_EQ(WrapAngle(-180.0), 180.0);
    EXPECT_EQ(WrapAngle(540.0), 180.0);
    EXPECT_EQ(WrapAngle(181.0), -179.0);
    EXPECT_EQ(WrapAngle(-179.5), -179.5);
    EXPECT_EQ(WrapAngle(-900.0), 180.0);
    EXPECT_EQ(WrapAngle(725.0), 5.0);
    // Hostile values end quickly and stay in range.
    EXPECT_EQ(WrapAngle(std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_EQ(WrapAngle(std::numeric_limits<double>::quiet_NaN()), 0.0);
    const double huge = WrapAngle(1e300);
    EXPECT_GT(huge, -180.0);
    EXPECT_LE(huge, 180.0);
}

TEST(ViewGeometry, ViewLimitsMatchWorkedExamples) {
    EXPECT_DOUBLE_EQ(VerticalZoom(90.0, 640, 480), 67.5);
    // atan(640 tan 45 / 480) = atan(4/3) = 53.13010235415598 degrees.
    EXPECT_NEAR(MaxZoomForCoverage(640, 480, 120, 90), 0.75 * 106.26020470831196, 1e-9);
    EXPECT_NEAR(MaxZoomForCoverage(640, 480, 60, 90), 45.0, 1e-12);
    // Limits that never bind.
    EXPECT_EQ(HeadingLimit(60, 360), 360.0);
    EXPECT_EQ(PitchLimit(45, 180), 360.0);
    // A panorama 120 degrees wide at zoom 60 turns +-22.5 degrees.
    EXPECT_EQ(HeadingLimit(60, 120), 22.5);
    // Coverage below the zoom holds the view still; equal gives 0 as well.
    EXPECT_EQ(HeadingLimit(60, 50), 0.0);
    EXPECT_EQ(HeadingLimit(60, 60), 0.0);
    EXPECT_EQ(PitchLimit(70, 60), 0.0);
    EXPECT_EQ(PitchLimit(40, 100), 22.5);
}

}  // namespace
}  // namespace skyweave
