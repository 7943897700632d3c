// Loading: every message text word for word, the version rule, the INIT
// reading into views, limits and coverage, and the full-sphere canvas.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>

#include "engine/engine_fixture.h"
#include "engine/load_messages.h"

namespace skyweave {
namespace {

using namespace skyweave::testing;

constexpr const char* kFormatError = "File Format Error: Cannot Format Specified Image.  ";

TEST_F(EngineTest, FileErrorsCarryTheirTexts) {
    EXPECT_EQ(LoadFileFailure(""), "File I/O Error: Cannot Find Specified File");
    EXPECT_EQ(LoadFileFailure(std::string(5000, 'a')),
              "File I/O Error: Cannot Find Specified File");
    EXPECT_EQ(LoadFileFailure((root_ / "missing.pan").string()),
              "File I/O Error: Cannot Open Specified File");
    EXPECT_EQ(LoadFileFailure(temp_.string()), "File I/O Error: Cannot Open Specified File");
    EXPECT_EQ(LoadFileFailure(WriteFile("short.pan", {'C', 'V', 'V'})),
              "File Type Error: Unsupported File Format");
    EXPECT_EQ(LoadFileFailure(WriteFile("empty.pan", {})),
              "File Type Error: Unsupported File Format");
    // Any JPEG start passes the kind test; the decoder says what is wrong.
    EXPECT_EQ(LoadFileFailure(WriteFile("exif.jpg", {0xFF, 0xD8, 0xFF, 0xE1, 0, 0})),
              "File Format Error: Cannot Format Specified Image.  Premature end of JPEG file");
}

TEST_F(EngineTest, AFileLargerThanMemoryFailsBeforeReading) {
    // Sparse files: 1 TiB no machine here holds, and just over the 512 MiB
    // a panorama file may have, each starting like a file the loader reads.
    struct Case {
        const char* name;
        Bytes head;
        off_t size;
    };
    const Case cases[] = {
        {"sparse.pan", {'C', 'V', 'V', 'L'}, off_t{1} << 40},
        {"sparse.jpg", {0xFF, 0xD8, 0xFF, 0xE0}, (off_t{512} << 20) + 1},
        {"sparse.webp", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'}, off_t{3} << 30},
    };
    for (const Case& c : cases) {
        const std::string path = WriteFile(c.name, c.head);
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        const bool grown = ::ftruncate(fd, c.size) == 0;
        ::close(fd);
        if (!grown) {
            GTEST_SKIP() << "the file system has no sparse files";
        }
        EXPECT_EQ(LoadFileFailure(path), "Resource Error: Insufficient System Memory") << c.name;
    }
}

TEST_F(EngineTest, ImageFailuresJoinTheDetailText) {
    Bytes riff = {'R', 'I', 'F', 'F', 0x24, 0, 0, 0, 'W', 'A', 'V', 'E'};
    EXPECT_EQ(LoadFailure(riff), std::string(kFormatError) + "Unsupported file fomat");
    EXPECT_EQ(LoadFileFailure(WriteFile("a.riff", riff)),
              std::string(kFormatError) + "Unsupported file fomat");
    // No "BTMP" at all: the message ends in its two blanks.
    EXPECT_EQ(LoadFailure(Container({})), kFormatError);
    EXPECT_EQ(LoadFailure(Container({{"INIT", Init(0, 0, 0, 0)}})), kFormatError);
    // A "BTMP" that runs past the end counts as absent.
    EXPECT_EQ(LoadFailure(RawContainer({{"BTMP", 32, 5000}}, PatternBmp(8, 16))), kFormatError);
    // "BM" makes a plain image even without a valid bitmap; the decoder says why.
    const std::string bad_bitmap = LoadFailure({'B', 'M', 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(bad_bitmap.rfind(kFormatError, 0), 0u) << bad_bitmap;
    EXPECT_GT(bad_bitmap.size(), std::string(kFormatError).size());
}

TEST_F(EngineTest, VersionCodesAboveZeroAreRefused) {
    const Bytes image = PatternBmp(32, 16);
    EXPECT_EQ(LoadFailure(Container({{"BTMP", image}}, 0x01)),
              "Version Error: Cannot load a version 5.0 file with version 4.0 software");
    EXPECT_EQ(LoadFailure(Container({{"BTMP", image}}, 0x7F)),
              "Version Error: Cannot load a version 131.0 file with version 4.0 software");
    EXPECT_EQ(LoadFailure(Container({{"BTMP", image}}, 0xFF)), "");
    EXPECT_EQ(LoadFailure(Container({{"BTMP", image}}, 0x80)), "");
    EXPECT_EQ(LoadFailure(Container({{"BTMP", image}}, 0x00)), "");
}

TEST_F(EngineTest, AFailedLoadLeavesTheEngineUnloaded) {
    PanoramaEngine engine{std::span<const std::uint8_t>(Container({{"BTMP", PatternBmp(32, 16)}}))};
    ASSERT_TRUE(engine.IsLoaded());
    const Bytes bad = Container({});
    EXPECT_THROW(engine.LoadMemory(bad, KindTag::kContainer), PanoramaLoadError);
    EXPECT_FALSE(engine.IsLoaded());
    EXPECT_EQ(engine.ImageWidth(), 0);
    EXPECT_EQ(engine.SetView(1, 2, 3, 4), kNotLoaded);
}

TEST_F(EngineTest, ACancelledLoadEndsUnloadedWithItsOwnText) {
    std::atomic<bool> cancel{true};
    const DecodeLimits limits{.cancel = &cancel};
    const Bytes pan = Container({{"BTMP", PatternBmp(32, 16)}});
    const std::string path = WriteFile("cancelled.pan", pan);
    const std::string jpeg = std::string(SKYWEAVE_SOURCE_DIR) + "/samples/city.jpg";
    for (const std::string& file : {path, jpeg}) {
        PanoramaEngine engine;
        try {
            engine.LoadFile(file, limits);
            ADD_FAILURE() << file << " loaded";
        } catch (const PanoramaLoadError& error) {
            EXPECT_EQ(error.what(), kTextLoadCancelled) << file;
        }
        EXPECT_FALSE(engine.IsLoaded());
    }
    try {
        PanoramaEngine engine{std::span<const std::uint8_t>(pan), limits};
        ADD_FAILURE() << "loaded";
    } catch (const PanoramaLoadError& error) {
        EXPECT_EQ(error.what(), kTextLoadCancelled);
    }
    cancel = false;
    PanoramaEngine engine{std::string_view(path), limits};
    EXPECT_TRUE(engine.IsLoaded());
}

TEST_F(EngineTest, ContainerWithoutInitIsAFullSphereAtTheDefaultView) {
    PanoramaEngine engine{std::span<const std::uint8_t>(Container({{"BTMP", PatternBmp(64, 32)}}))};
    EXPECT_EQ(engine.ImageWidth(), 64);
    EXPECT_EQ(engine.ImageHeight(), 32);
    EXPECT_EQ(engine.ImageDepth(), 24);
    for (const ViewState& v : {engine.View(), engine.InitialView()}) {
        EXPECT_EQ(v.heading, 0);
        EXPECT_EQ(v.pitch, 0);
        EXPECT_EQ(v.roll, 0);
        EXPECT_EQ(v.zoom, 60);
    }
    EXPECT_FALSE(engine.CoveredArea().IsPartial());
    EXPECT_EQ(engine.Limits().heading_min, -360);
    EXPECT_EQ(engine.Limits().roll_max, 360);
    EXPECT_EQ(engine.Limits().zoom_min, 10);
    EXPECT_EQ(engine.Limits().zoom_max, 170);
    EXPECT_EQ(engine.StillQuality(), 8);
    EXPECT_EQ(engine.Frame().width, 0);
    EXPECT_EQ(engine.Frame().bytes_per_pixel, 3);
    EXPECT_TRUE(engine.StagingPath().empty());
}

TEST_F(EngineTest, PlainJpegLoadsAsAFullSphere) {
    PanoramaEngine engine(std::string(SKYWEAVE_SOURCE_DIR) + "/samples/city.jpg");
    EXPECT_EQ(engine.ImageWidth(), 1024);
    EXPECT_EQ(engine.ImageHeight(), 512);
    EXPECT_FALSE(engine.CoveredArea().IsPartial());
    EXPECT_TRUE(engine.StagingPath().empty());
    EXPECT_EQ(engine.View().zoom, 60);
}

TEST_F(EngineTest, TheFirstOfTwoBitmapsIsTheImage) {
    PanoramaEngine engine{std::span<const std::uint8_t>(
        Container({{"BTMP", PatternBmp(64, 32)}, {"BTMP", PatternBmp(32, 16)}}))};
    EXPECT_EQ(engine.ImageWidth(), 64);
}

TEST_F(EngineTest, InitSetsTheViewsAndClampsOnlyTheInitialZoom) {
    Bytes short_init = Init(90, 45, 0, 0, 10, 20, 30, 40);
    short_init.pop_back();
    PanoramaEngine ignored{std::span<const std::uint8_t>(
        Container({{"BTMP", PatternBmp(64, 32)}, {"INIT", short_init}}))};
    EXPECT_EQ(ignored.View().heading, 0);
    EXPECT_EQ(ignored.View().zoom, 60);
    EXPECT_EQ(ignored.ImageHeight(), 32);

    PanoramaEngine wide{std::span<const std::uint8_t>(
        Container({{"BTMP", PatternBmp(64, 32)}, {"INIT", Init(0, 0, 0, 0, -30, 15, 5, 200)}}))};
    EXPECT_EQ(wide.InitialView().heading, -30);
    EXPECT_EQ(wide.InitialView().pitch, 15);
    EXPECT_EQ(wide.InitialView().roll, 5);
    EXPECT_EQ(wide.InitialView().zoom, 170);
    EXPECT_EQ(wide.View().heading, -30);
    EXPECT_EQ(wide.View().zoom, 200);
    EXPECT_FALSE(wide.CoveredArea().IsPartial());

    PanoramaEngine narrow{std::span<const std::uint8_t>(
        Container({{"BTMP", PatternBmp(64, 32)}, {"INIT", Init(0, 0, 0, 0, 0, 0, 0, 5)}}))};
    EXPECT_EQ(narrow.InitialView().zoom, 10);
    EXPECT_EQ(narrow.View().zoom, 5);
}

TEST_F(EngineTest, ExtentFormWithAHeadingRangeCoversAllHeadings) {
    PanoramaEngine engine{std::span<const std::uint8_t>(
        Container({{"BTMP", PatternBmp(64, 32)}, {"INIT", Init(-90, 90, 0, 0)}}))};
    EXPECT_EQ(engine.ImageWidth(), 64);
    EXPECT_EQ(engine.ImageHeight(), 64);
    EXPECT_EQ(engine.CoveredArea().heading_min, -180);
    EXPECT_EQ(engine.CoveredArea().heading_max, 180);
    EXPECT_EQ(engine.CoveredArea().pitch_min, -45);
    EXPECT_EQ(engine.CoveredArea().pitch_max, 45);
    EXPECT_EQ(engine.Limits().roll_min, 0);
    EXPECT_EQ(engine.Limits().roll_max, 0);
    EXPECT_EQ(engine.Limits().zoom_max, 170);  // set by the first frame
}

TEST_F(EngineTest, RangeFormOverAFullCircleLimitsOnlyPitch) {
    PanoramaEngine engine{std::span<const std::uint8_t>(
        Container({{"BTMP", PatternBmp(64, 32)}, {"INIT", Init(0, 400, -30, 30)}}))};
    EXPECT_EQ(engine.ImageHeight(), 96);
    EXPECT_EQ(engine.CoveredArea().heading_max, 180);
    EXPECT_EQ(engine.CoveredArea().pitch_min, -30);
    EXPECT_EQ(engine.CoveredArea().pitch_max, 30);
}

// The byte at (x, y) of the loaded image's pixels, y counted in stored rows.
const std::uint8_t* ImagePixel(const PanoramaEngine& engine, int x, int y) {
    return engine.ImagePixels().data() +
           (static_cast<std::size_t>(y) * engine.ImageWidth() + x) * 3;
}

TEST_F(EngineTest, PartialPanoramasAreCentredOnTheCanvas) {
    // 1000 x 300 covering 360 x 90: canvas 1000 x 600, picture in rows 150 to 449.
    PanoramaEngine band{std::span<const std::uint8_t>(
        Container({{"BTMP", PatternBmp(1000, 300)}, {"INIT", Init(360, 90, 0, 0)}}))};
    ASSERT_EQ(band.ImageWidth(), 1000);
    ASSERT_EQ(band.ImageHeight(), 600);
    // The first stored row is the picture's bottom row (y = 299 from the top).
    EXPECT_EQ(ImagePixel(band, 0, 150)[1], 299 & 0xFF);
    EXPECT_EQ(ImagePixel(band, 0, 150)[0], 99);
    EXPECT_EQ(ImagePixel(band, 5, 449)[2], 5);
    EXPECT_EQ(ImagePixel(band, 5, 449)[1], 0);
    EXPECT_EQ(ImagePixel(band, 0, 149)[0], 0);
    EXPECT_EQ(ImagePixel(band, 0, 450)[0], 0);
    EXPECT_EQ(band.CoveredArea().heading_min, -180);
    EXPECT_EQ(band.CoveredArea().heading_max, 180);
    EXPECT_EQ(band.CoveredArea().pitch_min, -45);
    EXPECT_EQ(band.CoveredArea().pitch_max, 45);
    EXPECT_EQ(band.Limits().roll_min, 0);
    EXPECT_EQ(band.Limits().roll_max, 0);

    // 800 x 400 covering 180 x 90: canvas 1600 x 800, picture from column 400, row 200.
    PanoramaEngine half{std::span<const std::uint8_t>(
        Container({{"BTMP", PatternBmp(800, 400)}, {"INIT", Init(-90, 90, -45, 45)}}))};
    ASSERT_EQ(half.ImageWidth(), 1600);
    ASSERT_EQ(half.ImageHeight(), 800);
    EXPECT_EQ(ImagePixel(half, 400, 200)[0], 99);
    EXPECT_EQ(ImagePixel(half, 400, 200)[2], 0);
    EXPECT_EQ(ImagePixel(half, 399, 200)[0], 0);
    EXPECT_EQ(ImagePixel(half, 1199, 599)[2], 799 & 0xFF);
    EXPECT_EQ(ImagePixel(half, 1200, 599)[0], 0);
    EXPECT_EQ(half.CoveredArea().heading_min, -90);
    EXPECT_EQ(half.CoveredArea().pitch_max, 45);
}

TEST_F(EngineTest, ACanvasOverTwoToTheThirtyPixelsIsRefused) {
    // One degree by one degree of a 256 x 128 picture: 92160 x 23040 pixels.
    EXPECT_EQ(LoadFailure(Container({{"BTMP", PatternBmp(256, 128)}, {"INIT", Init(0, 1, 0, 1)}})),
              "Resource Error: Insufficient System Memory");
}

}  // namespace
}  // namespace skyweave
