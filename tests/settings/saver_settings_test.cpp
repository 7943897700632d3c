// The "Settings" section on a real settings file: defaults, the exact text a
// full store writes, the set-file and reset modes, the file-path marker and
// values the dialog never writes.
#include "settings/saver_settings.h"

#include "platform/profile/temp_config_home.h"

namespace skyweave {
namespace {

class SaverSettingsTest : public testing::TempConfigHome {
  protected:
    ProfileStore MakeStore() {
        ProfileStore store("skyweave");
        store.SetRegistryKey("Corvane");
        return store;
    }
    std::filesystem::path SettingsFile() const { return root_ / "Corvane" / "skyweave.conf"; }
};

SaverSettings Defaults() {
    SaverSettings expected;
    expected.filePath = "(none)";
    expected.zoom = 60;
    expected.heading = 15;
    expected.pitch = 2;
    expected.roll = 0;
    expected.size = 20;
    expected.moving = true;
    expected.headingRandom = true;
    expected.pitchRandom = true;
    expected.rollRandom = true;
    expected.changeEvery = 120;
    expected.fade = true;
    expected.maxFrameRate = 60;
    expected.threads = 0;
    expected.showFrameRate = false;
    expected.present = PresentMethod::Auto;
    return expected;
}

TEST_F(SaverSettingsTest, NothingStoredGivesTheDefaults) {
    const ProfileStore store = MakeStore();
    EXPECT_EQ(LoadSaverSettings(store), Defaults());
    EXPECT_EQ(SaverSettings{}, Defaults());
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(SaverSettingsTest, FullStoreWritesEveryValueInTheDialogOrder) {
    ProfileStore store = MakeStore();
    SaverSettings settings;
    settings.filePath = "/data/pans/harbour.pan";
    settings.zoom = 130;
    settings.heading = -300;
    settings.pitch = 7;
    settings.roll = 300;
    settings.size = 64;
    settings.moving = false;
    settings.headingRandom = false;
    settings.pitchRandom = true;
    settings.rollRandom = false;
    settings.changeEvery = 3600;
    settings.fade = false;
    ASSERT_TRUE(StoreSaverSettings(store, settings));
    EXPECT_EQ(ReadText(SettingsFile()),
              "[Settings]\n"
              "FilePath=/data/pans/harbour.pan\n"
              "Heading=-300\n"
              "Pitch=7\n"
              "Roll=300\n"
              "Size=64\n"
              "HeadingRandom=0\n"
              "PitchRandom=1\n"
              "RollRandom=0\n"
              "Moving=0\n"
              "Zoom=130\n"
              "ChangeEvery=3600\n"
              "Fade=0\n");
    EXPECT_EQ(LoadSaverSettings(store), settings);
}

TEST_F(SaverSettingsTest, ReadsHandWrittenValuesAsTheyAre) {
    // Values the dialog never writes are used unchanged; the saver clamps.
    WriteText(SettingsFile(),
              "[Settings]\nFilePath=C:\\\\pans\\\\x.pan\nZoom=-1\nHeading=-400\nPitch=900\n"
              "Roll=-5\nSize=150\nMoving=2\nHeadingRandom=0\nPitchRandom=0\nRollRandom=0\n");
    const SaverSettings loaded = LoadSaverSettings(MakeStore());
    EXPECT_EQ(loaded.filePath, "C:\\pans\\x.pan");
    EXPECT_EQ(loaded.zoom, 4294967295u);  // read unsigned
    EXPECT_EQ(loaded.heading, -400);
    EXPECT_EQ(loaded.pitch, 900);
    EXPECT_EQ(loaded.roll, -5);
    EXPECT_EQ(loaded.size, 150);
    EXPECT_TRUE(loaded.moving);
    EXPECT_FALSE(loaded.headingRandom);
    EXPECT_FALSE(loaded.pitchRandom);
    EXPECT_FALSE(loaded.rollRandom);
}

TEST_F(SaverSettingsTest, LaterSettingsAreBroughtIntoTheirRange) {
    struct Case {
        const char* stored;
        std::int32_t changeEvery;
        std::int32_t maxFrameRate;
        std::int32_t threads;
        PresentMethod present;
    };
    const Case cases[] = {
        {"ChangeEvery=10\nMaxFrameRate=0\nThreads=8\nPresent=gl\n", 10, 0, 8, PresentMethod::Gl},
        {"ChangeEvery=3600\nMaxFrameRate=1000\nThreads=0\nPresent=surface\n", 3600, 1000, 0,
         PresentMethod::Surface},
        {"ChangeEvery=9\nMaxFrameRate=-1\nThreads=-3\nPresent=GL\n", 10, 0, 0, PresentMethod::Auto},
        {"ChangeEvery=99999\nMaxFrameRate=1001\nThreads=2147483647\nPresent=\n", 3600, 1000, 8,
         PresentMethod::Auto},
        {"ChangeEvery=-2147483648\nMaxFrameRate=4294967295\nThreads=1e3\nPresent=gl \n", 10, 0, 0,
         PresentMethod::Auto},
        {"ChangeEvery=many\nMaxFrameRate=\nThreads=3\nPresent=2\n", 120, 60, 3,
         PresentMethod::Auto},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        WriteText(SettingsFile(), std::string("[Settings]\nFade=0\nShowFrameRate=1\n") + c.stored);
        const SaverSettings loaded = LoadSaverSettings(MakeStore());
        EXPECT_EQ(loaded.changeEvery, c.changeEvery);
        EXPECT_EQ(loaded.maxFrameRate, c.maxFrameRate);
        EXPECT_EQ(loaded.threads, c.threads);
        EXPECT_EQ(loaded.present, c.present);
        EXPECT_FALSE(loaded.fade);
        EXPECT_TRUE(loaded.showFrameRate);
    }
}

TEST_F(SaverSettingsTest, FullStoreLeavesTheSettingsWithoutDialogControlsAlone) {
    const std::string hand_written =
        "[Settings]\nThreads=3\nPresent=gl\nZoom=45\nShowFrameRate=1\n";
    WriteText(SettingsFile(), hand_written);
    ProfileStore store = MakeStore();
    SaverSettings settings = LoadSaverSettings(store);
    settings.threads = 7;  // held for a run, never stored by the dialog
    settings.zoom = 90;
    ASSERT_TRUE(StoreSaverSettings(store, settings));
    EXPECT_EQ(ReadText(SettingsFile()),
              "[Settings]\n"
              "Threads=3\n"
              "Present=gl\n"
              "Zoom=90\n"
              "ShowFrameRate=1\n"
              "FilePath=(none)\n"
              "Heading=15\n"
              "Pitch=2\n"
              "Roll=0\n"
              "Size=20\n"
              "HeadingRandom=1\n"
              "PitchRandom=1\n"
              "RollRandom=1\n"
              "Moving=1\n"
              "ChangeEvery=120\n"
              "Fade=1\n");
}

TEST_F(SaverSettingsTest, MarkerIsCaseSensitiveAndEmptyMeansNoFile) {
    ProfileStore store = MakeStore();
    EXPECT_TRUE(IsNoFileChosen("(none)"));
    EXPECT_TRUE(IsNoFileChosen(""));
    EXPECT_FALSE(IsNoFileChosen("(NONE)"));
    EXPECT_FALSE(IsNoFileChosen("(none) "));
    EXPECT_FALSE(IsNoFileChosen("(None)"));

    ASSERT_TRUE(StoreFilePath(store, "(NONE)"));
    EXPECT_EQ(LoadSaverSettings(store).filePath, "(NONE)");
    EXPECT_FALSE(IsNoFileChosen(LoadSaverSettings(store).filePath));

    // An empty path is stored as such, not replaced by the default.
    ASSERT_TRUE(StoreFilePath(store, ""));
    EXPECT_EQ(ReadText(SettingsFile()), "[Settings]\nFilePath=\n");
    EXPECT_EQ(LoadSaverSettings(store).filePath, "");
    EXPECT_TRUE(IsNoFileChosen(LoadSaverSettings(store).filePath));
}

TEST_F(SaverSettingsTest, SetFileWritesThePathAloneAndKeepsTheRest) {
    ProfileStore store = MakeStore();
    SaverSettings settings = Defaults();
    settings.zoom = 45;
    ASSERT_TRUE(StoreSaverSettings(store, settings));
    ASSERT_TRUE(StoreFilePath(store, "/home/ann/Pictures/Rome at night.pan"));
    settings.filePath = "/home/ann/Pictures/Rome at night.pan";
    EXPECT_EQ(LoadSaverSettings(store), settings);

    // A path that is not UTF-8 is kept byte for byte; one with a NUL cannot
    // be a path at all: refused, nothing lost.
    ASSERT_TRUE(StoreFilePath(store, "/home/ann/caf\xe9.pan"));
    EXPECT_EQ(LoadSaverSettings(store).filePath, "/home/ann/caf\xe9.pan");
    const std::string before = ReadText(SettingsFile());
    EXPECT_FALSE(StoreFilePath(store, std::string_view("/home/ann/a\0b.pan", 16)));
    EXPECT_EQ(ReadText(SettingsFile()), before);
}

TEST_F(SaverSettingsTest, FailedFullStoreChangesNothing) {
    ProfileStore store = MakeStore();
    SaverSettings settings = Defaults();
    settings.zoom = 45;
    ASSERT_TRUE(StoreSaverSettings(store, settings));
    const std::string before = ReadText(SettingsFile());
    SaverSettings unstorable = settings;
    unstorable.filePath = std::string("/home/ann/a\0b.pan", 16);
    unstorable.heading = -200;
    EXPECT_FALSE(StoreSaverSettings(store, unstorable));
    EXPECT_EQ(ReadText(SettingsFile()), before);
}

TEST_F(SaverSettingsTest, SizeHundredWithMovingIsStoredAsItIs) {
    // Moving is forced off only when the saver window is made; the stored
    // value and the dialog keep it.
    ProfileStore store = MakeStore();
    SaverSettings settings = Defaults();
    settings.size = 100;
    settings.moving = true;
    ASSERT_TRUE(StoreSaverSettings(store, settings));
    const SaverSettings loaded = LoadSaverSettings(store);
    EXPECT_EQ(loaded.size, 100);
    EXPECT_TRUE(loaded.moving);
}

TEST_F(SaverSettingsTest, ResetErasesTheSectionAndDefaultsReturn) {
    ProfileStore store = MakeStore();
    SaverSettings settings;
    settings.filePath = "/x.pan";
    settings.heading = -120;
    settings.rollRandom = false;
    ASSERT_TRUE(StoreSaverSettings(store, settings));
    ASSERT_TRUE(store.WriteProfileInt("Other", "Kept", 5));
    ASSERT_TRUE(ResetSaverSettings(store));
    EXPECT_EQ(LoadSaverSettings(store), Defaults());
    EXPECT_EQ(ReadText(SettingsFile()), "[Other]\nKept=5\n");
    EXPECT_TRUE(ResetSaverSettings(store));  // again: nothing to do, no failure
}

TEST_F(SaverSettingsTest, CorruptFileGivesDefaultsUntilTheNextStore) {
    constexpr char kGarbage[] = "\x89PNG\r\n\x1a\n\x00\x00[Settings\nZoom=5";
    const std::string garbage(kGarbage, sizeof kGarbage - 1);
    WriteText(SettingsFile(), garbage);
    ProfileStore store = MakeStore();
    EXPECT_EQ(LoadSaverSettings(store), Defaults());
    EXPECT_EQ(ReadText(SettingsFile()), garbage);

    ASSERT_TRUE(StoreSaverSettings(store, Defaults()));
    EXPECT_EQ(LoadSaverSettings(store), Defaults());
    EXPECT_EQ(ReadText(SettingsFile()).substr(0, 11), "[Settings]\n");
}

TEST_F(SaverSettingsTest, RenamedProgramHasItsOwnSettings) {
    ProfileStore first = MakeStore();
    ASSERT_TRUE(StoreFilePath(first, "/a.pan"));
    ProfileStore renamed("skyweave2");
    renamed.SetRegistryKey("Corvane");
    EXPECT_EQ(LoadSaverSettings(renamed).filePath, "(none)");
    EXPECT_EQ(LoadSaverSettings(first).filePath, "/a.pan");
}

}  // namespace
}  // namespace skyweave
