// The binary semaphore behind StateLock.
#include "platform/core/state_lock.h"

namespace skyweave {

bool StateLock::Acquire(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!available_.wait_for(lock, timeout, [this] { return count_ > 0; })) {
        return false;
    }
    count_ = 0;
    return true;
}

void StateLock::Release() {
    {
        std::lock_guard lock(mutex_);
        count_ = 1;
    }
    available_.notify_one();
}

}  // namespace skyweave
