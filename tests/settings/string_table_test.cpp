// The string table word for word: users and other programs match these
// texts exactly, so every entry is checked against its own copy here.
#include <gtest/gtest.h>

#include <utility>

#include "strings/string_table.h"

namespace skyweave {
namespace {

TEST(StringTableTest, EveryEntryHasItsExactText) {
    const std::pair<int, const char*> expected[] = {
        {5003, "Settings"},
        {5004, "FilePath"},
        {5005, "(none)"},
        {5007, "An error has occurred when closing the screensaver."},
        {5008, "An error has occurred in this screensaver module."},
        {5009, "Zoom"},
        {5010, "Heading"},
        {5011, "Roll"},
        {5012, "Pitch"},
        {5013, "Size"},
        {5014, "Moving"},
        {5015, "HeadingRandom"},
        {5016, "RollRandom"},
        {5017, "PitchRandom"},
        {5018, "Please select a file to activate this screensaver's features."},
        {5019, "Decompressing panorama..."},
        {5020, "Full Left"},
        {5021, "Full Right"},
        {5022, "Slower"},
        {5023, "Faster"},
        {5024, "The settings could not be saved."},
        {5101, "ChangeEvery"},
        {5102, "Fade"},
        {5103, "MaxFrameRate"},
        {5104, "Threads"},
        {5105, "ShowFrameRate"},
        {5106, "Present"},
        {5107, "Projection"},
        {5108, "SmoothMotion"},
        {5201, "Use This &Folder"},
        {5202, "There is no panorama in the folder "},
        {5203, "The folder cannot be read: "},
        {5204, "None of the panoramas in the folder could be shown: "},
    };
    for (const auto& [id, text] : expected) {
        EXPECT_EQ(LoadResourceString(id), text) << id;
    }
    EXPECT_EQ(LoadResourceString(StringId::ModuleError),
              "An error has occurred in this screensaver module.");
    EXPECT_EQ(LoadResourceString(StringId::FasterLabel), "Faster");
}

TEST(StringTableTest, UnknownIdsGiveEmptyText) {
    for (const int id : {0, -1, 5002, 5006, 5026, 5100, 5109, 5200, 5205, 101, 2147483647}) {
        EXPECT_TRUE(LoadResourceString(id).empty()) << id;
    }
}

}  // namespace
}  // namespace skyweave
