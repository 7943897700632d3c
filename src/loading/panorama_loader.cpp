// The background panorama loader; see panorama_loader.h.
#include "loading/panorama_loader.h"

#include <new>
#include <utility>

#include "engine/load_messages.h"
#include "platform/core/background_priority.h"

namespace skyweave {

PanoramaLoader::PanoramaLoader(std::function<void()> wake) : wake_(std::move(wake)) {}

PanoramaLoader::~PanoramaLoader() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        pending_.reset();
        if (running_cancel_) {
            running_cancel_->store(true);
        }
    }
    work_ready_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

std::uint64_t PanoramaLoader::Request(const std::string& path, DecodeLimits limits) {
    std::uint64_t request = 0;
    {
        const std::lock_guard lock(mutex_);
        request = ++latest_request_;
        if (running_cancel_) {
            running_cancel_->store(true);
        }
        ready_.reset();
        limits.cancel = nullptr;
        pending_ = Job{request, path, limits};
        if (!worker_.joinable()) {
            worker_ = std::thread([this] { Work(); });
        }
    }
    work_ready_.notify_one();
    return request;
}

void PanoramaLoader::Cancel() {
    std::optional<LoadOutcome> dropped;
    {
        const std::lock_guard lock(mutex_);
        ++latest_request_;  // whatever is running now ends unheard
        pending_.reset();
        if (running_cancel_) {
            running_cancel_->store(true);
        }
        dropped = std::move(ready_);
        ready_.reset();
    }
    // `dropped` (an engine and its staging directory) goes here, unlocked.
}

bool PanoramaLoader::Busy() const {
    const std::lock_guard lock(mutex_);
    return pending_.has_value() || ready_.has_value() ||
           (running_request_ != 0 && running_request_ == latest_request_);
}

std::optional<LoadOutcome> PanoramaLoader::Take() {
    const std::lock_guard lock(mutex_);
    std::optional<LoadOutcome> outcome = std::move(ready_);
    ready_.reset();
    return outcome;
}

void PanoramaLoader::Work() {
    // A load runs while the current panorama's frames are drawn; they go first.
    LowerThisThreadsPriority();
    while (true) {
        Job job;
        std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
        {
            std::unique_lock lock(mutex_);
            work_ready_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
            if (stopping_) {
                return;
            }
            job = std::move(*pending_);
            pending_.reset();
            running_cancel_ = cancel;
            running_request_ = job.request;
        }
        LoadOutcome outcome;
        outcome.request = job.request;
        outcome.path = job.path;
        job.limits.cancel = cancel.get();
        try {
            auto engine = std::make_unique<PanoramaEngine>();
            engine->LoadFile(job.path, job.limits);
            outcome.engine = std::move(engine);
        } catch (const PanoramaLoadError& error) {
            outcome.error = error.what();
        } catch (const std::bad_alloc&) {
            outcome.error = std::string(kTextNoMemory);
        } catch (...) {
            // No text of the load's own: the window shows its module error.
            outcome.error.clear();
        }
        bool deliver = false;
        {
            const std::lock_guard lock(mutex_);
            running_request_ = 0;
            running_cancel_.reset();
            deliver = !cancel->load() && job.request == latest_request_ && !stopping_;
            if (deliver) {
                ready_ = std::move(outcome);
            }
        }
        // An outcome nobody wants is released here, on the worker.
        outcome = LoadOutcome{};
        if (deliver && wake_) {
            wake_();
        }
    }
}

}  // namespace skyweave
