// Error messages without a window; see error_report.h.
#include "platform/display/error_report.h"

#include <iostream>

namespace skyweave {

void ShowErrorMessage(std::string_view text) {
    std::cerr << "skyweave: " << text << '\n';
}

}  // namespace skyweave
