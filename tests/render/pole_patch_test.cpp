// Pole patch on real buffers: which destination pixels it re-draws, what it
// samples there, and that no view, however extreme, makes it read outside
// the source or write outside the destination.
//
// Sources encode their own pixel index in every pixel, so each patched pixel
// tells which source pixel was read. Expected squares, the exact per-pixel
// projection and a model of the main pass's 32-pixel interpolation are
// computed here, in double precision, from the camera model itself.
#include "render/pole_patch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace skyweave {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::uint8_t kUnwritten = 0xFF;

double Radians(double degrees) {
    return degrees / 180.0 * kPi;
}

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

double Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

double AngleBetween(const Vec3& a, const Vec3& b) {
    const Vec3 cross{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    return std::atan2(std::sqrt(Dot(cross, cross)), Dot(a, b)) * 180.0 / kPi;
}

struct View {
    double heading = 0.0;
    double pitch = 0.0;
    double roll = 0.0;
    double zoom = 90.0;  // horizontal field of view, degrees
    double offX = 0.0;
    double offY = 0.0;
    std::int32_t width = 640;
    std::int32_t height = 480;
    bool topDown = false;
};

// A camera vector turned into the panorama frame: roll about the line of
// sight, then pitch, then heading.
Vec3 CameraToPanorama(const View& view, Vec3 c) {
    c.x += view.offX;
    c.y += view.offY;
    const double r = Radians(view.roll);
    const double p = Radians(view.pitch);
    const double h = Radians(view.heading);
    const Vec3 rolled{c.x * std::cos(r) + c.y * std::sin(r), c.y * std::cos(r) - c.x * std::sin(r),
                      c.z};
    const Vec3 pitched{rolled.x, rolled.y * std::cos(p) + rolled.z * std::sin(p),
                       rolled.z * std::cos(p) - rolled.y * std::sin(p)};
    return {pitched.x * std::cos(h) - pitched.z * std::sin(h), pitched.y,
            pitched.z * std::cos(h) + pitched.x * std::sin(h)};
}

double Focal(const View& view) {
    return view.width / (2.0 * std::tan(Radians(view.zoom) / 2.0));
}

// The exact direction through view pixel (x, y), y upwards.
Vec3 PixelDirection(const View& view, std::int32_t x, std::int32_t y) {
    return CameraToPanorama(view, {static_cast<double>(x - view.width / 2),
                                   static_cast<double>(y - view.height / 2), Focal(view)});
}

// 16.16 source position of a direction in a W x H equirectangular picture.
struct Fixed {
    std::int64_t u = 0;
    std::int64_t v = 0;
};

Fixed Lookup(const Vec3& d, std::int32_t width, std::int32_t height) {
    const double longitude = std::atan2(d.x, d.z) * 180.0 / kPi;
    const double latitude = std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)) * 180.0 / kPi;
    return {static_cast<std::int64_t>((longitude + 180.0) * width * 65536.0 / 360.0),
            static_cast<std::int64_t>((latitude + 90.0) * height * 65536.0 / 180.0)};
}

// A hand-built renderer state over a source whose pixel i holds i (little
// endian, as many bytes as the depth has), a row table by the nearest rule,
// and a destination filled with kUnwritten. Buffers are exactly as large as
// the state needs, so AddressSanitizer sees any access past their ends.
struct Scene {
    View view;
    std::int32_t srcWidth = 0;
    std::int32_t srcHeight = 0;
    std::int32_t bytes = 0;
    std::int32_t shift = 0;  // pixels the source start is moved right
    std::vector<std::uint8_t> picture;
    std::vector<std::int32_t> table;
    std::vector<std::uint8_t> dest;
    RenderState state;

    std::span<const std::int32_t> Table() const { return table; }

    std::int64_t PixelIndex(std::int32_t x, std::int32_t y) const {
        const std::int32_t row = view.topDown ? view.height - 1 - y : y;
        const std::size_t at =
            (static_cast<std::size_t>(row) * view.width + static_cast<std::size_t>(x)) * bytes;
        std::int64_t value = 0;
        for (std::int32_t b = bytes - 1; b >= 0; --b) {
            value = value * 256 + dest[at + b];
        }
        return value;
    }

    bool Written(std::int32_t x, std::int32_t y) const {
        const std::int32_t row = view.topDown ? view.height - 1 - y : y;
        const std::size_t at =
            (static_cast<std::size_t>(row) * view.width + static_cast<std::size_t>(x)) * bytes;
        return !std::all_of(dest.begin() + static_cast<std::ptrdiff_t>(at),
                            dest.begin() + static_cast<std::ptrdiff_t>(at + bytes),
                            [](std::uint8_t b) { return b == kUnwritten; });
    }

    // Source row table entry for 16.16 row v, as the nearest loops use it.
    std::int64_t RowOffset(std::int64_t v) const {
        const std::int64_t row = std::clamp<std::int64_t>(v >> 16, -16, srcHeight + 15);
        return std::clamp<std::int64_t>(row + 1, 8, srcHeight - 8) * srcWidth;
    }

    // The direction of the source pixel that a sample read: the picture's
    // pixel index less the start shift, one row lower (the row table reads
    // row i + 1 for row i), at the pixel's centre.
    Vec3 SampleDirection(std::int64_t index) const {
        const std::int64_t relative = index - shift;
        const std::int64_t row = relative / srcWidth;
        const std::int64_t column = relative - row * srcWidth;
        const double longitude = Radians((column + 0.5) * 360.0 / srcWidth - 180.0);
        const double latitude = Radians((row - 0.5) * 180.0 / srcHeight - 90.0);
        return {std::cos(latitude) * std::sin(longitude), std::sin(latitude),
                std::cos(latitude) * std::cos(longitude)};
    }
};

std::unique_ptr<Scene> MakeScene(const View& view, std::int32_t srcWidth, std::int32_t srcHeight,
                                 std::int32_t depth, std::int32_t shift = 0) {
    auto scene = std::make_unique<Scene>();
    scene->view = view;
    scene->srcWidth = srcWidth;
    scene->srcHeight = srcHeight;
    scene->bytes = (depth + 1) / 8;
    scene->shift = shift;
    const std::size_t pixels = static_cast<std::size_t>(srcWidth) * srcHeight;
    scene->picture.resize(pixels * scene->bytes);
    for (std::size_t i = 0; i < pixels; ++i) {
        for (std::int32_t b = 0; b < scene->bytes; ++b) {
            scene->picture[i * scene->bytes + b] = static_cast<std::uint8_t>(i >> (8 * b));
        }
    }
    for (std::int32_t i = -16; i < srcHeight + 16; ++i) {
        scene->table.push_back(std::min(std::max(i + 1, 8), srcHeight - 8) * srcWidth);
    }
    scene->dest.assign(static_cast<std::size_t>(view.width) * view.height * scene->bytes,
                       kUnwritten);
    RenderState& s = scene->state;
    s.heading = view.heading;
    s.pitch = view.pitch;
    s.roll = view.roll;
    s.focal = Focal(view);
    s.offX = view.offX;
    s.offY = view.offY;
    s.viewWidth = view.width;
    s.viewHeight = view.height;
    s.depth = depth;
    s.dest = scene->dest;
    s.topDown = view.topDown ? 1 : 0;
    s.srcWidth = srcWidth;
    s.srcHeight = srcHeight;
    s.picture = scene->picture;
    s.src = scene->picture.data() + static_cast<std::size_t>(shift) * scene->bytes;
    return scene;
}

struct Rect {
    std::int32_t x0, y0, x1, y1;
};

Rect WrittenBounds(const Scene& scene) {
    Rect r{scene.view.width, scene.view.height, 0, 0};
    for (std::int32_t y = 0; y < scene.view.height; ++y) {
        for (std::int32_t x = 0; x < scene.view.width; ++x) {
            if (scene.Written(x, y)) {
                r = {std::min(r.x0, x), std::min(r.y0, y), std::max(r.x1, x + 1),
                     std::max(r.y1, y + 1)};
            }
        }
    }
    return r;
}

std::int32_t CountWritten(const Scene& scene) {
    std::int32_t count = 0;
    for (std::int32_t y = 0; y < scene.view.height; ++y) {
        for (std::int32_t x = 0; x < scene.view.width; ++x) {
            count += scene.Written(x, y) ? 1 : 0;
        }
    }
    return count;
}

// A view looking straight up whose zenith projects to view pixel (px, py):
// the view offset moves the projection, half a pixel away from the
// truncation boundary.
View ZenithAt(std::int32_t px, std::int32_t py, std::int32_t width = 640,
              std::int32_t height = 480) {
    const auto target = [](std::int32_t p, std::int32_t half) {
        const double s = p - half;
        return s < 0 ? s - 0.5 : s + 0.5;
    };
    View view;
    view.pitch = 90.0;
    view.width = width;
    view.height = height;
    view.offX = -target(px, width / 2);
    view.offY = -target(py, height / 2);
    return view;
}

TEST(PolePatch, PolesOutOfSightLeaveEveryPixelAlone) {
    std::vector<View> views;
    for (const double heading : {0.0, 97.0, 270.0}) {
        for (const double roll : {0.0, 45.0, -170.0}) {
            View level;
            level.heading = heading;
            level.roll = roll;
            views.push_back(level);  // pitch 0: both poles exactly beside the viewer
        }
    }
    View up45;
    up45.pitch = 45.0;
    up45.zoom = 60.0;
    views.push_back(up45);
    View down40;
    down40.pitch = -40.0;
    down40.zoom = 50.0;
    views.push_back(down40);
    View beyond = ZenithAt(640 + 64, 100);  // square starts past the right edge
    views.push_back(beyond);
    View below = ZenithAt(300, -49 - 15);  // square ends below the bottom row
    views.push_back(below);

    for (const View& view : views) {
        auto scene = MakeScene(view, 512, 256, 24);
        const PolePatchStats stats = DrawPolePatch(scene->state, scene->Table(), 24);
        EXPECT_EQ(stats.cells, 0) << view.heading << " " << view.pitch << " " << view.roll;
        EXPECT_EQ(CountWritten(*scene), 0);
    }
}

TEST(PolePatch, StraightUpOrDownRedrawsTheSquareAroundTheCentre) {
    for (const double pitch : {90.0, -90.0}) {
        View view;
        view.pitch = pitch;
        view.heading = 37.0;
        auto scene = MakeScene(view, 1024, 512, 24);
        const PolePatchStats stats = DrawPolePatch(scene->state, scene->Table(), 24);
        EXPECT_EQ(stats.polesDrawn, 1);
        EXPECT_EQ(stats.cells, 36);
        EXPECT_EQ(stats.pixels, 96 * 96);
        const Rect r = WrittenBounds(*scene);
        EXPECT_EQ(r.x0, 320 - 48);
        EXPECT_EQ(r.x1, 320 + 48);
        EXPECT_EQ(r.y0, 240 - 48);
        EXPECT_EQ(r.y1, 240 + 48);
        EXPECT_EQ(CountWritten(*scene), 96 * 96);
        // Every pixel is one source pixel copied whole, never a blend.
        for (std::int32_t y = r.y0; y < r.y1; ++y) {
            for (std::int32_t x = r.x0; x < r.x1; ++x) {
                ASSERT_LT(scene->PixelIndex(x, y), 1024 * 512);
            }
        }
    }
}

TEST(PolePatch, SquaresNearTheEdgesAreClippedToTheView) {
    struct Case {
        std::int32_t px, py;
        Rect expected;
    };
    const Case cases[] = {
        {5, 5, {0, 0, 48, 48}},            // x0 = y0 = -48 before clipping
        {-20, 30, {0, 0, 32, 64}},         // x0 = -20 - (-4) - 48 = -64
        {650, 470, {592, 416, 640, 480}},  // past the top right corner
        {320, 479, {272, 416, 368, 480}},
        {-60, -60, {0, 0, 0, 0}},  // x1 = -64 - 48 + 96 = -16: nothing left
    };
    for (const Case& c : cases) {
        auto scene = MakeScene(ZenithAt(c.px, c.py), 512, 256, 24);
        DrawPolePatch(scene->state, scene->Table(), 24);
        const Rect expected = c.expected;
        const std::int32_t area = (expected.x1 - expected.x0) * (expected.y1 - expected.y0);
        EXPECT_EQ(CountWritten(*scene), area) << c.px << "," << c.py;
        if (area > 0) {
            const Rect r = WrittenBounds(*scene);
            EXPECT_EQ(r.x0, expected.x0) << c.px << "," << c.py;
            EXPECT_EQ(r.y0, expected.y0) << c.px << "," << c.py;
            EXPECT_EQ(r.x1, expected.x1) << c.px << "," << c.py;
            EXPECT_EQ(r.y1, expected.y1) << c.px << "," << c.py;
        }
    }
}

TEST(PolePatch, TopDownDestinationHoldsTheSameViewUpsideDown) {
    View view = ZenithAt(5, 5);
    view.heading = 12.0;
    auto bottomUp = MakeScene(view, 512, 256, 24);
    DrawPolePatch(bottomUp->state, bottomUp->Table(), 24);
    view.topDown = true;
    auto topDown = MakeScene(view, 512, 256, 24);
    DrawPolePatch(topDown->state, topDown->Table(), 24);
    const std::size_t rowBytes = 640 * 3;
    for (std::int32_t row = 0; row < 480; ++row) {
        const auto a = bottomUp->dest.begin() + static_cast<std::ptrdiff_t>(row * rowBytes);
        const auto b = topDown->dest.begin() + static_cast<std::ptrdiff_t>((479 - row) * rowBytes);
        ASSERT_TRUE(std::equal(a, a + static_cast<std::ptrdiff_t>(rowBytes), b)) << row;
    }
    EXPECT_EQ(CountWritten(*topDown), 48 * 48);
}

TEST(PolePatch, EveryDepthCopiesTheSameSourcePixels) {
    View view;
    view.pitch = 90.0;
    view.heading = -60.0;
    view.roll = 20.0;
    view.width = 256;
    view.height = 128;
    // 255 x 255 pixels of 2 bytes never hold the unwritten marker 0xFFFF.
    auto wide = MakeScene(view, 252, 254, 24);
    DrawPolePatch(wide->state, wide->Table(), 24);
    auto d16 = MakeScene(view, 252, 254, 16);
    DrawPolePatch(d16->state, d16->Table(), 16);
    auto d15 = MakeScene(view, 252, 254, 15);
    DrawPolePatch(d15->state, d15->Table(), 15);
    auto d8 = MakeScene(view, 252, 254, 8);
    DrawPolePatch(d8->state, d8->Table(), 8);
    EXPECT_EQ(d15->dest, d16->dest);  // depth 15 is drawn as 16
    std::int32_t compared = 0;
    for (std::int32_t y = 0; y < 128; ++y) {
        for (std::int32_t x = 0; x < 256; ++x) {
            if (!wide->Written(x, y)) {
                ASSERT_FALSE(d16->Written(x, y));
                continue;
            }
            ++compared;
            ASSERT_EQ(d16->PixelIndex(x, y), wide->PixelIndex(x, y) & 0xFFFF);
            ASSERT_EQ(d8->PixelIndex(x, y), wide->PixelIndex(x, y) & 0xFF);
        }
    }
    EXPECT_EQ(compared, 96 * 96);
    for (const int unsupported : {0, 1, 12, 32}) {
        auto none = MakeScene(view, 252, 254, 24);
        EXPECT_EQ(DrawPolePatch(none->state, none->Table(), unsupported).pixels, 0);
        EXPECT_EQ(CountWritten(*none), 0);
    }
}

// The exact per-pixel source position of view pixel (x, y).
Fixed ExactPosition(const Scene& scene, std::int32_t x, std::int32_t y) {
    return Lookup(PixelDirection(scene.view, x, y), scene.srcWidth, scene.srcHeight);
}

TEST(PolePatch, SeamCellsAreSampledPixelByPixelWithoutSmear) {
    for (const double heading : {0.0, 45.0, 200.0}) {
        View view;
        view.pitch = 90.0;
        view.heading = heading;
        auto scene = MakeScene(view, 1024, 512, 24, 300);
        DrawPolePatch(scene->state, scene->Table(), 24);
        std::int32_t onSeam = 0;
        for (std::int32_t y = 192; y < 288; ++y) {
            for (std::int32_t x = 272; x < 368; ++x) {
                const Vec3 exact = PixelDirection(view, x, y);
                const double fromPole = std::hypot(x - 320, y - 240);
                const std::int64_t index = scene->PixelIndex(x, y);
                // No sample lands on the far side of the picture: a cell
                // interpolated across the seam would read columns half a
                // turn away.
                const Vec3 sampled = scene->SampleDirection(index);
                const double lonExact = std::atan2(exact.x, exact.z) * 180.0 / kPi;
                const double lonSampled = std::atan2(sampled.x, sampled.z) * 180.0 / kPi;
                double dlon = std::fmod(std::abs(lonExact - lonSampled), 360.0);
                dlon = std::min(dlon, 360.0 - dlon);
                if (fromPole > 24.0) {
                    ASSERT_LT(dlon, 10.0) << heading << " at " << x << "," << y;
                }
                // Next to the seam line each pixel is its own cell: the
                // sample is the nearest pixel of its own exact position.
                // (The 8-pixel cell holding the pole itself has a corner
                // of no defined longitude and is left out.)
                if (std::abs(lonExact) > 179.0 && fromPole > 12.0) {
                    ++onSeam;
                    const Fixed p = ExactPosition(*scene, x, y);
                    const std::int64_t expected =
                        scene->shift + (p.u >> 16) + scene->RowOffset(p.v);
                    ASSERT_LE(std::abs(index - expected), 1) << heading << " at " << x << "," << y;
                }
            }
        }
        EXPECT_GT(onSeam, 20) << heading;
    }
}

// Where the pole at pitch +90 or -90 appears in the view, in pixels from
// the bottom left corner.
struct PolePoint {
    double x, y;
};

PolePoint ProjectPole(const View& view, double pitch) {
    View plain = view;
    plain.offX = 0.0;
    plain.offY = 0.0;
    const Vec3 right = CameraToPanorama(plain, {1.0, 0.0, 0.0});
    const Vec3 up = CameraToPanorama(plain, {0.0, 1.0, 0.0});
    const Vec3 forward = CameraToPanorama(plain, {0.0, 0.0, 1.0});
    const Vec3 pole{0.0, pitch > 0.0 ? 1.0 : -1.0, 0.0};
    const double f = Focal(view);
    return {view.width / 2 + f * Dot(right, pole) / Dot(forward, pole) - view.offX,
            view.height / 2 + f * Dot(up, pole) / Dot(forward, pole) - view.offY};
}

// Source index the main pass's nearest loop reads for view pixel (x, y):
// exact lookups on the 32-pixel corner grid, the seam repair of each block,
// spans stepped by a shift of 5 per row and per pixel.
std::int64_t MainPassIndex(const Scene& scene, std::int32_t x, std::int32_t y) {
    const View& view = scene.view;
    const auto corner = [&](std::int32_t i, std::int32_t j) {
        const Vec3 ray = CameraToPanorama(
            view, {-view.width * 0.5 + 32.0 * i, -view.height * 0.5 + 32.0 * j, Focal(view)});
        return Lookup(ray, scene.srcWidth, scene.srcHeight);
    };
    const std::int32_t bx = x / 32;
    const std::int32_t by = y / 32;
    Fixed c[4] = {corner(bx, by), corner(bx + 1, by), corner(bx, by + 1), corner(bx + 1, by + 1)};
    const std::int64_t half = static_cast<std::int64_t>(scene.srcWidth / 2) * 65536;
    const std::int64_t quarter = static_cast<std::int64_t>(scene.srcWidth / 4) * 65536;
    if (std::any_of(c, c + 4, [&](const Fixed& f) { return f.u > half; })) {
        for (Fixed& f : c) {
            if (f.u < quarter) {
                f.u += static_cast<std::int64_t>(scene.srcWidth) * 65536;
            }
        }
    }
    const std::int32_t r = y % 32;
    const std::int32_t k = x % 32;
    const std::int64_t uL = c[0].u + r * ((c[2].u - c[0].u) >> 5);
    const std::int64_t vL = c[0].v + r * ((c[2].v - c[0].v) >> 5);
    const std::int64_t uR = c[1].u + r * ((c[3].u - c[1].u) >> 5);
    const std::int64_t vR = c[1].v + r * ((c[3].v - c[1].v) >> 5);
    const std::int64_t u = uL + k * ((uR - uL) >> 5);
    const std::int64_t v = vL + k * ((vR - vL) >> 5);
    return scene.shift + (u >> 16) + scene.RowOffset(v);
}

TEST(PolePatch, PatchedPixelsAreCloserToTheExactProjectionThanTheMainPass) {
    struct Case {
        double heading, pitch, roll;
    };
    for (const Case c : {Case{10.0, 90.0, 0.0}, Case{-70.0, 80.0, 15.0}, Case{150.0, -85.0, 0.0}}) {
        View view;
        view.heading = c.heading;
        view.pitch = c.pitch;
        view.roll = c.roll;
        auto scene = MakeScene(view, 1024, 512, 24, 200);
        DrawPolePatch(scene->state, scene->Table(), 24);
        double patchedError = 0.0;
        double mainError = 0.0;
        std::int32_t count = 0;
        for (std::int32_t y = 0; y < view.height; ++y) {
            for (std::int32_t x = 0; x < view.width; ++x) {
                if (!scene->Written(x, y)) {
                    continue;
                }
                const Vec3 exact = PixelDirection(view, x, y);
                patchedError +=
                    AngleBetween(exact, scene->SampleDirection(scene->PixelIndex(x, y)));
                mainError +=
                    AngleBetween(exact, scene->SampleDirection(MainPassIndex(*scene, x, y)));
                ++count;
            }
        }
        ASSERT_GT(count, 0);
        patchedError /= count;
        mainError /= count;
        // The samples themselves lie half a source row or more from the
        // exact direction (the row table reads the next row and holds 8
        // rows at each pole), so only the interpolation's share can shrink.
        EXPECT_LT(patchedError, mainError) << c.heading << " " << c.pitch;
        EXPECT_LT(patchedError, 1.0) << c.heading << " " << c.pitch;
        // Close around the pole the cells touch the polar band and are
        // 8 pixels wide: there the patch adds little to the sampling's own
        // error of about a quarter of a source row (0.09 degrees).
        const PolePoint pole = ProjectPole(view, c.pitch > 0.0 ? 90.0 : -90.0);
        double ringError = 0.0;
        std::int32_t ringCount = 0;
        for (std::int32_t y = 0; y < view.height; ++y) {
            for (std::int32_t x = 0; x < view.width; ++x) {
                const double fromPole = std::hypot(x - pole.x, y - pole.y);
                if (!scene->Written(x, y) || fromPole < 17.0 || fromPole > 24.0) {
                    continue;
                }
                ringError += AngleBetween(PixelDirection(view, x, y),
                                          scene->SampleDirection(scene->PixelIndex(x, y)));
                ++ringCount;
            }
        }
        ASSERT_GT(ringCount, 800);
        EXPECT_LT(ringError / ringCount, 0.4 * 180.0 / 512) << c.heading << " " << c.pitch;
    }
}

}  // namespace
}  // namespace skyweave

namespace skyweave {
namespace {

// Exact-size buffers for one Render call at one depth.
struct Frame {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bytes = 0;
    std::vector<std::uint8_t> pixels;
};

RenderParams ParamsFor(const View& view, Frame& frame, std::span<const std::uint8_t> src,
                       std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t depth,
                       std::int32_t kind) {
    RenderParams p;
    p.heading = view.heading;
    p.pitch = view.pitch;
    p.roll = view.roll;
    p.focal = Focal(view);
    p.offX = view.offX;
    p.offY = view.offY;
    p.viewWidth = view.width;
    p.viewHeight = view.topDown ? -view.height : view.height;
    frame.width = view.width;
    frame.height = view.height;
    frame.bytes = (depth + 1) / 8;
    frame.pixels.assign(static_cast<std::size_t>(view.width) * view.height * frame.bytes,
                        kUnwritten);
    p.dest = frame.pixels;
    p.srcWidth = srcWidth;
    p.srcHeight = srcHeight;
    p.src = src;
    p.depth = depth;
    p.filterKind = kind;
    return p;
}

// A depth-24 picture whose channels alternate between 0 and 255 from pixel
// to pixel: any blend of neighbours shows as a value in between.
std::vector<std::uint8_t> Checkerboard(std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t> picture(static_cast<std::size_t>(width) * height * 3);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t value = ((x + y) % 2 == 0) ? 0 : 255;
            const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
            picture[at] = value;
            picture[at + 1] = static_cast<std::uint8_t>(255 - value);
            picture[at + 2] = value;
        }
    }
    return picture;
}

// Runs the patch once more over the renderer's last frame after wiping the
// frame: what the patch alone writes.
void RepaintPatchOnly(PanoramaRenderer& renderer, Frame& frame, std::int32_t depth) {
    std::fill(frame.pixels.begin(), frame.pixels.end(), kUnwritten);
    PolePatch(renderer, depth);
}

bool PixelWritten(const Frame& frame, std::int32_t x, std::int32_t row) {
    const std::size_t at = (static_cast<std::size_t>(row) * frame.width + x) * frame.bytes;
    for (std::int32_t b = 0; b < frame.bytes; ++b) {
        if (frame.pixels[at + b] != kUnwritten) {
            return true;
        }
    }
    return false;
}

TEST(PolePatchInRender, LevelViewIsExactlyTheMainPass) {
    const auto picture = Checkerboard(512, 256);
    PanoramaRenderer renderer;
    for (const std::int32_t kind : {0, 1, 8}) {
        View view;
        view.heading = 33.0;
        view.roll = 10.0;
        Frame frame;
        ASSERT_EQ(renderer.Render(ParamsFor(view, frame, picture, 512, 256, 24, kind)), 1);
        // The patch has nothing to add at pitch 0, so the frame Render
        // returned is the main pass untouched.
        RepaintPatchOnly(renderer, frame, 24);
        EXPECT_TRUE(std::all_of(frame.pixels.begin(), frame.pixels.end(),
                                [](std::uint8_t b) { return b == kUnwritten; }))
            << "kind " << kind;
    }
}

TEST(PolePatchInRender, LookingUpUnderBilinearTheSquareHoldsNearestSamples) {
    const auto picture = Checkerboard(512, 256);
    View view;
    view.pitch = 90.0;
    view.heading = 20.0;
    PanoramaRenderer renderer;
    Frame nearest;
    ASSERT_EQ(renderer.Render(ParamsFor(view, nearest, picture, 512, 256, 24, 0)), 1);
    Frame bilinear;
    ASSERT_EQ(renderer.Render(ParamsFor(view, bilinear, picture, 512, 256, 24, 8)), 1);
    const std::vector<std::uint8_t> rendered = bilinear.pixels;

    std::int32_t blendedOutside = 0;
    for (std::int32_t y = 0; y < 480; ++y) {
        for (std::int32_t x = 0; x < 640; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * 640 + x) * 3;
            const bool inside = x >= 272 && x < 368 && y >= 192 && y < 288;
            const std::uint8_t b = rendered[at];
            if (inside) {
                ASSERT_TRUE(b == 0 || b == 255) << x << "," << y;
                ASSERT_TRUE(std::equal(rendered.begin() + static_cast<std::ptrdiff_t>(at),
                                       rendered.begin() + static_cast<std::ptrdiff_t>(at + 3),
                                       nearest.pixels.begin() + static_cast<std::ptrdiff_t>(at)))
                    << x << "," << y;
            } else if (b != 0 && b != 255) {
                ++blendedOutside;
            }
        }
    }
    EXPECT_GT(blendedOutside, 1000);
    // Outside the square the frame is the main pass's: the patch alone
    // writes exactly the square, and what it writes is what Render showed.
    RepaintPatchOnly(renderer, bilinear, 24);
    for (std::int32_t y = 0; y < 480; ++y) {
        for (std::int32_t x = 0; x < 640; ++x) {
            const bool inside = x >= 272 && x < 368 && y >= 192 && y < 288;
            ASSERT_EQ(PixelWritten(bilinear, x, y), inside) << x << "," << y;
        }
    }
    for (std::size_t i = 0; i < rendered.size(); ++i) {
        if (bilinear.pixels[i] != kUnwritten || rendered[i] == kUnwritten) {
            ASSERT_EQ(bilinear.pixels[i], rendered[i]) << i;
        }
    }
}

// Views at the edge of what Render accepts, over sources and frames exactly
// as large as they must be: under AddressSanitizer any read or write past an
// end fails here. The patch never writes outside its square and never
// visits more than 36 cells per pole.
TEST(PolePatchInRender, ExtremeViewsStayInsideTheirBuffers) {
    struct Source {
        std::int32_t width, height;
    };
    struct Size {
        std::int32_t width, height;
    };
    PanoramaRenderer renderer;
    std::int32_t patched = 0;
    for (const Source source : {Source{8, 16}, Source{10, 17}, Source{64, 32}}) {
        for (const std::int32_t depth : {8, 15, 24}) {
            const std::int32_t stride = (source.width + 3) & ~3;
            const std::int32_t bytes = (depth + 1) / 8;
            std::vector<std::uint8_t> src(static_cast<std::size_t>(stride) * source.height * bytes);
            for (std::size_t i = 0; i < src.size(); ++i) {
                src[i] = static_cast<std::uint8_t>(i * 7);
            }
            for (const Size size : {Size{32, 32}, Size{64, 32}, Size{96, 64}}) {
                for (const double zoom : {0.5, 60.0, 150.0, 179.9}) {
                    for (const double pitch : {-90.0, -89.0, -60.0, 60.0, 88.0, 90.0}) {
                        for (const double heading : {-139.0, 0.0, 221.0, 95.5}) {
                            for (const double offset : {0.0, 1.0, -1.0}) {
                                View view;
                                view.width = size.width;
                                view.height = size.height;
                                view.zoom = zoom;
                                view.pitch = pitch;
                                view.heading = heading;
                                view.roll = heading / 3.0;
                                // Pole near a corner or an edge of the view.
                                view.offX = offset * size.width / 2.0;
                                view.offY = -offset * (size.height / 2.0 - 1.0);
                                view.topDown = offset < 0.0;
                                Frame frame;
                                const std::int32_t kind = depth == 8 ? 0 : (heading > 0 ? 8 : 1);
                                ASSERT_EQ(renderer.Render(ParamsFor(view, frame, src, source.width,
                                                                    source.height, depth, kind)),
                                          1);
                                const RenderState& state = renderer.State();
                                const std::span<const std::int32_t> table(
                                    renderer.RowTable() - 16,
                                    static_cast<std::size_t>(state.srcHeight) + 32);
                                const PolePatchStats stats = DrawPolePatch(state, table, depth);
                                ASSERT_LE(stats.cells, 36 * stats.polesDrawn);
                                ASSERT_EQ(stats.pixels, stats.cells * 256);
                                patched += stats.polesDrawn;
                            }
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(patched, 100);
}

TEST(PolePatch, InconsistentStatesDrawNothing) {
    View view;
    view.pitch = 90.0;
    auto scene = MakeScene(view, 512, 256, 24);
    const RenderState good = scene->state;

    RenderState shortDest = good;
    shortDest.dest = std::span<std::uint8_t>(scene->dest).first(scene->dest.size() - 1);
    EXPECT_EQ(DrawPolePatch(shortDest, scene->Table(), 24).pixels, 0);

    EXPECT_EQ(DrawPolePatch(good, scene->Table().first(scene->table.size() - 1), 24).pixels, 0);

    RenderState outside = good;
    outside.src = scene->picture.data() + scene->picture.size();
    EXPECT_EQ(DrawPolePatch(outside, scene->Table(), 24).pixels, 0);
    outside.src = nullptr;
    EXPECT_EQ(DrawPolePatch(outside, scene->Table(), 24).pixels, 0);

    RenderState empty = good;
    empty.viewWidth = 0;
    EXPECT_EQ(DrawPolePatch(empty, scene->Table(), 24).pixels, 0);
    EXPECT_EQ(CountWritten(*scene), 0);

    // A focal length of 0 puts every row in the polar band: still whole
    // cells of nearest samples, and no overflow in the thresholds.
    RenderState flat = good;
    flat.focal = 1e-300;
    const PolePatchStats stats = DrawPolePatch(flat, scene->Table(), 24);
    EXPECT_LE(stats.cells, 72);
}

}  // namespace
}  // namespace skyweave
