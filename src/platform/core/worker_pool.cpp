// The worker pool; see worker_pool.h.
#include "platform/core/worker_pool.h"

#include <sched.h>

#include <algorithm>
#include <system_error>

namespace skyweave {

int UsableProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) {
            return count;
        }
    }
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

int ResolveThreadCount(int setting, int processors) {
    const int wanted = setting > 0 ? setting : processors;
    return std::clamp(wanted, 1, kMaxWorkerThreads);
}

WorkerPool::WorkerPool(int threads) {
    const int workers = std::clamp(threads, 1, kMaxWorkerThreads) - 1;
    workers_.reserve(static_cast<std::size_t>(workers));
    for (int slot = 1; slot <= workers; ++slot) {
        try {
            workers_.emplace_back([this, slot] { WorkerLoop(slot); });
        } catch (const std::system_error&) {
            break;  // fewer threads: every job still completes on those there are
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

std::uint64_t WorkerPool::SharedJobs() const {
    std::lock_guard lock(mutex_);
    return shared_jobs_;
}

void WorkerPool::RunErased(int parts, void* context, Entry entry) {
    if (parts <= 0) {
        return;
    }
    if (workers_.empty() || parts == 1) {
        for (int part = 0; part < parts; ++part) {
            entry(context, part, 0);
        }
        return;
    }
    {
        std::lock_guard lock(mutex_);
        context_ = context;
        entry_ = entry;
        parts_ = parts;
        next_part_ = 0;
        done_parts_ = 0;
        open_ = true;
        ++job_number_;
        ++shared_jobs_;
    }
    wake_.notify_all();
    const int mine = RunParts(0);
    std::unique_lock lock(mutex_);
    done_parts_ += mine;
    // Closing the job under the same lock that saw the last worker leave
    // means no worker can enter it late and touch the caller's state.
    finished_.wait(lock, [this] { return done_parts_ == parts_ && active_workers_ == 0; });
    open_ = false;
    context_ = nullptr;
    entry_ = nullptr;
}

int WorkerPool::RunParts(int slot) {
    int ran = 0;
    for (;;) {
        int part = 0;
        void* context = nullptr;
        Entry entry = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (next_part_ >= parts_) {
                return ran;
            }
            part = next_part_++;
            context = context_;
            entry = entry_;
        }
        entry(context, part, slot);
        ++ran;
    }
}

void WorkerPool::WorkerLoop(int slot) {
    std::uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || (open_ && job_number_ != seen); });
        if (stopping_) {
            return;
        }
        seen = job_number_;
        ++active_workers_;
        lock.unlock();
        const int ran = RunParts(slot);
        lock.lock();
        done_parts_ += ran;
        --active_workers_;
        if (active_workers_ == 0) {
            finished_.notify_one();
        }
    }
}

}  // namespace skyweave
