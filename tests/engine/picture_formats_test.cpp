// Every picture format the loader takes, against independent data: the
// small files of tests/data/formats, made by other encoders (see
// make-pictures.sh there), each loaded through the engine and drawn at a
// few views, compared with the same views of a lossless 24-bit BMP of the
// same pixels: identical for lossless formats, within a mean error for
// lossy ones.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <span>

#include "engine/engine_fixture.h"
#include "platform/core/memory_draw_target.h"

namespace skyweave {
namespace {

using namespace skyweave::testing;

std::string DataFile(const std::string& name) {
    return std::string(SKYWEAVE_SOURCE_DIR) + "/tests/data/formats/" + name;
}

Bytes ReadData(const std::string& name) {
    std::ifstream in(DataFile(name), std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

constexpr ViewState kViews[] = {
    {0, 0, 0, 60},
    {100, 35, 0, 80},
    {-150, -50, 20, 110},
};

// The moving frames (nearest pixel, so every source pixel shows as it is)
// of `views`, one 160 x 96 picture each, top row first. A first frame sizes
// the engine's buffers, which puts a partial panorama's view in its middle;
// each view is then set and drawn.
std::vector<Bytes> DrawViews(const std::string& name, std::span<const ViewState> views = kViews) {
    std::vector<Bytes> frames;
    try {
        PanoramaEngine engine{std::string_view(DataFile(name))};
        MemoryDrawTarget target(160, 96);
        engine.Draw(target, {0, 0, 160, 96});
        for (const ViewState& view : views) {
            engine.SetView(view.heading, view.pitch, view.roll, view.zoom);
            engine.Draw(target, {0, 0, 160, 96});
            frames.push_back(target.Pixels());
        }
    } catch (const PanoramaLoadError& error) {
        ADD_FAILURE() << name << ": " << error.what();
    }
    return frames;
}

// Mean absolute difference of two equal-sized sample runs.
double MeanError(const Bytes& a, const Bytes& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sum += std::abs(int{a[i]} - int{b[i]});
    }
    return a.empty() ? 0 : sum / static_cast<double>(a.size());
}

// The views of `file` are those of `reference`: byte for byte when
// `max_mean_error` is 0, else within that mean error (levels of 255).
void ExpectSameViews(const char* file, const char* reference, std::span<const ViewState> views,
                     double max_mean_error) {
    const std::vector<Bytes> got = DrawViews(file, views);
    const std::vector<Bytes> want = DrawViews(reference, views);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t v = 0; v < got.size(); ++v) {
        if (max_mean_error == 0) {
            EXPECT_TRUE(got[v] == want[v])
                << "view " << v << " mean error " << MeanError(got[v], want[v]);
        } else {
            EXPECT_LE(MeanError(got[v], want[v]), max_mean_error) << "view " << v;
        }
    }
}

struct FormatCase {
    const char* file;
    const char* reference;
    KindTag kind;
    double max_mean_error;  // levels of 255; 0: identical frames
};

// Lossy coders at quality 90 or so leave a mean error of 1 to 4 levels on
// this small, busy picture; 6 still catches a wrong colour conversion or a
// shifted row, which cost tens.
constexpr double kLossy = 6.0;

const FormatCase kFormats[] = {
    {"picture.png", "picture.bmp", KindTag::kPng, 0},
    {"interlaced.png", "picture.bmp", KindTag::kPng, 0},
    {"palette.png", "palette-ref.bmp", KindTag::kPng, 0},
    {"transparent.png", "transparent-ref.bmp", KindTag::kPng, 0},
    {"grey1.png", "grey1-ref.bmp", KindTag::kPng, 0},
    {"grey2.png", "grey2-ref.bmp", KindTag::kPng, 0},
    {"grey4.png", "grey4-ref.bmp", KindTag::kPng, 0},
    {"grey8.png", "grey8-ref.bmp", KindTag::kPng, 0},
    {"grey16.png", "grey16-ref.bmp", KindTag::kPng, 0},
    {"rgb16.png", "rgb16-ref.bmp", KindTag::kPng, 0},
    {"alpha.png", "alpha-ref.bmp", KindTag::kPng, 0},
    {"lossless.webp", "picture.bmp", KindTag::kWebp, 0},
    {"alpha.webp", "alpha-ref.bmp", KindTag::kWebp, 0},
    {"lossy.webp", "picture.bmp", KindTag::kWebp, kLossy},
    {"picture.heic", "picture.bmp", KindTag::kHeif, kLossy},
    {"alpha.heic", "alpha-ref.bmp", KindTag::kHeif, kLossy},
    {"picture.avif", "picture.bmp", KindTag::kHeif, kLossy},
    {"jfif.jpg", "picture.bmp", KindTag::kJfif, kLossy},
    // The same coefficients in other wrappings decode to the same pixels.
    {"progressive.jpg", "jfif.jpg", KindTag::kJfif, 0},
    {"arithmetic.jpg", "jfif.jpg", KindTag::kJfif, 0},
    {"exif-first.jpg", "jfif.jpg", KindTag::kJfif, 0},
    {"icc-first.jpg", "jfif.jpg", KindTag::kJfif, 0},
    {"bare.jpg", "jfif.jpg", KindTag::kJfif, 0},
    {"adobe-ycck.jpg", "picture.bmp", KindTag::kJfif, kLossy},
    {"cmyk.jpg", "picture.bmp", KindTag::kJfif, kLossy},
    {"grey.jpg", "grey-ref.bmp", KindTag::kJfif, kLossy},
};

TEST_F(EngineTest, EveryFormatDrawsTheViewsOfItsLosslessReference) {
    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(KindOf(ReadData(c.file)), c.kind);
        ExpectSameViews(c.file, c.reference, kViews, c.max_mean_error);
    }
}

// A picture taller than the renderer takes, loaded at a reduced scale: a
// gradient whose views hardly change with the scale, against a small BMP of
// the same gradient; the engine holds the picture its renderer can take.
TEST_F(EngineTest, PicturesOverTheRenderersSizeLoadReducedAndTurn) {
    constexpr ViewState kTallViews[] = {{0, 0, 0, 60}, {90, 60, 0, 90}, {-120, -70, 10, 100}};
    struct Case {
        const char* file;
        int image_width;  // padded to a multiple of 4
        int image_height;
    };
    const Case cases[] = {
        {"tall.png", 32, 16384},  // 31.97 x 16384 by the area filter
        {"tall.jpg", 28, 14350},  // DCT scaling to 7/8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        PanoramaEngine engine{std::string_view(DataFile(c.file))};
        EXPECT_EQ(engine.ImageWidth(), c.image_width);
        EXPECT_EQ(engine.ImageHeight(), c.image_height);
        ExpectSameViews(c.file, "tall-ref.bmp", kTallViews, 3.0);
    }
    // In a container covering 90 degrees of pitch its canvas is twice as
    // tall as the picture, so the picture must be at most 8191 rows: DCT
    // scaling to 3/8 (12 x 6150), on a 12 x 12300 canvas.
    const Bytes pan = Container({{"BTMP", ReadData("tall.jpg")}, {"INIT", Init(0, 360, -45, 45)}});
    PanoramaEngine engine{std::span<const std::uint8_t>(pan)};
    EXPECT_EQ(engine.ImageWidth(), 12);
    EXPECT_EQ(engine.ImageHeight(), 12300);
    MemoryDrawTarget target(160, 96);
    engine.Draw(target, {0, 0, 160, 96});
    EXPECT_TRUE(std::any_of(target.Pixels().begin(), target.Pixels().end(),
                            [](std::uint8_t v) { return v != 0; }));
}

// A caller's smaller pixel budget holds for the canvas, not only the
// picture: a strip whose canvas would be twice its size is halved twice
// over, and lands exactly where ImageMagick's half-size band does.
TEST_F(EngineTest, TheCanvasOfAPartialPanoramaKeepsWithinThePixelBudget) {
    const DecodeLimits budget{.max_pixels = 96 * 48 / 4};
    PanoramaEngine engine{std::string_view(DataFile("strip.png")), budget};
    EXPECT_EQ(engine.ImageWidth(), 48);
    EXPECT_EQ(engine.ImageHeight(), 24);
    PanoramaEngine reference{std::string_view(DataFile("band-half.bmp"))};
    for (const ViewState& view : {ViewState{0, 0, 0, 40}, ViewState{150, 20, 0, 50}}) {
        MemoryDrawTarget got(160, 96);
        MemoryDrawTarget want(160, 96);
        for (PanoramaEngine* e : {&engine, &reference}) {
            MemoryDrawTarget& target = e == &engine ? got : want;
            e->Draw(target, {0, 0, 160, 96});
            e->SetView(view.heading, view.pitch, view.roll, view.zoom);
            e->Draw(target, {0, 0, 160, 96});
        }
        EXPECT_TRUE(got.Pixels() == want.Pixels()) << view.heading;
    }
}

// Views inside what the partial panoramas below cover: a band of the full
// circle 90 degrees high, and a crop covering headings -150 to 30 and
// pitches -22.5 to 67.5 (at zoom 40 in a 160 x 96 frame the view may turn
// to within 52.5 degrees of heading -60 and 24.75 of pitch 22.5).
constexpr ViewState kBandViews[] = {{0, 0, 0, 40}, {120, 20, 0, 40}, {-100, -20, 0, 60}};
constexpr ViewState kCropViews[] = {{-60, 22, 0, 40}, {-100, 5, 0, 40}, {-20, 45, 0, 40}};

struct PlacementCase {
    const char* file;
    const char* reference;  // the full panorama, black outside the picture
    std::span<const ViewState> views;
    double max_mean_error;
};

const PlacementCase kPlacements[] = {
    // Photo Sphere fields, as elements and as attributes.
    {"band.png", "band-ref.bmp", kBandViews, 0},
    {"crop.png", "crop-ref.bmp", kCropViews, 0},
    {"crop-attributes.png", "crop-ref.bmp", kCropViews, 0},
    {"crop.jpg", "crop-ref.bmp", kCropViews, kLossy},
    {"crop.webp", "crop-ref.bmp", kCropViews, 0},
    {"crop.heic", "crop-ref.bmp", kCropViews, kLossy},
    // No metadata, four times as wide as high: a strip of the full circle.
    {"strip.png", "band-ref.bmp", kBandViews, 0},
    // A crop past the full panorama's width: the fields are ignored.
    {"contradicts.png", "picture.bmp", kViews, 0},
    // Stored turned, with the Exif orientation that turns it back (the
    // JPEGs after their JFIF marker, turned losslessly by jpegtran).
    {"orient6.png", "picture.bmp", kViews, 0},
    {"orient8.webp", "picture.bmp", kViews, 0},
    {"orient3.jpg", "jfif.jpg", kViews, 1.0},
    {"orient6.jpg", "jfif.jpg", kViews, 1.0},
    {"orient8.jpg", "jfif.jpg", kViews, 1.0},
};

TEST_F(EngineTest, PlacedAndTurnedPicturesDrawTheirFullPanorama) {
    for (const PlacementCase& c : kPlacements) {
        SCOPED_TRACE(c.file);
        ExpectSameViews(c.file, c.reference, c.views, c.max_mean_error);
    }
}

TEST_F(EngineTest, PlacedPicturesCoverWhereTheirPixelsLie) {
    struct Case {
        const char* file;
        Coverage covered;
        int image_width;
        int image_height;
    };
    const Case cases[] = {
        {"band.png", {-180, 180, -45, 45}, 96, 48},
        {"strip.png", {-180, 180, -45, 45}, 96, 48},
        {"crop.png", {-150, 30, -22.5, 67.5}, 96, 48},
        {"contradicts.png", {0, 0, 0, 0}, 96, 48},
    };
    for (const Case& c : cases) {
        PanoramaEngine engine{std::string_view(DataFile(c.file))};
        EXPECT_EQ(engine.CoveredArea().heading_min, c.covered.heading_min) << c.file;
        EXPECT_EQ(engine.CoveredArea().heading_max, c.covered.heading_max) << c.file;
        EXPECT_EQ(engine.CoveredArea().pitch_min, c.covered.pitch_min) << c.file;
        EXPECT_EQ(engine.CoveredArea().pitch_max, c.covered.pitch_max) << c.file;
        EXPECT_EQ(engine.ImageWidth(), c.image_width) << c.file;
        EXPECT_EQ(engine.ImageHeight(), c.image_height) << c.file;
        const double roll_limit = c.covered.IsPartial() ? 0 : 360;
        EXPECT_EQ(engine.Limits().roll_max, roll_limit) << c.file;
    }
    // The first frame starts a partial view in the middle of what it covers:
    // the same frame as the full panorama's at heading -60, pitch 22.5.
    PanoramaEngine crop{std::string_view(DataFile("crop.png"))};
    MemoryDrawTarget target(160, 96);
    crop.Draw(target, {0, 0, 160, 96});
    EXPECT_EQ(crop.View().heading, -60);
    EXPECT_EQ(crop.View().pitch, 22.5);
    const ViewState middle[] = {{-60, 22.5, 0, 60}};
    EXPECT_TRUE(target.Pixels() == DrawViews("crop-ref.bmp", middle).front());
    // Its limits lie around that middle.
    crop.SetView(0, 80, 0, 40);
    crop.Draw(target, {0, 0, 160, 96});
    EXPECT_EQ(crop.View().heading, -7.5);
    EXPECT_EQ(crop.View().pitch, 47.25);
}

TEST_F(EngineTest, PhotoSphereInitialViewIsTheStartingView) {
    // InitialViewHeadingDegrees 40 with PoseHeadingDegrees 10: 30 degrees
    // right of the panorama's centre; pitch -12; field of view 75.
    PanoramaEngine engine{std::string_view(DataFile("view.png"))};
    for (const ViewState& v : {engine.InitialView(), engine.View()}) {
        EXPECT_EQ(v.heading, 30);
        EXPECT_EQ(v.pitch, -12);
        EXPECT_EQ(v.roll, 0);
        EXPECT_EQ(v.zoom, 75);
    }
    EXPECT_FALSE(engine.CoveredArea().IsPartial());
}

}  // namespace
}  // namespace skyweave
