// FolderLister: lists a folder of panoramas (ListPanoramas) on a thread of
// its own, so that a folder of any size never holds the event loop, and
// hands what it found to the event-loop thread as it goes: the first
// panorama at once, the rest in batches, then the end of the listing.
// One listing at a time; a new Start or Cancel calls the running one off and
// waits for its thread, which looks at the cancel flag before every name.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "loading/folder_listing.h"

namespace skyweave {

class FolderLister {
  public:
    // wake: called on the listing thread when news waits to be taken and the
    // news before it was taken; it must only pass that on to the event loop,
    // quickly and thread-safely.
    explicit FolderLister(std::function<void()> wake);
    // Calls off the running listing and waits for its thread.
    ~FolderLister();
    FolderLister(const FolderLister&) = delete;
    FolderLister& operator=(const FolderLister&) = delete;

    // Starts listing `folder` with `limits`; news of an earlier listing not
    // yet taken is dropped.
    void Start(const std::string& folder, const FolderListingLimits& limits);

    // Calls off the running listing, waits for its thread and drops its news.
    void Cancel();

    // What the listing found since the last Take, and how it ended once it
    // has (`end` is then set, after the last paths).
    struct News {
        std::vector<std::string> paths;
        std::optional<FolderListingResult> end;
    };
    News Take();

    // True from Start until the end of the listing was taken, or Cancel.
    bool Running() const;

  private:
    void Stop();

    std::function<void()> wake_;
    mutable std::mutex mutex_;
    News news_;
    bool running_ = false;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::thread thread_;
};

}  // namespace skyweave
