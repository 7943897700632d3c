// The automatic motion: speeds, bounces, wrap, random draws and the view
// rectangle's placement and drift, against values worked out by hand and an
// independent copy of the 0..32767 generator.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "app/auto_motion.h"

namespace skyweave {
namespace {

// The generator written out again, so that expected placements do not come
// from the code under test.
struct ReferenceRandom {
    std::uint32_t state = 1;
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

SaverSettings Fixed(std::int32_t heading, std::int32_t pitch, std::int32_t roll) {
    SaverSettings s;
    s.heading = heading;
    s.pitch = pitch;
    s.roll = roll;
    s.headingRandom = s.pitchRandom = s.rollRandom = false;
    return s;
}

TEST(AutoMotionTest, HeadingReachesExactly360AndWrapsOnTheNextFrame) {
    AutoMotion motion(Fixed(15, 0, 0));
    motion.Advance();
    EXPECT_DOUBLE_EQ(motion.heading(), 1.5);
    for (int i = 1; i < 240; ++i) {
        motion.Advance();
    }
    EXPECT_EQ(motion.heading(), 360.0);
    motion.Advance();
    EXPECT_DOUBLE_EQ(motion.heading(), 1.5);
}

TEST(AutoMotionTest, NegativeHeadingWrapsBelowZeroAndSpeedIsClamped) {
    AutoMotion motion(Fixed(-15, 0, 0));
    motion.Advance();
    EXPECT_DOUBLE_EQ(motion.heading(), 358.5);

    AutoMotion fast(Fixed(1000, 0, 0));
    fast.Advance();
    EXPECT_EQ(fast.heading_speed(), 300);
    EXPECT_DOUBLE_EQ(fast.heading(), 30.0);

    AutoMotion slow(Fixed(-1000, 0, 0));
    slow.Advance();
    EXPECT_EQ(slow.heading_speed(), -300);
    EXPECT_DOUBLE_EQ(slow.heading(), 330.0);
}

TEST(AutoMotionTest, PitchBouncesOneStepBackFromTheLimit) {
    AutoMotion motion(Fixed(0, 30, 0));
    motion.SetAngles(0.0, 89.0, 0.0);
    motion.Advance();
    EXPECT_DOUBLE_EQ(motion.pitch(), 86.0);
    EXPECT_EQ(motion.pitch_speed(), -30);
    motion.Advance();
    EXPECT_DOUBLE_EQ(motion.pitch(), 83.0);

    // Exactly 90 is inside.
    AutoMotion edge(Fixed(0, 10, 0));
    edge.SetAngles(0.0, 89.0, 0.0);
    edge.Advance();
    EXPECT_DOUBLE_EQ(edge.pitch(), 90.0);
    EXPECT_EQ(edge.pitch_speed(), 10);
}

TEST(AutoMotionTest, PitchBouncesWithinANarrowedRange) {
    // A strip that lets the view tilt from -36 to +12: pitch 0 at 10 tenths
    // per frame turns back after 12, then at -36 the other way.
    const struct {
        double low, high, start;
        int frames;
        double pitch;
        std::int32_t speed;
    } cases[] = {
        {-36, 12, 0, 12, 12, 10},
        {-36, 12, 0, 13, 11, -10},
        {-36, 12, 0, 60, -36, -10},
        {-36, 12, 0, 61, -35, 10},
        {20, 30, 0, 1, 20, -10},          // started below: brought in at once
        {5, 5, 0, 3, 5, -10},             // a range of one angle holds it
        {-200, 200, 89.5, 1, 88.5, -10},  // never wider than -90..90
        {10, -10, 0, 1, 0, -10},          // an empty range becomes its middle
    };
    for (const auto& c : cases) {
        AutoMotion motion(Fixed(0, 10, 0));
        motion.SetAngles(0, c.start, 0);
        motion.SetPitchRange(c.low, c.high);
        for (int i = 0; i < c.frames; ++i) {
            motion.Advance();
        }
        EXPECT_NEAR(motion.pitch(), c.pitch, 1e-9) << c.low << " " << c.high << " " << c.frames;
        EXPECT_EQ(motion.pitch_speed(), c.speed) << c.low << " " << c.high << " " << c.frames;
    }
}

TEST(AutoMotionTest, RollBouncesAtMinus90LikePitch) {
    AutoMotion motion(Fixed(0, 0, -50));
    motion.SetAngles(0.0, 0.0, -88.0);
    motion.Advance();
    EXPECT_DOUBLE_EQ(motion.roll(), -83.0);
    EXPECT_EQ(motion.roll_speed(), 50);
}

TEST(AutoMotionTest, OutOfRangePitchAndRollSpeedsRunAtPlus300) {
    AutoMotion motion(Fixed(0, -400, 400));
    motion.Advance();
    EXPECT_EQ(motion.pitch_speed(), 300);
    EXPECT_DOUBLE_EQ(motion.pitch(), 30.0);
    EXPECT_EQ(motion.roll_speed(), 300);

    // The most negative stored value must not overflow on its way to +300.
    AutoMotion extreme(Fixed(std::numeric_limits<std::int32_t>::min(),
                             std::numeric_limits<std::int32_t>::min(), 0));
    extreme.Advance();
    EXPECT_EQ(extreme.heading_speed(), -300);
    EXPECT_EQ(extreme.pitch_speed(), 300);
}

TEST(AutoMotionTest, RandomDrawStaysWithinTheConfiguredBound) {
    SaverSettings s;
    s.heading = -15;
    s.pitch = 2;
    s.roll = 0;
    AutoMotion motion(s);
    motion.SeedFromTime(12345);
    bool saw_negative = false;
    bool saw_positive = false;
    for (int i = 0; i < 2000; ++i) {
        motion.RandomDraw();
        EXPECT_GE(motion.heading_speed(), -15);
        EXPECT_LE(motion.heading_speed(), 16);
        EXPECT_GE(motion.pitch_speed(), -2);
        EXPECT_LE(motion.pitch_speed(), 3);
        EXPECT_EQ(motion.roll_speed(), 0);
        saw_negative = saw_negative || motion.heading_speed() < 0;
        saw_positive = saw_positive || motion.heading_speed() > 0;
    }
    EXPECT_TRUE(saw_negative);
    EXPECT_TRUE(saw_positive);
}

TEST(AutoMotionTest, RandomDrawFollowsTheFormulaAndLeavesFixedAxesAlone) {
    SaverSettings s = Fixed(100, 7, 9);
    s.headingRandom = true;
    AutoMotion motion(s);
    motion.RandomDraw();
    ReferenceRandom reference;
    const int r = reference.Next();
    EXPECT_EQ(motion.heading_speed(), r * 201 / 32767 - 100);
    EXPECT_EQ(motion.pitch_speed(), 7);
    EXPECT_EQ(motion.roll_speed(), 9);

    // A bound beyond 32 bits' reach saturates instead of overflowing.
    SaverSettings huge = Fixed(std::numeric_limits<std::int32_t>::min(), 0, 0);
    huge.headingRandom = true;
    AutoMotion big(huge);
    big.RandomDraw();
    big.Advance();
    EXPECT_GE(big.heading_speed(), -300);
    EXPECT_LE(big.heading_speed(), 300);
}

TEST(AutoMotionTest, Size20InA640By480WindowSitsCentredWhenNotMoving) {
    SaverSettings s = Fixed(0, 0, 0);
    s.moving = false;
    s.size = 20;
    AutoMotion motion(s);
    EXPECT_TRUE(motion.PlaceOrDrift({0, 0, 640, 480}).empty());
    EXPECT_EQ(motion.view_rect(), (MotionRect{256, 192, 384, 288}));
    motion.PlaceOrDrift({0, 0, 640, 480});
    EXPECT_EQ(motion.view_rect(), (MotionRect{256, 192, 384, 288}));
}

TEST(AutoMotionTest, Size100StopsMovingAndFillsTheClientArea) {
    SaverSettings s = Fixed(0, 0, 0);
    s.size = 100;
    s.moving = true;
    AutoMotion motion(s);
    EXPECT_FALSE(motion.moving());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(motion.PlaceOrDrift({0, 0, 800, 600}).empty());
        EXPECT_EQ(motion.view_rect(), (MotionRect{0, 0, 800, 600}));
    }
}

TEST(AutoMotionTest, Size150IsUsedAs100ButKeepsShiftingBetweenTwoPlaces) {
    SaverSettings s = Fixed(0, 0, 0);
    s.size = 150;
    AutoMotion motion(s);
    EXPECT_TRUE(motion.moving());
    motion.PlaceOrDrift({0, 0, 320, 200});
    EXPECT_EQ(motion.size(), 100);
    const MotionRect first = motion.view_rect();
    EXPECT_EQ(first.Width(), 320);
    EXPECT_EQ(first.Height(), 200);
    for (int i = 0; i < 6; ++i) {
        const MotionRect r = motion.view_rect();
        EXPECT_TRUE((r.left == 0 && r.top == 0) || (r.left == 1 && r.top == 1))
            << r.left << "," << r.top;
        const MotionRect before = r;
        motion.PlaceOrDrift({0, 0, 320, 200});
        EXPECT_NE(motion.view_rect(), before);
    }
}

TEST(AutoMotionTest, UnseededPlacementIsTheSameOnEveryRunAndMatchesTheGenerator) {
    SaverSettings s = Fixed(0, 0, 0);
    s.size = 20;
    AutoMotion a(s);
    AutoMotion b(s);
    a.PlaceOrDrift({0, 0, 1000, 700});
    b.PlaceOrDrift({0, 0, 1000, 700});
    EXPECT_EQ(a.view_rect(), b.view_rect());

    ReferenceRandom reference;
    int dx = 0;
    while (dx == 0) {
        dx = 2 * reference.Next() / 32767 - 1;
    }
    int dy = 0;
    while (dy == 0) {
        dy = 2 * reference.Next() / 32767 - 1;
    }
    const int x = static_cast<int>(std::int64_t{reference.Next()} * (1000 - 200) / 32767);
    const int y = static_cast<int>(std::int64_t{reference.Next()} * (700 - 140) / 32767);
    // The first drift step follows at once.
    EXPECT_EQ(a.previous_view_rect(), (MotionRect{x, y, x + 200, y + 140}));
    EXPECT_EQ(a.view_rect(), (MotionRect{x + dx, y + dy, x + dx + 200, y + dy + 140}));
    EXPECT_EQ(dx, -1);
    EXPECT_EQ(dy, -1);
}

TEST(AutoMotionTest, DriftMovesOnePixelPerAxisAndTurnsAtEveryEdge) {
    SaverSettings s = Fixed(0, 0, 0);
    s.size = 90;
    AutoMotion motion(s);
    const MotionRect client{0, 0, 100, 50};
    motion.PlaceOrDrift(client);
    MotionRect previous = motion.view_rect();
    bool saw_left_turn = false;
    bool saw_right_turn = false;
    int last_dx = motion.dx();
    for (int i = 0; i < 200; ++i) {
        const auto strip = motion.PlaceOrDrift(client);
        const MotionRect r = motion.view_rect();
        EXPECT_EQ(std::abs(r.left - previous.left), 1);
        EXPECT_EQ(std::abs(r.top - previous.top), 1);
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, 100);
        EXPECT_LE(r.bottom, 50);
        // The uncovered strip is an L: one column and one row of the old
        // rectangle, 90 + 45 - 1 pixels in all.
        std::int64_t area = 0;
        for (const MotionRect& part : strip) {
            area += std::int64_t{part.Width()} * part.Height();
        }
        EXPECT_EQ(area, 90 + 45 - 1);
        saw_left_turn = saw_left_turn || (last_dx < 0 && motion.dx() > 0);
        saw_right_turn = saw_right_turn || (last_dx > 0 && motion.dx() < 0);
        last_dx = motion.dx();
        previous = r;
    }
    EXPECT_TRUE(saw_left_turn);
    EXPECT_TRUE(saw_right_turn);
}

TEST(AutoMotionTest, SizeBelow20IsRaisedTo20) {
    SaverSettings s = Fixed(0, 0, 0);
    s.size = 5;
    s.moving = false;
    AutoMotion motion(s);
    motion.PlaceOrDrift({0, 0, 500, 300});
    EXPECT_EQ(motion.size(), 20);
    EXPECT_EQ(motion.view_rect(), (MotionRect{200, 120, 300, 180}));
}

TEST(SubtractRectTest, CoversExactlyThePartsOutsideTheSecondRectangle) {
    EXPECT_TRUE(SubtractRect({0, 0, 10, 10}, {0, 0, 10, 10}).empty());
    EXPECT_EQ(SubtractRect({0, 0, 10, 10}, {20, 20, 30, 30}).size(), 1u);
    const auto parts = SubtractRect({0, 0, 10, 10}, {1, 1, 11, 11});
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], (MotionRect{0, 0, 10, 1}));
    EXPECT_EQ(parts[1], (MotionRect{0, 1, 1, 10}));
    const auto ring = SubtractRect({0, 0, 10, 10}, {2, 2, 8, 8});
    std::int64_t area = 0;
    for (const MotionRect& part : ring) {
        area += std::int64_t{part.Width()} * part.Height();
    }
    EXPECT_EQ(area, 100 - 36);
}

}  // namespace
}  // namespace skyweave
