// Several views of one loaded picture (one per monitor): each view draws
// exactly what an engine of its own draws, keeps its own still picture and
// its own limits, starts as the file's view, and views that do not exist
// draw nothing.
#include "engine/engine_fixture.h"
#include "platform/core/memory_draw_target.h"

namespace skyweave {
namespace {

using namespace skyweave::testing;

class EngineViewsTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        image_ = DistinctPixelsBmp();
    }
    Bytes image_;
};

TEST_F(EngineViewsTest, EachViewDrawsWhatAnEngineOfItsOwnDraws) {
    PanoramaEngine shared{std::span<const std::uint8_t>(image_)};
    shared.SetViewCount(2);
    PanoramaEngine alone[2] = {PanoramaEngine{std::span<const std::uint8_t>(image_)},
                               PanoramaEngine{std::span<const std::uint8_t>(image_)}};
    // Frames taken in turns; view 0 rests from its second frame on (moving,
    // then the still render, then copies) while view 1 keeps turning, and
    // the two rectangles differ in size, so that any state the views share
    // by mistake (buffers, view key, still picture) shows in the pixels.
    const struct {
        int view;
        ViewState at;
        PixelRect rect;
    } frames[] = {
        {0, {30, 10, 5, 90}, {0, 0, 100, 50}},   {1, {-60, 0, 0, 60}, {0, 0, 64, 70}},
        {0, {30, 10, 5, 90}, {0, 0, 100, 50}},   {1, {-58, 1, 0, 60}, {0, 0, 64, 70}},
        {0, {30, 10, 5, 90}, {0, 0, 100, 50}},   {1, {-56, 2, 0, 60}, {0, 0, 64, 70}},
        {0, {30, 10, 5, 90}, {0, 0, 100, 50}},   {1, {-56, 2, 0, 60}, {0, 0, 64, 70}},
        {1, {-56, 2, 0, 60}, {0, 0, 64, 70}},    {0, {31, 10, 5, 90}, {0, 0, 100, 50}},
        {0, {31, 10, 5, 90}, {10, 20, 110, 70}},
    };
    int step = 0;
    for (const auto& f : frames) {
        MemoryDrawTarget got(200, 100);
        MemoryDrawTarget want(200, 100);
        ASSERT_EQ(shared.SetView(f.at.heading, f.at.pitch, f.at.roll, f.at.zoom, f.view), kDone);
        ASSERT_EQ(shared.Draw(got, f.rect, f.view), kDone);
        alone[f.view].SetView(f.at.heading, f.at.pitch, f.at.roll, f.at.zoom);
        alone[f.view].Draw(want, f.rect);
        EXPECT_EQ(got.Pixels(), want.Pixels()) << "frame " << step;
        EXPECT_EQ(shared.Frame(f.view).width, alone[f.view].Frame().width) << step;
        ++step;
    }
    const FrameStatistics& s = shared.Statistics();
    const FrameStatistics& a = alone[0].Statistics();
    const FrameStatistics& b = alone[1].Statistics();
    EXPECT_EQ(s.moving_renders, a.moving_renders + b.moving_renders);
    EXPECT_EQ(s.still_renders, a.still_renders + b.still_renders);
    EXPECT_EQ(s.still_copies, a.still_copies + b.still_copies);
    // View 0 rested for three frames: one still render, then two copies.
    EXPECT_EQ(a.still_copies, 2u);
}

TEST_F(EngineViewsTest, APartialPanoramaKeepsLimitsPerViewAndNewViewsStartAtTheFilesView) {
    // 120 x 60 degrees, initial view heading 10, pitch 5, zoom 30.
    const Bytes file = Container({{"BTMP", Bmp24(128, 64,
                                                 [](int, int) {
                                                     return Rgb{1, 2, 3};
                                                 })},
                                  {"INIT", Init(120, 60, 0, 0, 10, 5, 0, 30)}});
    PanoramaEngine engine{std::span<const std::uint8_t>(file)};
    engine.SetViewCount(3);
    for (int v = 0; v < 3; ++v) {
        EXPECT_EQ(engine.View(v).heading, 10) << v;
        EXPECT_EQ(engine.View(v).pitch, 5) << v;
        EXPECT_EQ(engine.View(v).zoom, 30) << v;
        EXPECT_EQ(engine.Limits(v).roll_max, 0) << v;
    }
    // A wide and a tall view: the widest zoom the coverage allows differs.
    PanoramaEngine wide_alone{std::span<const std::uint8_t>(file)};
    PanoramaEngine tall_alone{std::span<const std::uint8_t>(file)};
    MemoryDrawTarget target(640, 480);
    engine.Draw(target, {0, 0, 640, 480}, 0);
    engine.Draw(target, {0, 0, 320, 480}, 2);
    wide_alone.Draw(target, {0, 0, 640, 480});
    tall_alone.Draw(target, {0, 0, 320, 480});
    EXPECT_DOUBLE_EQ(engine.Limits(0).zoom_max, wide_alone.Limits().zoom_max);
    EXPECT_DOUBLE_EQ(engine.Limits(2).zoom_max, tall_alone.Limits().zoom_max);
    EXPECT_NE(engine.Limits(0).zoom_max, engine.Limits(2).zoom_max);
    // View 1 was never drawn: still the file's view and no frame.
    EXPECT_EQ(engine.View(1).heading, 10);
    EXPECT_EQ(engine.Frame(1).width, 0);
}

TEST_F(EngineViewsTest, ViewCountsAndViewsThatDoNotExist) {
    PanoramaEngine engine{std::span<const std::uint8_t>(image_)};
    const struct {
        int asked;
        int kept;
    } counts[] = {
        {1, 1}, {3, 3}, {0, 1}, {-4, 1}, {kMaxViews, kMaxViews}, {kMaxViews + 1, kMaxViews},
        {2, 2}};
    for (const auto& c : counts) {
        engine.SetViewCount(c.asked);
        EXPECT_EQ(engine.ViewCount(), c.kept) << c.asked;
    }
    MemoryDrawTarget target(64, 64);
    for (int missing : {-1, 2, kMaxViews}) {
        EXPECT_EQ(engine.SetView(1, 2, 3, 60, missing), kNotLoaded) << missing;
        EXPECT_EQ(engine.SetDestRect(nullptr, missing), kNotLoaded) << missing;
        EXPECT_EQ(engine.Draw(target, {0, 0, 64, 64}, missing), kNotLoaded) << missing;
        EXPECT_EQ(engine.RenderFrame(target, missing), kFrameNone) << missing;
    }
    EXPECT_EQ(target.CopyCount(), 0);
    EXPECT_THROW(engine.Frame(2), std::out_of_range);

    // A dropped view comes back fresh; the count outlives a new load, and
    // Close empties every view.
    engine.SetView(40, 0, 0, 70, 1);
    engine.Draw(target, {0, 0, 64, 64}, 1);
    EXPECT_EQ(engine.Frame(1).width, 64);
    engine.SetViewCount(1);
    engine.SetViewCount(2);
    EXPECT_EQ(engine.View(1).heading, 0);
    EXPECT_EQ(engine.Frame(1).width, 0);
    engine.Draw(target, {0, 0, 64, 64}, 1);
    engine.LoadMemory(image_, KindTag::kBitmap);
    EXPECT_EQ(engine.ViewCount(), 2);
    EXPECT_EQ(engine.Frame(1).width, 0);
    engine.Draw(target, {0, 0, 64, 64}, 0);
    engine.Draw(target, {0, 0, 32, 32}, 1);
    engine.Close();
    for (int v = 0; v < 2; ++v) {
        EXPECT_EQ(engine.Frame(v).width, 0) << v;
        EXPECT_EQ(engine.Draw(target, {0, 0, 64, 64}, v), kNotLoaded) << v;
    }
}

TEST_F(EngineViewsTest, AStripTiltsWithinWhatItCovers) {
    // A 3:1 strip covers pitch -60 to +60; each row's grey is twice its
    // number from the top, so the grey under the view's centre tells the
    // pitch drawn (within a few rows: the nearest filter and the 32-pixel
    // grid). At 160 x 96 and zoom 40 the pitch may reach +-36.
    const Bytes strip = Bmp24(384, 128, [](int, int y) {
        const auto grey = static_cast<std::uint8_t>(2 * y);
        return Rgb{grey, grey, grey};
    });
    const struct {
        double asked;
        double drawn;
    } cases[] = {{0, 0}, {20, 20}, {-30, -30}, {55, 36}, {-80, -36}};
    for (const auto& c : cases) {
        PanoramaEngine engine{std::span<const std::uint8_t>(strip)};
        ASSERT_TRUE(engine.CoveredArea().IsPartial());
        engine.SetView(0, c.asked, 0, 40);
        MemoryDrawTarget target(160, 96);
        engine.Draw(target, {0, 0, 160, 96});
        EXPECT_EQ(engine.View().pitch, c.drawn) << c.asked;
        const double row = (60 - c.drawn) / 120 * 128;
        const int centre = target.Pixels()[(48 * 160 + 80) * 3];
        EXPECT_NEAR(centre, 2 * row, 8) << c.asked;
    }
    // Without an asked view the first frame still starts in the middle.
    PanoramaEngine engine{std::span<const std::uint8_t>(strip)};
    MemoryDrawTarget target(160, 96);
    engine.Draw(target, {0, 0, 160, 96});
    EXPECT_EQ(engine.View().pitch, 0);
}

}  // namespace
}  // namespace skyweave
