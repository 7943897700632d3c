// Where the diagnostic server listens, and one delivery attempt to it.
//
// Owns the local transport of the diagnostic channel: the server binds a Unix
// datagram socket at a per-user path, and each message is one datagram. Looking
// the server up and handing it a message is the same act here: a send that
// finds no bound socket is a failed lookup. Called by SendDiagnostic only.
#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace skyweave {

// The socket path: "$XDG_RUNTIME_DIR/dbs.sock" when XDG_RUNTIME_DIR holds an
// absolute path, else "/tmp/dbs-<uid>.sock" with the real user id in decimal.
std::string DiagnosticSocketPath();

enum class DeliveryResult {
    kDelivered,   // the datagram was queued at the receiver
    kNoReceiver,  // nothing is bound at the path: the server is not running
    kDropped,     // a receiver may exist but the datagram could not be handed
                  // over now (queue full, too large, not ours); do not retry
};

// Sends `bytes` as one datagram to the socket at `path` without blocking.
// A path that is not a socket owned by this user is not sent to: under /tmp
// another user could otherwise listen in place of our server.
//   path:  socket file path; longer than a socket address holds gives
//          kNoReceiver, since no server can be bound there.
//   bytes: the whole datagram, sent as is.
DeliveryResult SendDiagnosticDatagram(const std::string& path, std::span<const std::byte> bytes);

}  // namespace skyweave
