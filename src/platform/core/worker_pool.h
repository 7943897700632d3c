// WorkerPool: a fixed set of threads that work through the parts of one job
// at a time together with the thread that hands the job over.
//
// Made once per run by whoever owns the frame loop (the saver, the render
// tool, a benchmark) and lent by pointer to the code that splits its work,
// so that no frame ever starts or joins a thread. Run returns only when
// every part is done and no worker touches the job any more, so a job may
// refer to the caller's stack and buffers; between jobs the workers sleep.
// Destroying the pool wakes and joins them at once: they are idle whenever
// no Run is under way.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace skyweave {

// The most threads a pool runs a job on, the caller included.
inline constexpr int kMaxWorkerThreads = 8;

// The processors this process may run on (its affinity mask, which a
// container or taskset narrows), at least 1.
int UsableProcessors();

// Threads for a thread-count setting: 0 means one per usable processor,
// capped at kMaxWorkerThreads; 1 to kMaxWorkerThreads stand for themselves;
// anything above is capped and anything below 0 counts as 0.
int ResolveThreadCount(int setting, int processors = UsableProcessors());

class WorkerPool {
  public:
    // threads: threads that work on each job, the calling thread included;
    // 1 (or less) starts no thread and runs every job on the caller; capped
    // at kMaxWorkerThreads. When a thread cannot be started the pool works
    // with those it has.
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Threads that work on a job, the caller included (1 to 8).
    int Threads() const { return static_cast<int>(workers_.size()) + 1; }

    // Runs task(part, slot) once for every part in [0, parts) and returns
    // when all are done. slot (0 to Threads() - 1) names the thread running
    // the part: no two parts run at the same time with the same slot, so a
    // task may keep per-slot scratch state. The caller is slot 0. Parts are
    // handed out in increasing order to whichever thread is free. One job
    // at a time: Run must not be called from inside a task, nor from two
    // threads at once. The task must not throw.
    template <class Task>
    void Run(int parts, Task&& task) {
        using Plain = std::remove_reference_t<Task>;
        RunErased(parts, &task, [](void* context, int part, int slot) {
            (*static_cast<Plain*>(context))(part, slot);
        });
    }

    // Jobs that were offered to the workers (Run with more than one part on
    // a pool of more than one thread), for tests and statistics.
    std::uint64_t SharedJobs() const;

  private:
    using Entry = void (*)(void* context, int part, int slot);

    void RunErased(int parts, void* context, Entry entry);
    void WorkerLoop(int slot);
    // Claims and runs parts of the current job until none is left; returns
    // how many it ran.
    int RunParts(int slot);

    std::vector<std::thread> workers_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    // The current job; written by Run under the mutex while no worker is
    // inside a job.
    void* context_ = nullptr;
    Entry entry_ = nullptr;
    int parts_ = 0;
    // Next part to hand out; claimed under the mutex.
    int next_part_ = 0;
    // Parts finished and workers inside the job.
    int done_parts_ = 0;
    int active_workers_ = 0;
    // Workers join a job only while it is open; each job gets a new number.
    bool open_ = false;
    std::uint64_t job_number_ = 0;
    std::uint64_t shared_jobs_ = 0;
    bool stopping_ = false;
};

}  // namespace skyweave
