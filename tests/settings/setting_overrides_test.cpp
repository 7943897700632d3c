// Values for one run replace exactly the stored values they name, and option
// texts are read strictly, with the messages the command line shows.
#include <gtest/gtest.h>

#include "settings/setting_overrides.h"

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
    s.changeEvery = 30;
    s.fade = false;
    s.maxFrameRate = 25;
    s.threads = 2;
    s.showFrameRate = true;
    s.present = PresentMethod::Surface;
    return s;
}

TEST(SettingOverrides, NothingGivenChangesNothing) {
    SaverSettings s = Stored();
    const SettingOverrides none;
    EXPECT_TRUE(none.Empty());
    none.ApplyTo(s);
    EXPECT_EQ(s, Stored());
}

TEST(SettingOverrides, EveryValueGivenReplacesItsStoredValue) {
    using Id = SettingId;
    SettingOverrides o;
    o.Set(Id::FilePath, std::string("/tmp/other.jpg"));
    o.Set(Id::Zoom, 130);
    o.Set(Id::Heading, 300);
    o.Set(Id::Pitch, 0);
    o.Set(Id::Roll, 300);
    o.Set(Id::Size, 100);
    o.Set(Id::Moving, 0);
    o.Set(Id::HeadingRandom, 1);
    o.Set(Id::PitchRandom, 0);
    o.Set(Id::RollRandom, 1);
    o.Set(Id::ChangeEvery, 3600);
    o.Set(Id::Fade, 1);
    o.Set(Id::MaxFrameRate, 0);
    o.Set(Id::Threads, 8);
    o.Set(Id::ShowFrameRate, 0);
    o.Set(Id::Present, 2);
    SaverSettings s = Stored();
    o.ApplyTo(s);
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
    EXPECT_EQ(s.changeEvery, 3600);
    EXPECT_TRUE(s.fade);
    EXPECT_EQ(s.maxFrameRate, 0);
    EXPECT_EQ(s.threads, 8);
    EXPECT_FALSE(s.showFrameRate);
    EXPECT_EQ(s.present, PresentMethod::Gl);
}

TEST(SettingOverrides, OneValueLeavesTheOthersAndClearGivesItBack) {
    SettingOverrides o;
    o.Set(SettingId::Heading, -300);
    o.Set(SettingId::Threads, 4);
    o.Clear(SettingId::Threads);
    EXPECT_FALSE(o.Empty());
    SaverSettings s = Stored();
    o.ApplyTo(s);
    SaverSettings expected = Stored();
    expected.heading = -300;
    EXPECT_EQ(s, expected);
    o.Clear(SettingId::Heading);
    EXPECT_TRUE(o.Empty());
}

TEST(SettingOverrides, OptionTextsAreReadStrictly) {
    struct Case {
        SettingId id;
        const char* text;
        std::optional<SettingValue> value;
        const char* error;
    };
    const Case cases[] = {
        {SettingId::Zoom, "30", 30, ""},
        {SettingId::Zoom, "+130", 130, ""},
        {SettingId::Zoom, "131", std::nullopt, "is not a whole number from 30 to 130"},
        {SettingId::Heading, "-300", -300, ""},
        {SettingId::Heading, "-0", 0, ""},
        {SettingId::Heading, "--5", std::nullopt, "is not a whole number from -300 to 300"},
        {SettingId::ChangeEvery, "9", std::nullopt, "is not a whole number from 10 to 3600"},
        {SettingId::ChangeEvery, "4294967306", std::nullopt,
         "is not a whole number from 10 to 3600"},
        {SettingId::Threads, "8", 8, ""},
        {SettingId::Threads, "8 ", std::nullopt, "is not a whole number from 0 to 8"},
        {SettingId::MaxFrameRate, "0", 0, ""},
        {SettingId::Present, "surface", 1, ""},
        {SettingId::Present, "Surface", std::nullopt, "is not auto, surface or gl"},
        {SettingId::FilePath, "/a b/c.pan", std::string("/a b/c.pan"), ""},
        {SettingId::Fade, "1", std::nullopt, "is not a value of an on-or-off option"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SettingTextResult result = ParseSettingText(SettingRowOf(c.id), c.text);
        EXPECT_EQ(result.value, c.value);
        EXPECT_EQ(result.error, c.error);
    }
}

}  // namespace
}  // namespace skyweave
