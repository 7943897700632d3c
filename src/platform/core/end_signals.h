// EndSignals: SIGTERM, SIGINT and SIGHUP, the signals that ask a process to
// end, caught while a saver runs so that it can end in order (panorama
// closed, staging directory removed) instead of dying where it stands.
//
// The handler only records the signal; the saver's event loop looks at
// Caught() every time it wakes (at least ten times a second) and ends the
// run. The record is one process-wide flag because a signal handler can
// reach nothing else. The signals are caught even when the parent left them
// ignored (a shell does so with SIGINT for its background jobs).
#pragma once

namespace skyweave {

class EndSignals {
  public:
    // Catches the three signals until destruction. The outermost object
    // forgets a signal caught before it; nested ones keep the record.
    EndSignals();
    // Gives the signals back what they had before.
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // The last of the three signals caught while an EndSignals existed, or
    // 0 when none was. Async-signal-safe.
    static int Caught();
};

}  // namespace skyweave
