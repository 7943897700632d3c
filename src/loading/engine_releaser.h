// EngineReleaser: closes and destroys panoramas on a thread of its own.
// Giving back a large picture's memory takes tens of milliseconds (an
// 8192 x 4096 one is 96 MiB of pages to unmap) and closing empties the
// staging directory; on the event loop either would hold a frame. The saver
// window hands each panorama it no longer shows to one; destruction releases
// whatever is still queued and joins the thread, so no staging directory
// outlives its owner.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/panorama_engine.h"

namespace skyweave {

class EngineReleaser {
  public:
    EngineReleaser();
    ~EngineReleaser();
    EngineReleaser(const EngineReleaser&) = delete;
    EngineReleaser& operator=(const EngineReleaser&) = delete;

    // Queues `engine` for Close and destruction; null is ignored. The
    // thread is made at the first call.
    void Release(std::unique_ptr<PanoramaEngine> engine);

    // Returns once every panorama handed over so far is released.
    void Drain();

  private:
    void Work();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<PanoramaEngine>> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace skyweave
