// Delivery of diagnostic texts; see send_diagnostic.h.
#include "diag/send_diagnostic.h"

namespace skyweave {

void SendDiagnostic(std::string_view text) {
    (void)text;
}

}  // namespace skyweave
