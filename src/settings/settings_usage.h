// The options part of the daemon-style command line's --help, written from
// the settings table: every setting's option with what it does, its range
// and unit, and its default, one line each.
#pragma once

#include <string>

#include "settings/settings_table.h"

namespace skyweave {

// One entry per row with an option, in table order: the option's short form
// from column 2, the description from column 25 (two columns after a wider
// option), wrapped before column 80 and continued from column 25; every line
// ends with a newline.
std::string SettingOptionsUsage();

// The description of one row's option: what it does, then ", -300..300
// tenths of a degree/frame" for an Integer, then the row's note after "; ",
// then the default in brackets ("[15]", "[on]", "[auto]"; none for a Text).
std::string SettingOptionDescription(const SettingRow& row);

// The option as the manual page tags it: "--zoom N", "--moving, --no-moving",
// "--present auto|surface|gl".
std::string SettingOptionSynopsis(const SettingRow& row);

// The option as --help shows it: as above, but a Flag as "--[no-]moving".
std::string SettingOptionShortSynopsis(const SettingRow& row);

}  // namespace skyweave
