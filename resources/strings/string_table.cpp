// Texts of the string table. The texts are fixed and must stay word for word:
// tests and users match them exactly.
#include "strings/string_table.h"

#include <array>

namespace skyweave {
namespace {

struct Entry {
    int id;
    std::string_view text;
};

constexpr std::array kTable{
    Entry{5003, "Settings"},
    Entry{5004, "FilePath"},
    Entry{5005, "(none)"},
    Entry{5007, "An error has occurred when closing the screensaver."},
    Entry{5008, "An error has occurred in this screensaver module."},
    Entry{5009, "Zoom"},
    Entry{5010, "Heading"},
    Entry{5011, "Roll"},
    Entry{5012, "Pitch"},
    Entry{5013, "Size"},
    Entry{5014, "Moving"},
    Entry{5015, "HeadingRandom"},
    Entry{5016, "RollRandom"},
    Entry{5017, "PitchRandom"},
    Entry{5018, "Please select a file to activate this screensaver's features."},
    Entry{5019, "Decompressing panorama..."},
    Entry{5020, "Full Left"},
    Entry{5021, "Full Right"},
    Entry{5022, "Slower"},
    Entry{5023, "Faster"},
    Entry{5024, "The settings could not be saved."},
    Entry{5025,
          "The name of this file cannot be kept in the settings. Please choose a file whose name "
          "is valid UTF-8 text."},
    Entry{5101, "ChangeEvery"},
    Entry{5102, "Fade"},
    Entry{5103, "MaxFrameRate"},
    Entry{5104, "Threads"},
    Entry{5105, "ShowFrameRate"},
    Entry{5106, "Present"},
    Entry{5107, "Projection"},
    Entry{5108, "SmoothMotion"},
    Entry{5201, "Use This &Folder"},
    Entry{5202, "There is no panorama in the folder "},
    Entry{5203, "The folder cannot be read: "},
    Entry{5204, "None of the panoramas in the folder could be shown: "},
};

}  // namespace

std::string_view LoadResourceString(int id) {
    for (const Entry& entry : kTable) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return {};
}

std::string_view LoadResourceString(StringId id) {
    return LoadResourceString(static_cast<int>(id));
}

}  // namespace skyweave
