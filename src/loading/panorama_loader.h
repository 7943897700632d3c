// PanoramaLoader: loads panorama files on a worker thread of its own, so
// that the event loop keeps handling input, painting and signals whatever a
// load costs, and hands each finished engine (or the load's message text)
// back to the event-loop thread.
//
// A small reusable service: the saver window asks for a path and later takes
// the outcome; a newer request or Cancel calls off the load in progress
// through the decode's cancel flag, and its outcome is dropped (on the
// worker, which also removes its staging directory). The engine stays a
// single-threaded object: the worker builds it, then hands it over whole and
// never touches it again. One worker thread, made at the first request and
// kept until destruction, which cancels and joins it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/panorama_engine.h"
#include "image/decode_limits.h"

namespace skyweave {

// The end of one load.
struct LoadOutcome {
    std::uint64_t request = 0;               // the number Request gave it
    std::string path;                        // the file asked for
    std::unique_ptr<PanoramaEngine> engine;  // the loaded panorama, or null
    // When engine is null: the load's message text, or empty for a failure
    // that has none (the window then shows its module error).
    std::string error;
};

class PanoramaLoader {
  public:
    // wake: called on the worker thread each time an outcome is ready to be
    // taken; it must only pass the news to the event loop, quickly and
    // thread-safely (for instance by pushing an event).
    explicit PanoramaLoader(std::function<void()> wake);
    // Cancels the load in progress and joins the worker: as long as the
    // decoders take to notice the cancel flag.
    ~PanoramaLoader();
    PanoramaLoader(const PanoramaLoader&) = delete;
    PanoramaLoader& operator=(const PanoramaLoader&) = delete;

    // Starts loading `path` (PanoramaEngine::LoadFile) with `limits`, whose
    // cancel flag is replaced by the loader's own. A load in progress is
    // cancelled and an outcome not yet taken is dropped. Returns the
    // request's number, counting from 1.
    std::uint64_t Request(const std::string& path, DecodeLimits limits);

    // Calls off the load in progress and drops an outcome not yet taken.
    void Cancel();

    // True from a Request until its outcome is taken, or until Cancel.
    bool Busy() const;

    // The outcome of the latest request once it is ready, else nothing.
    // Event-loop thread.
    std::optional<LoadOutcome> Take();

  private:
    struct Job {
        std::uint64_t request = 0;
        std::string path;
        DecodeLimits limits;
    };

    void Work();

    std::function<void()> wake_;
    mutable std::mutex mutex_;
    std::condition_variable work_ready_;
    std::optional<Job> pending_;
    std::optional<LoadOutcome> ready_;
    // The flag of the load in progress; set to call it off.
    std::shared_ptr<std::atomic<bool>> running_cancel_;
    std::uint64_t running_request_ = 0;  // 0: none
    std::uint64_t latest_request_ = 0;   // outcomes of older requests are dropped
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace skyweave
