// The desktop's screen-saver password check, behind an interface a real
// check can fill later. The saver window asks for one when an end request
// arrives; no check means no password is set and the saver ends at once.
#pragma once

#include <memory>

namespace skyweave {

class NativeWindow;

class PasswordCheck {
  public:
    virtual ~PasswordCheck() = default;
    // Asks for the password over `window`; true when it was right.
    virtual bool Verify(NativeWindow& window) = 0;
};

// The check of this desktop, or null when no screen-saver password is set.
// On Linux the screen locker owns passwords, so there is never one here.
std::unique_ptr<PasswordCheck> LoadPasswordCheck();

}  // namespace skyweave
