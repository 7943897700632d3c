// The window-free pieces of the dialog layer: dialog units to pixels,
// mnemonic markers, the classic filter string and its case-insensitive
// patterns, and the dialog templates' geometry.
#include <gtest/gtest.h>

#include <fnmatch.h>

#include <set>

#include "platform/gtk/dialog_units.h"
#include "platform/gtk/mnemonic.h"
#include "platform/gtk/open_file_request.h"
#include "ui/dialog_templates.h"
#include "ui/options_dialog.h"
#include "ui/options_dialog_ids.h"

namespace skyweave {
namespace {

TEST(DialogUnitsTest, BaseUnitsFollowTheAverageCharacterRule) {
    // 52 letters 6.5 px wide on average: (338 / 26 + 1) / 2 = 7.
    EXPECT_EQ(BaseUnitsFromFont(338, 13).x, 7);
    EXPECT_EQ(BaseUnitsFromFont(338, 13).y, 13);
    // (311 / 26 + 1) / 2 = (11 + 1) / 2 = 6.
    EXPECT_EQ(BaseUnitsFromFont(311, 13).x, 6);
    EXPECT_EQ(BaseUnitsFromFont(0, 0).x, 1);
    EXPECT_EQ(BaseUnitsFromFont(0, 0).y, 1);

    EXPECT_EQ(MulDivRound(7, 6, 4), 11);  // 10.5 rounds up
    EXPECT_EQ(MulDivRound(-7, 6, 4), -11);
    EXPECT_EQ(MulDivRound(5, 13, 8), 8);  // 8.125
    EXPECT_EQ(MulDivRound(1 << 20, 1 << 10, 1 << 10), 1 << 20);

    // Classic 6 x 13 base units: the options dialog's OK button.
    const DialogBaseUnits units{6, 13};
    EXPECT_EQ(DialogRectToPixels({7, 210, 50, 14}, units), (PixelBox{11, 341, 75, 23}));
    EXPECT_EQ(DialogSizeToPixels(285, 231, units), (PixelBox{0, 0, 428, 375}));
    // Edges, not sizes, are rounded: neighbours share their edge.
    const PixelBox left = DialogRectToPixels({0, 0, 5, 5}, {7, 13});
    const PixelBox right = DialogRectToPixels({5, 5, 5, 5}, {7, 13});
    EXPECT_EQ(left.x + left.width, right.x);
    EXPECT_EQ(left.y + left.height, right.y);
}

TEST(MnemonicTest, AmpersandsBecomeUnderscores) {
    EXPECT_EQ(ToGtkMnemonic("&Browse..."), "_Browse...");
    EXPECT_EQ(ToGtkMnemonic("Save && Quit"), "Save & Quit");
    EXPECT_EQ(ToGtkMnemonic("snake_case &x"), "snake__case _x");
    EXPECT_EQ(ToGtkMnemonic("trailing&"), "trailing");
    EXPECT_EQ(ToGtkMnemonic(""), "");
}

TEST(OpenFileRequestTest, FilterStringParsesLikeTheClassicDialog) {
    const auto filters =
        ParseFilterString("Velmora(TM) Panoramas (*.pan)|*.pan|All Files (*.*)|*.*||");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].name, "Velmora(TM) Panoramas (*.pan)");
    EXPECT_EQ(filters[0].patterns, std::vector<std::string>{"*.pan"});
    EXPECT_EQ(filters[1].name, "All Files (*.*)");
    EXPECT_EQ(filters[1].patterns, std::vector<std::string>{"*.*"});

    const auto several = ParseFilterString("Pictures|*.jpg; *.JPEG ;*.bmp|Broken|");
    ASSERT_EQ(several.size(), 1u);
    EXPECT_EQ(several[0].patterns, (std::vector<std::string>{"*.jpg", "*.JPEG", "*.bmp"}));
    EXPECT_TRUE(ParseFilterString("").empty());
    EXPECT_TRUE(ParseFilterString("|*.x|").empty());
    EXPECT_TRUE(ParseFilterString("NoPattern").empty());
    EXPECT_EQ(ParseFilterString("Last|*.z").size(), 1u);
}

TEST(OpenFileRequestTest, PatternsMatchWhateverTheLetterCase) {
    const auto matches = [](const std::string& pattern, const char* name) {
        return fnmatch(CaseInsensitiveGlob(pattern).c_str(), name, 0) == 0;
    };
    EXPECT_TRUE(matches("*.pan", "harbour.pan"));
    EXPECT_TRUE(matches("*.pan", "HARBOUR.PAN"));
    EXPECT_TRUE(matches("*.pan", "Harbour.Pan"));
    EXPECT_FALSE(matches("*.pan", "harbour.pano"));
    EXPECT_FALSE(matches("*.pan", "harbour.jpg"));
    EXPECT_TRUE(matches("*.*", "README"));
    EXPECT_TRUE(matches("*.*", "a.b"));
    EXPECT_TRUE(matches("file[0-9].jpg", "FILE7.JPG"));
}

TEST(DialogTemplatesTest, ControlsLieInsideTheirDialogsAndIdsAreUnique) {
    for (const DialogTemplate* dialog : {&OptionsDialogTemplate(), &AboutBoxTemplate()}) {
        SCOPED_TRACE(dialog->title);
        std::set<int> ids;
        for (const DialogItem& item : dialog->items) {
            EXPECT_GE(item.rect.x, 0);
            EXPECT_GE(item.rect.y, 0);
            EXPECT_LE(item.rect.x + item.rect.width, dialog->width) << item.text;
            EXPECT_LE(item.rect.y + item.rect.height, dialog->height) << item.text;
            if (item.id != kIdStatic) {
                EXPECT_TRUE(ids.insert(item.id).second) << item.id;
            }
        }
    }
    EXPECT_EQ(OptionsDialogTemplate().title, "Skyweave Options");
    EXPECT_EQ(AboutBoxTemplate().title, "About Skyweave Screensaver");
    EXPECT_EQ(OptionsDialogTemplate().items.front().kind, DialogItemKind::DefaultPushButton);
}

}  // namespace
}  // namespace skyweave
