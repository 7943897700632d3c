// The options part of the daemon-style command line's --help, written from
// the settings table: every setting's option with its placeholder, what it
// does, its range and unit, and its default.
#pragma once

#include <string>

#include "settings/settings_table.h"

namespace skyweave {

// One entry per row with an option, in table order: the option from column 2,
// the description from column 22 (on a line of its own when the option is
// wider), wrapped before column 80; every line ends with a newline.
std::string SettingOptionsUsage();

// The description of one row's option: what it does, then "-300 to 300
// tenths of a degree per frame" for an Integer, then "default 15" ("on" or
// "off" for a Flag, the name for a Choice), then the row's note.
std::string SettingOptionDescription(const SettingRow& row);

// The option as the usage shows it: "--zoom N", "--moving, --no-moving",
// "--present auto|surface|gl".
std::string SettingOptionSynopsis(const SettingRow& row);

}  // namespace skyweave
