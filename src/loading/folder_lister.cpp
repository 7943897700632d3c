// The background folder listing; see folder_lister.h.
#include "loading/folder_lister.h"

#include <utility>

#include "platform/core/background_priority.h"

namespace skyweave {

FolderLister::FolderLister(std::function<void()> wake) : wake_(std::move(wake)) {}

FolderLister::~FolderLister() {
    Stop();
}

void FolderLister::Stop() {
    if (cancel_) {
        cancel_->store(true);
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    cancel_.reset();
    const std::lock_guard lock(mutex_);
    news_ = News{};
    running_ = false;
}

void FolderLister::Cancel() {
    Stop();
}

void FolderLister::Start(const std::string& folder, const FolderListingLimits& limits) {
    Stop();
    {
        const std::lock_guard lock(mutex_);
        running_ = true;
    }
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    thread_ = std::thread([this, folder, limits, cancel = cancel_] {
        LowerThisThreadsPriority();
        // Passes news on; wakes the event loop only when it had taken all
        // before, so a fast listing costs a few wake-ups, not one per batch.
        const auto publish = [this](std::vector<std::string> paths,
                                    std::optional<FolderListingResult> end) {
            bool was_empty = false;
            {
                const std::lock_guard lock(mutex_);
                was_empty = news_.paths.empty() && !news_.end;
                if (news_.paths.empty()) {
                    news_.paths = std::move(paths);
                } else {
                    news_.paths.insert(news_.paths.end(), std::make_move_iterator(paths.begin()),
                                       std::make_move_iterator(paths.end()));
                }
                if (end) {
                    news_.end = end;
                }
            }
            if (was_empty && wake_) {
                wake_();
            }
        };
        const FolderListingResult result = ListPanoramas(
            folder, limits,
            [&publish](std::vector<std::string> paths) { publish(std::move(paths), std::nullopt); },
            cancel.get());
        if (result.end != FolderListingEnd::kCancelled) {
            publish({}, result);
        }
    });
}

FolderLister::News FolderLister::Take() {
    const std::lock_guard lock(mutex_);
    News taken = std::exchange(news_, News{});
    if (taken.end) {
        running_ = false;
    }
    return taken;
}

bool FolderLister::Running() const {
    const std::lock_guard lock(mutex_);
    return running_;
}

}  // namespace skyweave
