// The frame pipeline: buffer sizes, the centred crop, the still cache, the
// clamps and their results, and the copy onto an in-memory target checked
// pixel for pixel against the renderer called directly.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

#include "engine/engine_fixture.h"
#include "engine/engine_state.h"
#include "image/screen_depth.h"
#include "platform/core/memory_draw_target.h"
#include "render/render_view.h"

namespace skyweave {
namespace {

using namespace skyweave::testing;

// The view drawn by the renderer alone into a frame of frame_w x frame_h.
std::vector<std::uint8_t> ReferenceFrame(const PanoramaEngine& engine, const ViewState& view,
                                         int frame_w, int frame_h, int kind) {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(frame_w) * frame_h * 3, 0);
    PanoramaRenderer renderer;
    EXPECT_EQ(RenderView(renderer, view, frame_w, frame_h, frame, engine.ImageWidth(),
                         engine.ImageHeight(), engine.ImagePixels(), 24, kind),
              1);
    return frame;
}

// Checks that `target` holds the centred w x h crop of the bottom-up
// `frame`, top row first.
void ExpectCrop(const MemoryDrawTarget& target, const std::vector<std::uint8_t>& frame, int frame_w,
                int frame_h, int w, int h) {
    const int x0 = (frame_w - w) / 2;
    const int y0 = (frame_h - h) / 2;
    ASSERT_EQ(target.Depth(), 24);
    int mismatches = 0;
    for (int y = 0; y < h; ++y) {
        const int frame_row = y0 + h - 1 - y;
        const std::uint8_t* want =
            frame.data() + (static_cast<std::size_t>(frame_row) * frame_w + x0) * 3;
        const std::uint8_t* got =
            target.Pixels().data() + static_cast<std::size_t>(y) * target.Width() * 3;
        mismatches += std::memcmp(want, got, static_cast<std::size_t>(w) * 3) != 0;
    }
    EXPECT_EQ(mismatches, 0);
}

class FrameTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        image_ = DistinctPixelsBmp();
    }
    Bytes image_;
};

TEST_F(FrameTest, ARectangleOf100By50IsDrawnFromA128By64FrameCentred) {
    PanoramaEngine engine{std::span<const std::uint8_t>(image_)};
    MemoryDrawTarget target(100, 50);
    ASSERT_EQ(engine.SetView(30, 10, 5, 90), kDone);
    ASSERT_EQ(engine.Draw(target, {0, 0, 100, 50}), kDone);
    EXPECT_EQ(engine.Frame().width, 128);
    EXPECT_EQ(engine.Frame().height, 64);
    EXPECT_EQ(target.LastSourceX(), 14);
    EXPECT_EQ(target.LastSourceY(), 7);
    EXPECT_EQ(target.LastDest(), (PixelRect{0, 0, 100, 50}));
    ExpectCrop(target, ReferenceFrame(engine, {30, 10, 5, 90}, 128, 64, 0), 128, 64, 100, 50);
}

TEST_F(FrameTest, OddExcessLosesTheExtraColumnOnTheRightAndRowOnTop) {
    PanoramaEngine engine{std::span<const std::uint8_t>(image_)};
    MemoryDrawTarget target(101, 51);
    engine.SetView(-120, -20, 0, 70);
    engine.Draw(target, {0, 0, 101, 51});
    EXPECT_EQ(target.LastSourceX(), 13);
    EXPECT_EQ(target.LastSourceY(), 6);
    ExpectCrop(target, ReferenceFrame(engine, {-120, -20, 0, 70}, 128, 64, 0), 128, 64, 101, 51);
    // Exact multiples of 32 are not enlarged.
    MemoryDrawTarget exact(640, 64);
    engine.Draw(exact, {0, 0, 640, 64});
    EXPECT_EQ(engine.Frame().width, 640);
    EXPECT_EQ(exact.LastSourceX(), 0);
}

TEST_F(FrameTest, ThreeIdenticalFramesMoveThenRenderStillThenCopy) {
    PanoramaEngine engine{std::span<const std::uint8_t>(image_)};
    MemoryDrawTarget target(96, 64);
    const PixelRect rect{0, 0, 96, 64};
    engine.SetView(45, 0, 0, 80);
    engine.Draw(target, rect);
    EXPECT_EQ(engine.Statistics().moving_renders, 1u);
    EXPECT_EQ(engine.Statistics().last_filter_kind, 0);
    engine.SetView(45, 0, 0, 80);
    engine.Draw(target, rect);
    EXPECT_EQ(engine.Statistics().still_renders, 1u);
    EXPECT_EQ(engine.Statistics().last_filter_kind, 8);
    const std::vector<std::uint8_t> still = target.Pixels();
    ExpectCrop(target, ReferenceFrame(engine, {45, 0, 0, 80}, 96, 64, 8), 96, 64, 96, 64);
    engine.SetView(45, 0, 0, 80);
    MemoryDrawTarget again(96, 64);
    engine.Draw(again, rect);
    EXPECT_EQ(engine.Statistics().still_copies, 1u);
    EXPECT_EQ(engine.Statistics().still_renders, 1u);
    EXPECT_EQ(engine.Statistics().moving_renders, 1u);
    EXPECT_EQ(again.Pixels(), still);
    // A new view moves again; a new size drops the kept picture.
    engine.SetView(46, 0, 0, 80);
    engine.Draw(target, rect);
    EXPECT_EQ(engine.Statistics().moving_renders, 2u);
    engine.Draw(target, rect);
    EXPECT_EQ(engine.Statistics().still_renders, 2u);
    engine.Draw(target, {0, 0, 64, 64});
    EXPECT_EQ(engine.Statistics().still_renders, 3u);
}

TEST_F(FrameTest, ChangingTheStillQualityRendersTheRestingViewAgain) {
    PanoramaEngine engine{std::span<const std::uint8_t>(image_)};
    MemoryDrawTarget target(64, 64);
    for (int i = 0; i < 3; ++i) {
        engine.Draw(target, {0, 0, 64, 64});
    }
    EXPECT_EQ(engine.Statistics().still_copies, 1u);
    engine.SetStillQuality(1);
    engine.Draw(target, {0, 0, 64, 64});
    EXPECT_EQ(engine.Statistics().still_renders, 2u);
    EXPECT_EQ(engine.Statistics().last_filter_kind, 1);
    ExpectCrop(target, ReferenceFrame(engine, engine.View(), 64, 64, 1), 64, 64, 64, 64);
}

TEST_F(FrameTest, SmoothMotionDrawsMovingFramesWithTheStillFilter) {
    const struct {
        bool smooth;
        std::int16_t quality;
        std::int16_t filter;
    } cases[] = {{false, 8, 0}, {true, 8, 8}, {true, 1, 1}, {true, 0, 0}};
    for (const auto& c : cases) {
        PanoramaEngine engine{std::span<const std::uint8_t>(image_)};
        engine.SetSmoothMotion(c.smooth);
        engine.SetStillQuality(c.quality);
        MemoryDrawTarget target(96, 64);
        for (const double heading : {45.0, 46.0}) {
            engine.SetView(heading, 0, 0, 80);
            engine.Draw(target, {0, 0, 96, 64});
        }
        EXPECT_EQ(engine.Statistics().moving_renders, 2u) << c.smooth << c.quality;
        EXPECT_EQ(engine.Statistics().last_filter_kind, c.filter) << c.smooth << c.quality;
        ExpectCrop(target, ReferenceFrame(engine, {46, 0, 0, 80}, 96, 64, c.filter), 96, 64, 96,
                   64);
    }
}

TEST_F(FrameTest, StillQualityZeroAndEightBitImagesAlwaysMove) {
    PanoramaEngine engine{std::span<const std::uint8_t>(image_)};
    engine.SetStillQuality(0);
    MemoryDrawTarget target(64, 64);
    for (int i = 0; i < 3; ++i) {
        engine.Draw(target, {0, 0, 64, 64});
    }
    EXPECT_EQ(engine.Statistics().moving_renders, 3u);

    const Bytes eight = Bmp8(
        64, 32,
        [](int i) {
            return Rgb{static_cast<std::uint8_t>(i), 0, 0};
        },
        [](int x, int y) { return static_cast<std::uint8_t>(x + y); });
    PanoramaEngine indexed{std::span<const std::uint8_t>(eight)};
    ASSERT_EQ(indexed.ImageDepth(), 8);
    for (int i = 0; i < 3; ++i) {
        indexed.Draw(target, {0, 0, 64, 64});
    }
    EXPECT_EQ(indexed.Statistics().moving_renders, 3u);
    EXPECT_EQ(target.Depth(), 8);
    ASSERT_EQ(target.ColorTable().size(), 1024u);
    EXPECT_EQ(target.ColorTable()[4 * 200 + 2], 200);    // red of entry 200
    EXPECT_FALSE(target.SelectedPalette().has_value());  // a 24-bit screen needs none
}

TEST_F(FrameTest, EightBitScreensGetTheSharedPaletteFromTheColourTable) {
    ::setenv("SKYWEAVE_SCREEN_DEPTH", "8", 1);
    const Bytes eight = Bmp8(
        64, 32,
        [](int i) {
            return Rgb{static_cast<std::uint8_t>(255 - i), 7, static_cast<std::uint8_t>(i)};
        },
        [](int x, int) { return static_cast<std::uint8_t>(x); });
    PanoramaEngine engine{std::span<const std::uint8_t>(eight)};
    ASSERT_EQ(ScreenDepth(), 8);
    MemoryDrawTarget target(32, 32);
    engine.Draw(target, {0, 0, 32, 32});
    ASSERT_TRUE(target.SelectedPalette().has_value());
    const Palette& palette = *target.SelectedPalette();
    EXPECT_EQ(palette[3], (PaletteEntry{252, 7, 3, 0}));
    EXPECT_EQ(palette[255], (PaletteEntry{0, 7, 255, 0}));
    EXPECT_EQ(SharedPalette(), palette);
}

TEST_F(FrameTest, ZoomBeyondItsLimitsIsClampedAndReported) {
    PanoramaEngine engine{std::span<const std::uint8_t>(
        Container({{"BTMP", image_}, {"INIT", Init(0, 0, 0, 0, 0, 0, 0, 200)}}))};
    MemoryDrawTarget target(64, 64);
    EXPECT_EQ(engine.View().zoom, 200);
    engine.SetDestRect(nullptr);  // the target's client rectangle
    EXPECT_EQ(engine.RenderFrame(target), kFrameLimited);
    EXPECT_EQ(engine.View().zoom, 170);
    EXPECT_EQ(engine.Statistics().moving_renders, 1u);
    EXPECT_EQ(engine.RenderFrame(target), kFrameDrawn);
    engine.SetView(0, 0, 0, 5);
    EXPECT_EQ(engine.RenderFrame(target), kFrameLimited);
    EXPECT_EQ(engine.View().zoom, 10);
    // A full sphere limits nothing else: the wrapped angles stay.
    engine.SetView(179, -179, 179, 60);
    EXPECT_EQ(engine.RenderFrame(target), kFrameDrawn);
    EXPECT_EQ(engine.View().heading, 179);
}

TEST_F(FrameTest, APartialPanoramaCentresItsOwnViewOnASizeChangeAndKeepsAnAskedOne) {
    // 120 x 60 degrees.
    PanoramaEngine engine{
        std::span<const std::uint8_t>(Container({{"BTMP", Bmp24(128, 64,
                                                                [](int, int) {
                                                                    return Rgb{1, 2, 3};
                                                                })},
                                                 {"INIT", Init(120, 60, 0, 0, 10, 5, 0, 30)}}))};
    MemoryDrawTarget target(640, 480);
    // The file's view (10, 5) is centred on the first frame.
    EXPECT_EQ(engine.Draw(target, {0, 0, 640, 480}), kDone);
    EXPECT_EQ(engine.View().heading, 0);
    EXPECT_EQ(engine.View().pitch, 0);
    EXPECT_EQ(engine.View().roll, 0);
    // MaxZoomForCoverage(640, 480, 120, 60) = 0.75 x 2 atan(640 tan 30 / 480).
    const double pi = 2 * std::acos(0.0);
    const double expected_max = 0.75 * 2 * std::atan(640 * std::tan(pi / 6) / 480) * 180 / pi;
    EXPECT_NEAR(engine.Limits().zoom_max, expected_max, 1e-9);
    // Same size: heading and pitch inside their limits stay, roll is held at 0.
    engine.SetView(10, 5, 7, 30);
    EXPECT_EQ(engine.RenderFrame(target), kFrameLimited);
    EXPECT_EQ(engine.View().heading, 10);
    EXPECT_EQ(engine.View().pitch, 5);
    EXPECT_EQ(engine.View().roll, 0);
    EXPECT_DOUBLE_EQ(engine.Limits().heading_max, (120 - 30) * 0.375);
    EXPECT_DOUBLE_EQ(engine.Limits().pitch_max, (60 - 480.0 / 640 * 30) * 0.375);
    // Beyond the heading limit: clamped, 8.
    engine.SetView(50, 0, 0, 30);
    EXPECT_EQ(engine.RenderFrame(target), kFrameLimited);
    EXPECT_DOUBLE_EQ(engine.View().heading, 33.75);
    // A new size keeps an asked view inside its limits; the roll goes to 0.
    engine.SetView(10, 5, 3, 30);
    EXPECT_EQ(engine.Draw(target, {0, 0, 320, 240}), kDone);
    EXPECT_EQ(engine.View().heading, 10);
    EXPECT_EQ(engine.View().pitch, 5);
    EXPECT_EQ(engine.View().roll, 0);
}

TEST_F(FrameTest, EmptyDestinationsDrawNothing) {
    PanoramaEngine engine{std::span<const std::uint8_t>(image_)};
    MemoryDrawTarget target(64, 64);
    for (const PixelRect& rect : {PixelRect{0, 0, 0, 10}, PixelRect{0, 0, 10, 0},
                                  PixelRect{20, 20, 10, 30}, PixelRect{5, 5, 5, 30}}) {
        engine.SetDestRect(&rect);
        EXPECT_EQ(engine.RenderFrame(target), kFrameNone);
    }
    MemoryDrawTarget empty(0, 0);
    engine.SetDestRect(nullptr);
    EXPECT_EQ(engine.RenderFrame(empty), kFrameNone);
    EXPECT_EQ(target.CopyCount(), 0);
}

TEST_F(FrameTest, SetViewWrapsAnglesAndKeepsZoom) {
    PanoramaEngine engine{std::span<const std::uint8_t>(image_)};
    EXPECT_EQ(engine.SetView(540, -180, 190, 60), kDone);
    EXPECT_EQ(engine.View().heading, 180);
    EXPECT_EQ(engine.View().pitch, 180);
    EXPECT_EQ(engine.View().roll, -170);
    engine.SetView(-180, 180, -540, 1000);
    EXPECT_EQ(engine.View().heading, 180);
    EXPECT_EQ(engine.View().pitch, 180);
    EXPECT_EQ(engine.View().roll, 180);
    EXPECT_EQ(engine.View().zoom, 1000);
    engine.SetView(1e300, -1e300, 720.5, 60);  // must not loop for ever
    EXPECT_GT(engine.View().heading, -180);
    EXPECT_LE(engine.View().heading, 180);
    EXPECT_DOUBLE_EQ(engine.View().roll, 0.5);
}

TEST_F(FrameTest, AnEngineWhoseLoadFailedAnswersNotLoaded) {
    PanoramaEngine engine;
    EXPECT_THROW(engine.LoadMemory(Container({}), KindTag::kContainer), PanoramaLoadError);
    MemoryDrawTarget target(64, 64);
    EXPECT_EQ(engine.Draw(target, {0, 0, 64, 64}), kNotLoaded);
    EXPECT_EQ(engine.SetView(1, 2, 3, 4), kNotLoaded);
    EXPECT_EQ(engine.SetDestRect(nullptr), kNotLoaded);
    EXPECT_EQ(engine.RenderFrame(target), kFrameNone);
    EXPECT_EQ(target.CopyCount(), 0);
    engine.Close();
    engine.Close();
}

// A datagram socket bound where the diagnostic channel sends.
class DiagnosticListener {
  public:
    explicit DiagnosticListener(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        bound_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~DiagnosticListener() { ::close(fd_); }
    bool Bound() const { return bound_; }
    // The next datagram, or "" when none is waiting.
    std::string Next() {
        char buffer[256];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }

  private:
    int fd_ = -1;
    bool bound_ = false;
};

TEST_F(FrameTest, AFailedBufferAllocationSendsMemFaultAndDrawsNothing) {
    DiagnosticListener listener((runtime_ / "dbs.sock").string());
    ASSERT_TRUE(listener.Bound());
    PanoramaEngine engine{std::span<const std::uint8_t>(image_)};
    MemoryDrawTarget target(64, 64);
    const PixelRect huge{0, 0, 2000000000, 2000000000};
    engine.SetDestRect(&huge);
    EXPECT_EQ(engine.RenderFrame(target), kFrameNone);
    EXPECT_EQ(listener.Next(), std::string("Mem Fault\n\0", 11));
    // Later frames neither draw into nor copy from the missing buffer.
    EXPECT_EQ(engine.RenderFrame(target), kFrameNone);
    EXPECT_EQ(engine.RenderFrame(target), kFrameNone);
    EXPECT_EQ(target.CopyCount(), 0);
    EXPECT_EQ(engine.Statistics().moving_renders + engine.Statistics().still_renders +
                  engine.Statistics().still_copies,
              0u);
    // A size that fits works again.
    EXPECT_EQ(engine.Draw(target, {0, 0, 64, 64}), kDone);
    EXPECT_EQ(target.CopyCount(), 1);
    EXPECT_EQ(engine.Statistics().moving_renders, 1u);
}

// A scope whose wait ran out reports it and, at its end, leaves the lock to
// the one who holds it: the holder's operation is not opened to a third.
TEST_F(FrameTest, ATimedOutScopeNeverReleasesALockItDidNotTake) {
    DiagnosticListener listener((runtime_ / "dbs.sock").string());
    ASSERT_TRUE(listener.Bound());
    StateLock lock;
    std::optional<StateLockScope> holder(std::in_place, lock);
    ASSERT_TRUE(holder->held());
    {
        StateLockScope late(lock, std::chrono::milliseconds(30));
        EXPECT_FALSE(late.held());
    }
    EXPECT_EQ(listener.Next(), std::string("\x07*\0", 3));
    EXPECT_FALSE(lock.Acquire(std::chrono::milliseconds(0))) << "the late scope freed the lock";
    holder.reset();
    EXPECT_TRUE(lock.Acquire(std::chrono::milliseconds(0)));
}

}  // namespace
}  // namespace skyweave
