// The background panorama loader; see panorama_loader.h.
#include "loading/panorama_loader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <utility>

#include "engine/load_messages.h"
#include "platform/core/background_priority.h"
#include "platform/core/staging_directory.h"

namespace skyweave {

namespace {

// How long the end waits for a cancelled load to notice: the decoders look
// at the flag many times a second; only a library call that cannot be
// interrupted takes longer.
constexpr std::chrono::milliseconds kEndWait{300};

std::atomic<int> g_left_running{0};

}  // namespace

struct PanoramaLoader::Shared {
    explicit Shared(std::function<void()> wake_function) : wake(std::move(wake_function)) {}

    std::function<void()> wake;
    std::mutex mutex;
    std::condition_variable work_ready;
    std::condition_variable worker_ended;
    std::optional<Job> pending;
    std::optional<LoadOutcome> ready;
    // The flag of the load in progress; set to call it off.
    std::shared_ptr<std::atomic<bool>> running_cancel;
    std::uint64_t running_request = 0;  // 0: none
    std::uint64_t latest_request = 0;   // outcomes of older requests are dropped
    bool stopping = false;
    bool ended = false;  // the worker has returned
};

bool LoaderThreadsLeftRunning() {
    return g_left_running.load() > 0;
}

int LeaveProcess(int exit_code) {
    if (LoaderThreadsLeftRunning()) {
        RemoveStagingDirectoriesNow();
        std::fflush(nullptr);
        std::_Exit(exit_code);
    }
    return exit_code;
}

PanoramaLoader::PanoramaLoader(std::function<void()> wake)
    : shared_(std::make_shared<Shared>(std::move(wake))) {}

PanoramaLoader::~PanoramaLoader() {
    bool ended = true;
    {
        std::unique_lock lock(shared_->mutex);
        shared_->stopping = true;
        shared_->pending.reset();
        if (shared_->running_cancel) {
            shared_->running_cancel->store(true);
        }
        shared_->work_ready.notify_all();
        if (worker_.joinable()) {
            ended =
                shared_->worker_ended.wait_for(lock, kEndWait, [this] { return shared_->ended; });
        }
    }
    if (!worker_.joinable()) {
        return;
    }
    if (ended) {
        worker_.join();
        return;
    }
    // A decode that cannot be called off would hold up the end: the worker
    // finishes alone, on state it owns a share of, and delivers nothing.
    g_left_running.fetch_add(1);
    worker_.detach();
}

std::uint64_t PanoramaLoader::Request(const std::string& path, DecodeLimits limits) {
    std::uint64_t request = 0;
    {
        const std::lock_guard lock(shared_->mutex);
        request = ++shared_->latest_request;
        if (shared_->running_cancel) {
            shared_->running_cancel->store(true);
        }
        shared_->ready.reset();
        limits.cancel = nullptr;
        shared_->pending = Job{request, path, limits};
        if (!worker_.joinable()) {
            worker_ = std::thread([shared = shared_] { Work(*shared); });
        }
    }
    shared_->work_ready.notify_one();
    return request;
}

void PanoramaLoader::Cancel() {
    std::optional<LoadOutcome> dropped;
    {
        const std::lock_guard lock(shared_->mutex);
        ++shared_->latest_request;  // whatever is running now ends unheard
        shared_->pending.reset();
        if (shared_->running_cancel) {
            shared_->running_cancel->store(true);
        }
        dropped = std::move(shared_->ready);
        shared_->ready.reset();
    }
    // `dropped` (an engine and its staging directory) goes here, unlocked.
}

bool PanoramaLoader::Busy() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->pending.has_value() || shared_->ready.has_value() ||
           (shared_->running_request != 0 && shared_->running_request == shared_->latest_request);
}

std::optional<LoadOutcome> PanoramaLoader::Take() {
    const std::lock_guard lock(shared_->mutex);
    std::optional<LoadOutcome> outcome = std::move(shared_->ready);
    shared_->ready.reset();
    return outcome;
}

void PanoramaLoader::Work(Shared& shared) {
    // A load runs while the current panorama's frames are drawn; they go first.
    LowerThisThreadsPriority();
    while (true) {
        Job job;
        std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
        {
            std::unique_lock lock(shared.mutex);
            shared.work_ready.wait(
                lock, [&shared] { return shared.stopping || shared.pending.has_value(); });
            if (shared.stopping) {
                shared.ended = true;
                shared.worker_ended.notify_all();
                return;
            }
            job = std::move(*shared.pending);
            shared.pending.reset();
            shared.running_cancel = cancel;
            shared.running_request = job.request;
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
            const std::lock_guard lock(shared.mutex);
            shared.running_request = 0;
            shared.running_cancel.reset();
            deliver = !cancel->load() && job.request == shared.latest_request && !shared.stopping;
            if (deliver) {
                shared.ready = std::move(outcome);
            }
        }
        // An outcome nobody wants is released here, on the worker.
        outcome = LoadOutcome{};
        if (deliver && shared.wake) {
            shared.wake();
        }
    }
}

}  // namespace skyweave
