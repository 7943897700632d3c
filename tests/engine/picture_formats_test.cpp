// Every picture format the loader takes, against independent data: the
// small files of tests/data/formats, made by other encoders (see
// make-pictures.sh there), each loaded through the engine and drawn at a
// few views, compared with the same views of a lossless 24-bit BMP of the
// same pixels: identical for lossless formats, within a mean error for
// lossy ones.
#include <cstdlib>
#include <fstream>
#include <iterator>

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
// of the views above, one 160 x 96 picture each, top row first.
std::vector<Bytes> DrawViews(const std::string& name) {
    std::vector<Bytes> frames;
    try {
        PanoramaEngine engine{std::string_view(DataFile(name))};
        for (const ViewState& view : kViews) {
            MemoryDrawTarget target(160, 96);
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
        const std::vector<Bytes> got = DrawViews(c.file);
        const std::vector<Bytes> want = DrawViews(c.reference);
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t v = 0; v < got.size(); ++v) {
            if (c.max_mean_error == 0) {
                EXPECT_TRUE(got[v] == want[v])
                    << "view " << v << " mean error " << MeanError(got[v], want[v]);
            } else {
                EXPECT_LE(MeanError(got[v], want[v]), c.max_mean_error) << "view " << v;
            }
        }
    }
}

}  // namespace
}  // namespace skyweave
