// Command-line settings replace exactly the stored values they name.
#include <gtest/gtest.h>

#include "app/hack/hack_settings_override.h"

namespace skyweave {
namespace {

SaverSettings Stored() {
    SaverSettings s;
    s.filePath = "/home/u/stored.pan";
    s.zoom = 77;
    s.heading = -120;
    s.pitch = 9;
    s.roll = 4;
    s.size = 55;
    s.moving = true;
    s.headingRandom = false;
    s.pitchRandom = true;
    s.rollRandom = false;
    return s;
}

TEST(HackSettingsOverride, NothingGivenChangesNothing) {
    SaverSettings s = Stored();
    ApplyHackOverrides(HackSettingsOverrides{}, s);
    EXPECT_EQ(s, Stored());
}

TEST(HackSettingsOverride, EveryValueGivenReplacesItsStoredValue) {
    HackSettingsOverrides o;
    o.file_path = "/tmp/other.jpg";
    o.zoom = 130;
    o.heading = 300;
    o.pitch = 0;
    o.roll = 300;
    o.size = 100;
    o.moving = false;
    o.heading_random = true;
    o.pitch_random = false;
    o.roll_random = true;
    SaverSettings s = Stored();
    ApplyHackOverrides(o, s);
    EXPECT_EQ(s.filePath, "/tmp/other.jpg");
    EXPECT_EQ(s.zoom, 130u);
    EXPECT_EQ(s.heading, 300);
    EXPECT_EQ(s.pitch, 0);
    EXPECT_EQ(s.roll, 300);
    EXPECT_EQ(s.size, 100);
    EXPECT_FALSE(s.moving);
    EXPECT_TRUE(s.headingRandom);
    EXPECT_FALSE(s.pitchRandom);
    EXPECT_TRUE(s.rollRandom);
}

TEST(HackSettingsOverride, OneValueLeavesTheOtherNine) {
    HackSettingsOverrides o;
    o.heading = -300;
    SaverSettings s = Stored();
    ApplyHackOverrides(o, s);
    SaverSettings expected = Stored();
    expected.heading = -300;
    EXPECT_EQ(s, expected);
}

}  // namespace
}  // namespace skyweave
