// The retry rule of failed loads; see load_retry.h.
#include "loading/load_retry.h"

#include <sys/stat.h>

namespace skyweave {

std::optional<LoadRetry::Version> LoadRetry::VersionOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return Version{
        static_cast<std::uint64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

void LoadRetry::Failed(const std::string& path, Clock::time_point now) {
    const std::optional<Version> version = VersionOf(path);
    failed_ = Failure{path, now, version, version};
}

bool LoadRetry::Due(Clock::time_point now) {
    if (!failed_) {
        return false;
    }
    const std::optional<Version> seen = VersionOf(failed_->path);
    const bool settled = seen == failed_->last_seen;
    failed_->last_seen = seen;
    return now - failed_->when >= kRetryAfter || (settled && seen != failed_->version);
}

}  // namespace skyweave
