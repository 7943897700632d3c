// The program's string table (ids 5003 to 5023). Every user-visible text, the
// settings' section and value names and the labels the options dialog sets at
// run time are looked up here by id instead of being written as literals at
// their point of use. Called by the settings, the saver window and the
// options dialog; depends on nothing.
#pragma once

#include <string_view>

namespace skyweave {

// Ids of the table. The numbers are part of the program's resources and stay
// stable; 5006 is unused; the value names of later settings start at 5101,
// later texts at 5201.
enum class StringId : int {
    SettingsSection = 5003,        // "Settings"
    FilePathName = 5004,           // "FilePath"
    NoFileMarker = 5005,           // "(none)"
    CloseError = 5007,             // failure while closing the saver
    ModuleError = 5008,            // any unexpected failure of the saver
    ZoomName = 5009,               // "Zoom"
    HeadingName = 5010,            // "Heading"
    RollName = 5011,               // "Roll"
    PitchName = 5012,              // "Pitch"
    SizeName = 5013,               // "Size"
    MovingName = 5014,             // "Moving"
    HeadingRandomName = 5015,      // "HeadingRandom"
    RollRandomName = 5016,         // "RollRandom"
    PitchRandomName = 5017,        // "PitchRandom"
    SelectFileMessage = 5018,      // asks the user to choose a panorama
    DecompressingMessage = 5019,   // shown while a panorama loads
    FullLeftLabel = 5020,          // turning slider, left end, fixed speeds
    FullRightLabel = 5021,         // turning slider, right end, fixed speeds
    SlowerLabel = 5022,            // turning slider, left end, random speeds
    FasterLabel = 5023,            // turning slider, right end, random speeds
    SaveFailedMessage = 5024,      // the options dialog could not store the settings
    UnstorablePathMessage = 5025,  // a chosen file name the settings cannot hold
    // Value names of the settings added after the first ten.
    ChangeEveryName = 5101,    // "ChangeEvery"
    FadeName = 5102,           // "Fade"
    MaxFrameRateName = 5103,   // "MaxFrameRate"
    ThreadsName = 5104,        // "Threads"
    ShowFrameRateName = 5105,  // "ShowFrameRate"
    PresentName = 5106,        // "Present"
    ProjectionName = 5107,     // "Projection"
    SmoothMotionName = 5108,   // "SmoothMotion"
    // Texts added later.
    ChooseFolderButton = 5201,  // the open-file dialog's button that takes a folder
    NoPanoramaInFolder = 5202,  // a folder holds no panorama; the folder's path follows
    UnreadableFolder = 5203,    // a folder cannot be read; its path follows
    NoneShownInFolder = 5204,   // every panorama of a folder failed; its path follows
};

// The text of string `id` (a number of the table), or an empty view when the
// table has no such entry. The view points at static storage and never dangles.
std::string_view LoadResourceString(int id);

// The same for a named id.
std::string_view LoadResourceString(StringId id);

}  // namespace skyweave
