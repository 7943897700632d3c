// Messages for the user when no saver window exists to show them (the
// stand-in for a message box). A screen saver must never block on a modal
// box nobody may be there to close, so the text goes to standard error,
// which the desktop's session log keeps.
#pragma once

#include <string_view>

namespace skyweave {

// text: the message, shown as one line prefixed with the program name; its
// control characters escaped.
void ShowErrorMessage(std::string_view text);

}  // namespace skyweave
