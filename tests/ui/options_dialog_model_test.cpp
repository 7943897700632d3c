// The options dialog's behaviour on a real settings file, with the window's
// controls held in memory: what the dialog shows for stored values, the
// heading "Random" box, Browse, About, and what OK and Cancel leave in the
// file.
#include <climits>

#include "control_board.h"
#include "platform/profile/temp_config_home.h"
#include "settings/saver_settings.h"
#include "ui/options_dialog.h"
#include "ui/options_dialog_ids.h"

namespace skyweave {
namespace {

class OptionsDialogModelTest : public testing::TempConfigHome {
  protected:
    OptionsDialogModelTest() : profile_("skyweave") { profile_.SetRegistryKey("Corvane"); }

    std::filesystem::path SettingsFile() const { return root_ / "Corvane" / "skyweave.conf"; }

    // Builds the dialog over the current file and starts it.
    COptionsDlg& Open() {
        dialog_.emplace(profile_);
        dialog_->Attach(&board_);
        EXPECT_TRUE(dialog_->OnInitDialog());
        return *dialog_;
    }

    void ExpectSlider(int id, int minimum, int maximum, int position, int frequency) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(board_.sliders.contains(id));
        const testing::SliderState& slider = board_.sliders.at(id);
        EXPECT_EQ(slider.minimum, minimum);
        EXPECT_EQ(slider.maximum, maximum);
        EXPECT_EQ(slider.position, position);
        EXPECT_EQ(slider.tickFrequency, frequency);
    }

    // A click on a check box: the box changes, then its command arrives.
    void Click(int checkId) {
        board_.checks[checkId] = !board_.checks[checkId];
        dialog_->OnCommand(checkId);
    }

    ProfileStore profile_;
    testing::ControlBoard board_;
    std::optional<COptionsDlg> dialog_;
};

constexpr const char* kDefaultsStored =
    "[Settings]\n"
    "FilePath=(none)\n"
    "Heading=-15\n"
    "Pitch=2\n"
    "Roll=0\n"
    "Size=20\n"
    "HeadingRandom=1\n"
    "PitchRandom=1\n"
    "RollRandom=1\n"
    "Moving=1\n"
    "Zoom=60\n"
    "ChangeEvery=120\n"
    "Fade=1\n";

TEST_F(OptionsDialogModelTest, NothingStoredShowsTheDefaults) {
    Open();
    EXPECT_EQ(board_.texts.at(kIdFilePathEdit), "(none)");
    EXPECT_TRUE(board_.checks.at(kIdMovingCheck));
    EXPECT_TRUE(board_.checks.at(kIdHeadingRandomCheck));
    EXPECT_TRUE(board_.checks.at(kIdPitchRandomCheck));
    EXPECT_TRUE(board_.checks.at(kIdRollRandomCheck));
    EXPECT_EQ(board_.texts.at(kIdTurningLeftLabel), "Slower");
    EXPECT_EQ(board_.texts.at(kIdTurningRightLabel), "Faster");
    ExpectSlider(kIdTurningSlider, 0, 300, 15, 30);
    ExpectSlider(kIdPitchingSlider, 0, 300, 2, 30);
    ExpectSlider(kIdRollingSlider, 0, 300, 0, 30);
    ExpectSlider(kIdZoomSlider, 30, 130, 100, 10);
    ExpectSlider(kIdWindowSizeSlider, 20, 100, 20, 8);
    EXPECT_FALSE(std::filesystem::exists(SettingsFile())) << "opening stores nothing";
}

TEST_F(OptionsDialogModelTest, OkRightAfterResetStoresWhatTheDialogShowed) {
    SaverSettings custom;
    custom.filePath = "/p.pan";
    custom.heading = 99;
    custom.moving = false;
    ASSERT_TRUE(StoreSaverSettings(profile_, custom));
    ASSERT_TRUE(ResetSaverSettings(profile_));
    Open().OnCommand(kIdOk);
    EXPECT_EQ(board_.endResult, kIdOk);
    EXPECT_EQ(ReadText(SettingsFile()), kDefaultsStored);
}

TEST_F(OptionsDialogModelTest, FixedHeadingShowsSignedSpeedAndStoresItBack) {
    WriteText(SettingsFile(), "[Settings]\nHeading=-120\nHeadingRandom=0\n");
    Open();
    ExpectSlider(kIdTurningSlider, -300, 300, 120, 60);
    EXPECT_EQ(board_.texts.at(kIdTurningLeftLabel), "Full Left");
    EXPECT_EQ(board_.texts.at(kIdTurningRightLabel), "Full Right");
    EXPECT_FALSE(board_.checks.at(kIdHeadingRandomCheck));
    dialog_->OnCommand(kIdOk);
    EXPECT_EQ(LoadSaverSettings(profile_).heading, -120);
    EXPECT_FALSE(LoadSaverSettings(profile_).headingRandom);
}

TEST_F(OptionsDialogModelTest, HeadingRandomClicksKeepTheLoadedMagnitude) {
    WriteText(SettingsFile(), "[Settings]\nHeading=50\nHeadingRandom=0\n");
    Open();
    ExpectSlider(kIdTurningSlider, -300, 300, -50, 60);

    Click(kIdHeadingRandomCheck);  // ticked
    ExpectSlider(kIdTurningSlider, 0, 300, 50, 30);
    EXPECT_EQ(board_.texts.at(kIdTurningLeftLabel), "Slower");
    EXPECT_EQ(board_.texts.at(kIdTurningRightLabel), "Faster");

    Click(kIdHeadingRandomCheck);  // unticked: stays on the right half
    ExpectSlider(kIdTurningSlider, -300, 300, 50, 60);
    EXPECT_EQ(board_.texts.at(kIdTurningLeftLabel), "Full Left");
    EXPECT_EQ(board_.texts.at(kIdTurningRightLabel), "Full Right");

    dialog_->OnCommand(kIdOk);
    const SaverSettings stored = LoadSaverSettings(profile_);
    EXPECT_EQ(stored.heading, -50);
    EXPECT_FALSE(stored.headingRandom);
}

TEST_F(OptionsDialogModelTest, RandomClickDiscardsEarlierTurningSliderMoves) {
    WriteText(SettingsFile(), "[Settings]\nHeading=-120\nHeadingRandom=0\n");
    Open();
    board_.SetSliderPosition(kIdTurningSlider, -200);
    Click(kIdHeadingRandomCheck);
    ExpectSlider(kIdTurningSlider, 0, 300, 120, 30);
    // Moves after the click count, and other controls keep what the user did.
    board_.SetSliderPosition(kIdTurningSlider, 250);
    board_.checks[kIdMovingCheck] = false;
    board_.texts[kIdFilePathEdit] = "/typed.pan";
    Click(kIdHeadingRandomCheck);
    Click(kIdHeadingRandomCheck);
    EXPECT_FALSE(board_.checks.at(kIdMovingCheck));
    EXPECT_EQ(board_.texts.at(kIdFilePathEdit), "/typed.pan");
    ExpectSlider(kIdTurningSlider, 0, 300, 120, 30);
}

TEST_F(OptionsDialogModelTest, OkStoresEverySliderWithItsConversionInOrder) {
    Open();
    Click(kIdHeadingRandomCheck);                      // off: signed turning speed
    board_.SetSliderPosition(kIdTurningSlider, -300);  // "Full Left"
    board_.SetSliderPosition(kIdPitchingSlider, 300);
    board_.SetSliderPosition(kIdRollingSlider, 17);
    board_.SetSliderPosition(kIdWindowSizeSlider, 100);
    board_.SetSliderPosition(kIdZoomSlider, 30);  // "Wider"
    board_.checks[kIdPitchRandomCheck] = false;
    board_.checks[kIdRollRandomCheck] = false;
    board_.texts[kIdFilePathEdit] = "/home/u/Harbour at dawn.pan";
    dialog_->OnCommand(kIdOk);
    EXPECT_EQ(board_.endResult, kIdOk);
    EXPECT_EQ(ReadText(SettingsFile()),
              "[Settings]\n"
              "FilePath=/home/u/Harbour at dawn.pan\n"
              "Heading=300\n"
              "Pitch=300\n"
              "Roll=17\n"
              "Size=100\n"
              "HeadingRandom=0\n"
              "PitchRandom=0\n"
              "RollRandom=0\n"
              "Moving=1\n"
              "Zoom=130\n"
              "ChangeEvery=120\n"
              "Fade=1\n");

    // The other ends: "Full Right" and "Narrower"; an emptied box stores empty.
    board_ = {};
    Open();
    Click(kIdHeadingRandomCheck);  // stored off: back on
    Click(kIdHeadingRandomCheck);  // and off again
    board_.SetSliderPosition(kIdTurningSlider, 300);
    board_.SetSliderPosition(kIdZoomSlider, 130);
    board_.texts[kIdFilePathEdit] = "";
    dialog_->OnCommand(kIdOk);
    const SaverSettings stored = LoadSaverSettings(profile_);
    EXPECT_EQ(stored.heading, -300);
    EXPECT_EQ(stored.zoom, 30u);
    EXPECT_EQ(stored.filePath, "");
}

TEST_F(OptionsDialogModelTest, ChangeEveryAndCrossfadeShowTheirStoredValuesAndStoreBack) {
    struct Case {
        const char* stored;
        int shown;
        bool fade;
        int typed;  // what the user leaves in the spin box
        int written;
    };
    const Case cases[] = {
        {"", 120, true, 120, 120},
        {"ChangeEvery=45\nFade=0\n", 45, false, 600, 600},
        // Out of range in the file: brought into it when loaded; the spin
        // box keeps what is typed within its range.
        {"ChangeEvery=5\nFade=7\n", 10, true, 3600, 3600},
        {"ChangeEvery=86400\n", 3600, true, 9, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        WriteText(SettingsFile(), std::string("[Settings]\n") + c.stored);
        board_ = {};
        Open();
        ASSERT_TRUE(board_.spins.contains(kIdChangeEverySpin));
        EXPECT_EQ(board_.spins.at(kIdChangeEverySpin).minimum, 10);
        EXPECT_EQ(board_.spins.at(kIdChangeEverySpin).maximum, 3600);
        EXPECT_EQ(board_.spins.at(kIdChangeEverySpin).position, c.shown);
        EXPECT_EQ(board_.checks.at(kIdCrossfadeCheck), c.fade);
        board_.SetSpinValue(kIdChangeEverySpin, c.typed);
        dialog_->OnCommand(kIdOk);
        const std::string text = ReadText(SettingsFile());
        EXPECT_NE(text.find("\nChangeEvery=" + std::to_string(c.written) + "\n"), text.npos)
            << text;
        EXPECT_NE(text.find(c.fade ? "\nFade=1\n" : "\nFade=0\n"), text.npos) << text;
    }
}

TEST_F(OptionsDialogModelTest, CancelAfterChangesStoresNothing) {
    Open();
    board_.SetSliderPosition(kIdZoomSlider, 44);
    Click(kIdHeadingRandomCheck);
    dialog_->OnCommand(kIdCancel);
    EXPECT_EQ(board_.endResult, kIdCancel);
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));

    const std::string text = "# mine\n[Settings]\nZoom=45\nHeading=-120\nHeadingRandom=0\n";
    WriteText(SettingsFile(), text);
    board_ = {};
    Open();
    board_.texts[kIdFilePathEdit] = "/other.pan";
    board_.SetSliderPosition(kIdTurningSlider, 0);
    board_.checks[kIdMovingCheck] = false;
    dialog_->OnCommand(kIdCancel);
    EXPECT_EQ(ReadText(SettingsFile()), text);
}

TEST_F(OptionsDialogModelTest, StoredValuesOutsideTheRangesAreLimitedBySliders) {
    WriteText(SettingsFile(),
              "[Settings]\nHeading=-400\nHeadingRandom=0\nZoom=10\nSize=150\nPitch=-9\n"
              "Roll=4000\n");
    Open();
    ExpectSlider(kIdTurningSlider, -300, 300, 300, 60);
    ExpectSlider(kIdZoomSlider, 30, 130, 130, 10);
    ExpectSlider(kIdWindowSizeSlider, 20, 100, 100, 8);
    ExpectSlider(kIdPitchingSlider, 0, 300, 0, 30);
    ExpectSlider(kIdRollingSlider, 0, 300, 300, 30);
    dialog_->OnCommand(kIdOk);
    const SaverSettings stored = LoadSaverSettings(profile_);
    EXPECT_EQ(stored.heading, -300);
    EXPECT_EQ(stored.zoom, 30u);
    EXPECT_EQ(stored.size, 100);
    EXPECT_EQ(stored.pitch, 0);
    EXPECT_EQ(stored.roll, 300);
}

TEST_F(OptionsDialogModelTest, ExtremeStoredHeadingKeepsItsDirection) {
    // The most negative heading turns right at full speed; negating it must
    // not wrap into a left turn.
    WriteText(SettingsFile(), "[Settings]\nHeading=-2147483648\nHeadingRandom=0\n");
    Open();
    EXPECT_EQ(dialog_->HeadingPosition(), INT_MAX);
    ExpectSlider(kIdTurningSlider, -300, 300, 300, 60);
    Click(kIdHeadingRandomCheck);
    ExpectSlider(kIdTurningSlider, 0, 300, 300, 30);

    WriteText(SettingsFile(), "[Settings]\nHeading=2147483647\nHeadingRandom=1\n");
    board_ = {};
    Open();
    ExpectSlider(kIdTurningSlider, 0, 300, 300, 30);
}

TEST_F(OptionsDialogModelTest, BrowseReplacesTheBoxOnlyWhenConfirmed) {
    WriteText(SettingsFile(), "[Settings]\nFilePath=/old/a.pan\nMoving=0\n");
    Open();
    board_.texts[kIdFilePathEdit] = "/typed/b.pan";
    board_.checks[kIdMovingCheck] = true;

    dialog_->OnCommand(kIdBrowseButton);  // cancelled
    ASSERT_EQ(board_.requests.size(), 1u);
    const OpenFileRequest& request = board_.requests.front();
    EXPECT_EQ(request.initialFile, "/typed/b.pan");
    EXPECT_EQ(request.defaultExtension, "pan");
    ASSERT_EQ(request.filters.size(), 3u);
    EXPECT_EQ(request.filters[0].name,
              "Panoramas and Pictures (*.pan, *.jpg, *.bmp, *.png, *.webp, *.heic, *.avif)");
    EXPECT_EQ(request.filters[0].patterns,
              (std::vector<std::string>{"*.pan", "*.jpg", "*.jpeg", "*.jpe", "*.jfif", "*.bmp",
                                        "*.dib", "*.png", "*.webp", "*.heic", "*.heif", "*.avif"}));
    EXPECT_EQ(request.filters[1].name, "Velmora(TM) Panoramas (*.pan)");
    EXPECT_EQ(request.filters[1].patterns, std::vector<std::string>{"*.pan"});
    EXPECT_EQ(request.filters[2].name, "All Files (*.*)");
    EXPECT_EQ(request.filters[2].patterns, std::vector<std::string>{"*.*"});
    // A folder may be chosen instead of a file.
    EXPECT_EQ(request.folderButton, "Use This &Folder");
    EXPECT_EQ(board_.texts.at(kIdFilePathEdit), "/typed/b.pan");
    EXPECT_TRUE(board_.checks.at(kIdMovingCheck));

    board_.nextChoice = "/home/ann/Pictures/Rome.pan";
    dialog_->OnCommand(kIdBrowseButton);
    EXPECT_EQ(board_.texts.at(kIdFilePathEdit), "/home/ann/Pictures/Rome.pan");
    EXPECT_TRUE(board_.checks.at(kIdMovingCheck)) << "the user's tick survives Browse";

    // A name the settings file cannot hold is refused with a message.
    board_.nextChoice = "/home/ann/caf\xe9.pan";
    dialog_->OnCommand(kIdBrowseButton);
    EXPECT_EQ(board_.texts.at(kIdFilePathEdit), "/home/ann/Pictures/Rome.pan");
    ASSERT_EQ(board_.errors.size(), 1u);
    EXPECT_EQ(board_.errors[0],
              "The name of this file cannot be kept in the settings. Please choose a file whose "
              "name is valid UTF-8 text.");

    dialog_->OnCommand(kIdOk);
    EXPECT_EQ(LoadSaverSettings(profile_).filePath, "/home/ann/Pictures/Rome.pan");
    EXPECT_TRUE(LoadSaverSettings(profile_).moving);
}

TEST_F(OptionsDialogModelTest, AboutShowsTheBoxAndNothingElse) {
    Open();
    EXPECT_TRUE(dialog_->OnCommand(kIdAboutButton));
    EXPECT_EQ(board_.aboutBoxes, 1);
    EXPECT_FALSE(board_.endResult.has_value());
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
    EXPECT_FALSE(dialog_->OnCommand(kIdTurningSlider)) << "not a command of the dialog";
}

TEST_F(OptionsDialogModelTest, FailedStoreKeepsTheDialogOpenAndSaysSo) {
    // Something that is not a file sits where the settings file belongs.
    std::filesystem::create_directories(SettingsFile());
    Open();
    dialog_->OnCommand(kIdOk);
    EXPECT_FALSE(board_.endResult.has_value());
    ASSERT_EQ(board_.errors.size(), 1u);
    EXPECT_EQ(board_.errors[0], "The settings could not be saved.");
    dialog_->OnCommand(kIdCancel);
    EXPECT_EQ(board_.endResult, kIdCancel);
    EXPECT_TRUE(std::filesystem::is_directory(SettingsFile()));
}

}  // namespace
}  // namespace skyweave
