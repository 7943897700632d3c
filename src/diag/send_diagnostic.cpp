// Delivery of diagnostic texts; see send_diagnostic.h.
//
// The diagnostic server is looked up afresh for every text (no state is kept
// between calls): a send that finds no bound socket stands for a failed
// window lookup, one datagram stands for one copy-data message, and the
// detached start of "DBS.EXE" stands for the program start by name, made at
// most once a minute. The send never blocks, so a stalled server costs a
// frame nothing; its results, like those of the start, are not reported to
// the caller.
#include "diag/send_diagnostic.h"

#include <cstddef>
#include <string>
#include <vector>

#include "diag/diagnostic_socket.h"
#include "platform/core/spawn_process.h"

namespace skyweave {

namespace {

constexpr std::string_view kServerProgram = "DBS.EXE";

}  // namespace

DiagnosticChannel::DiagnosticChannel(std::chrono::steady_clock::duration min_start_interval)
    : min_start_interval_(min_start_interval) {}

void DiagnosticChannel::Send(std::string_view text) {
    try {
        // The message is the text up to its terminator, then the terminator.
        const std::string_view body = text.substr(0, text.find('\0'));
        std::vector<std::byte> datagram(body.size() + 1);
        for (std::size_t i = 0; i < body.size(); ++i) {
            datagram[i] = static_cast<std::byte>(body[i]);
        }
        datagram.back() = std::byte{0};

        const std::string path = DiagnosticSocketPath();
        if (SendDiagnosticDatagram(path, datagram) != DeliveryResult::kNoReceiver) {
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            const auto now = std::chrono::steady_clock::now();
            if (last_start_ && now - *last_start_ < min_start_interval_) {
                return;
            }
            last_start_ = now;
        }
        StartDetachedProgram(kServerProgram);
        // One more look at once: a server that is still starting misses this
        // text and receives the next one.
        SendDiagnosticDatagram(path, datagram);
    } catch (...) {
        // Out of memory while reporting trouble: the text is dropped, and the
        // caller, already handling a failure, is not given another.
    }
}

void SendDiagnostic(std::string_view text) {
    static DiagnosticChannel channel;
    channel.Send(text);
}

}  // namespace skyweave
