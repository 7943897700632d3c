// The one-way channel to the external diagnostic server.
//
// Owns nothing but the act of handing a short text to the server program
// "DBS.EXE" when one is listening. The engine calls it when a wait for its
// state lock times out and when a frame buffer cannot be allocated. The
// channel never reads anything back, never reports a failure to its caller
// and never waits for the server.
#pragma once

#include <string_view>

namespace skyweave {

// Sent when a wait for the engine's state lock ran out (bell, asterisk).
inline constexpr std::string_view kLockTimeoutDiagnostic = "\x07*";

// Sent when the frame or still buffer of a frame could not be allocated.
inline constexpr std::string_view kMemFaultDiagnostic = "Mem Fault\n";

// Hands `text` to the diagnostic server as one message holding the text's
// bytes followed by one terminating zero byte. If no server is listening,
// starts "DBS.EXE" through the program search path without waiting for it,
// looks once more at once, and otherwise drops the text.
//   text: the message, 8-bit characters; must not contain a zero byte
//         (everything from the first zero on is not sent).
void SendDiagnostic(std::string_view text);

}  // namespace skyweave
