// The one-way channel to the external diagnostic server.
//
// Owns nothing but the act of handing a short text to the server program
// "DBS.EXE" when one is listening. The engine calls it when a wait for its
// state lock times out and when a frame buffer cannot be allocated. The
// channel never reads anything back, never reports a failure to its caller
// and never waits for the server.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string_view>

namespace skyweave {

// Sent when a wait for the engine's state lock ran out (bell, asterisk).
inline constexpr std::string_view kLockTimeoutDiagnostic = "\x07*";

// Sent when the frame or still buffer of a frame could not be allocated.
inline constexpr std::string_view kMemFaultDiagnostic = "Mem Fault\n";

// The channel, with the memory of its last start of the server program.
class DiagnosticChannel {
  public:
    //   min_start_interval: the least time between two starts of "DBS.EXE"
    //   (default one minute); texts in between that find no server are
    //   dropped without a start, so a trouble repeated every frame cannot
    //   start a program every frame.
    explicit DiagnosticChannel(
        std::chrono::steady_clock::duration min_start_interval = std::chrono::minutes(1));

    // Hands `text` to the diagnostic server as one message holding the
    // text's bytes followed by one terminating zero byte. If no server is
    // listening and no start was made within the interval, starts "DBS.EXE"
    // from an absolute folder of the program search path without waiting for
    // it and looks once more at once; otherwise drops the text. Thread-safe.
    //   text: the message, 8-bit characters; must not contain a zero byte
    //         (everything from the first zero on is not sent).
    void Send(std::string_view text);

  private:
    std::chrono::steady_clock::duration min_start_interval_;
    std::mutex mutex_;
    std::optional<std::chrono::steady_clock::time_point> last_start_;
};

// Send on the process's one channel: the engine reports through this, and
// its starts of the server are bounded for the process as a whole.
void SendDiagnostic(std::string_view text);

}  // namespace skyweave
