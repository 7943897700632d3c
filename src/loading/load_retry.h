// When a panorama file whose load failed is tried again: once the file has
// changed (its size or modification time, or it appears or disappears) and
// then stayed the same from one check to the next, or 30 s after the
// failure, whichever comes first; never in between, so a bad file costs one
// load, not one per frame, and a file that keeps growing (a copy or a
// download under way) one load per 30 s, not one per check. The saver window
// keeps one and asks it from a once-a-second timer while its failure
// message shows.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace skyweave {

class LoadRetry {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kRetryAfter{30};

    // Notes that loading `path` failed at `now`, with the file as it is now.
    void Failed(const std::string& path, Clock::time_point now);

    // True when the noted failure should be retried at `now`; false when no
    // failure is noted. Each call notes the file as it is for the next.
    bool Due(Clock::time_point now);

    // Forgets the failure (after a successful load).
    void Clear() { failed_.reset(); }

  private:
    // What tells one version of a file from another: its size and
    // modification time in nanoseconds; nothing for a file that is not there.
    struct Version {
        std::uint64_t size = 0;
        std::int64_t modified_ns = 0;
        bool operator==(const Version&) const = default;
    };
    static std::optional<Version> VersionOf(const std::string& path);

    struct Failure {
        std::string path;
        Clock::time_point when;
        std::optional<Version> version;
        std::optional<Version> last_seen;  // as the previous check found it
    };
    std::optional<Failure> failed_;
};

}  // namespace skyweave
