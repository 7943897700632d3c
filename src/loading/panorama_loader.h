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
// kept until destruction, which cancels it and joins it when it ends within
// a moment; a decode that cannot be called off (a library call of seconds)
// is left to finish alone, so that it never holds up the end.
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
    // Cancels the load in progress and joins the worker when it ends within
    // 300 ms; else leaves it running (LoaderThreadsLeftRunning).
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
    // What the worker shares with the loader; it owns a share, so it may
    // outlive the loader.
    struct Shared;

    static void Work(Shared& shared);

    std::shared_ptr<Shared> shared_;
    std::thread worker_;
};

// True once a loader ended with its worker still running.
bool LoaderThreadsLeftRunning();

// What main() returns through: `exit_code` itself when every loader's
// worker ended; else the process ends here with it, after removing its
// staging directories and flushing its output, so that no static destructor
// runs under a worker still decoding.
int LeaveProcess(int exit_code);

}  // namespace skyweave
