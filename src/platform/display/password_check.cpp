// The screen-saver password check of this desktop; see password_check.h.
#include "platform/display/password_check.h"

namespace skyweave {

std::unique_ptr<PasswordCheck> LoadPasswordCheck() {
    return nullptr;
}

}  // namespace skyweave
