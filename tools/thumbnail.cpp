// See thumbnail.h.
#include "thumbnail.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <thread>

#include "engine/panorama_engine.h"
#include "picture_files.h"
#include "platform/core/memory_draw_target.h"

namespace skyweave {

namespace {

// Calls a load off once its time is up, unless it ended first.
class Deadline {
  public:
    explicit Deadline(std::atomic<bool>& cancel)
        : thread_([this, &cancel] {
              std::unique_lock lock(mutex_);
              if (!ended_.wait_for(lock, std::chrono::seconds(kThumbnailSeconds),
                                   [this] { return done_; })) {
                  cancel.store(true);
              }
          }) {}
    ~Deadline() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        ended_.notify_all();
        thread_.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace

int WriteThumbnail(std::int32_t size, const std::string& file, const std::string& output) {
    std::atomic<bool> cancel{false};
    DecodeLimits limits;
    limits.max_pixels = kThumbnailDecodePixels;
    limits.max_stream_pixels = kThumbnailStreamPixels;
    limits.screen_depth = 24;
    limits.cancel = &cancel;
    PanoramaEngine engine;
    try {
        const Deadline deadline(cancel);
        engine.LoadFile(file, limits);
    } catch (const PanoramaLoadError& error) {
        std::cerr << (cancel.load() ? "skyweave-render: the thumbnail took too long"
                                    : std::string(error.what()))
                  << "\n";
        return 1;
    }
    const std::int32_t width = size;
    const std::int32_t height = std::max(1, size * 9 / 16);
    MemoryDrawTarget target(width, height);
    const PixelRect rect{0, 0, width, height};
    const ViewState view = engine.InitialView();
    engine.SetView(view.heading, view.pitch, view.roll, view.zoom);
    // The same view twice: the second frame is the still one.
    engine.Draw(target, rect);
    engine.Draw(target, rect);
    const std::string failure = WritePng(ExpandTo24Bits(target), output);
    if (!failure.empty()) {
        std::cerr << "skyweave-render: cannot write " << output << ": " << failure << "\n";
        return 1;
    }
    return 0;
}

}  // namespace skyweave
