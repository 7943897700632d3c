// Error messages without a window; see error_report.h.
#include "platform/display/error_report.h"

#include <iostream>

#include "platform/core/log_text.h"

namespace skyweave {

void ShowErrorMessage(std::string_view text) {
    std::cerr << "skyweave: " << EscapeForLog(text) << '\n';
}

}  // namespace skyweave
