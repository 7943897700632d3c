// StateLock: the binary semaphore that serialises the operations on one
// panorama engine.
//
// Initial count 1, maximum count 1: Acquire takes the count with a timed
// wait, Release gives it back and has no effect when the count is already 1.
// The engine creates one per load; its existence marks the engine as loaded.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace skyweave {

// How long the engine waits for its lock before reporting and going on.
inline constexpr std::chrono::milliseconds kStateLockTimeout{10000};

class StateLock {
  public:
    StateLock() = default;
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

    // Waits until the count is 1 and takes it, for at most `timeout`.
    //   timeout: the longest wait (default 10000 ms).
    // Returns false when the wait ran out (the count is then untouched).
    bool Acquire(std::chrono::milliseconds timeout = kStateLockTimeout);

    // Gives the count back; a release beyond the maximum of 1 does nothing.
    void Release();

  private:
    std::mutex mutex_;
    std::condition_variable available_;
    int count_ = 1;
};

}  // namespace skyweave
