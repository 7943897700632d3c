// Conversion of button and label texts that mark their mnemonic with '&'
// into GTK's convention ('_'). Used by the dialog layer; pure text work.
#pragma once

#include <string>
#include <string_view>

namespace skyweave {

// "&Browse..." becomes "_Browse...", "&&" a literal '&', and a literal '_'
// is doubled so GTK shows it instead of taking it as a mnemonic. A trailing
// lone '&' is dropped.
std::string ToGtkMnemonic(std::string_view text);

}  // namespace skyweave
