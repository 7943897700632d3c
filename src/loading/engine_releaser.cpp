// Releasing panoramas off the event loop; see engine_releaser.h.
#include "loading/engine_releaser.h"

#include <utility>

#include "platform/core/background_priority.h"

namespace skyweave {

EngineReleaser::EngineReleaser() = default;

EngineReleaser::~EngineReleaser() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
    // Whatever the worker did not reach (none when it ran) goes here.
    queue_.clear();
}

void EngineReleaser::Release(std::unique_ptr<PanoramaEngine> engine) {
    if (!engine) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(engine));
        if (!worker_.joinable()) {
            worker_ = std::thread([this] { Work(); });
        }
    }
    changed_.notify_all();
}

void EngineReleaser::Drain() {
    std::unique_lock lock(mutex_);
    if (!worker_.joinable()) {
        queue_.clear();
        return;
    }
    changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void EngineReleaser::Work() {
    LowerThisThreadsPriority();
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;  // stopping, nothing left
        }
        std::vector<std::unique_ptr<PanoramaEngine>> batch = std::exchange(queue_, {});
        busy_ = true;
        lock.unlock();
        for (std::unique_ptr<PanoramaEngine>& engine : batch) {
            try {
                engine->Close();
            } catch (...) {
                // Nobody to tell on this thread; the destruction still frees it.
            }
            engine.reset();
        }
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace skyweave
