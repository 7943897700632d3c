// A folder as the saver's panorama; see folder_show.h.
#include "loading/folder_show.h"

#include <utility>

namespace skyweave {

FolderShow::FolderShow(std::string folder, std::uint32_t seed, std::function<void()> wake)
    : folder_(std::move(folder)), seed_(seed), rounds_(seed), lister_(std::move(wake)) {}

std::optional<FolderListingResult> FolderShow::TakeNews() {
    FolderLister::News news = lister_.Take();
    rounds_.Add(news.paths);
    if (news.end) {
        unreadable_ = news.end->end == FolderListingEnd::kUnreadable;
        rounds_.EndListing();
    }
    return news.end;
}

void FolderShow::BeginRound() {
    rounds_.BeginRound();
    shown_this_round_ = 0;
    round_judged_ = false;
    unreadable_ = false;
    FolderListingLimits limits;
    // Each round's walk in another order, so its first find differs too.
    limits.seed = seed_ + static_cast<std::uint32_t>(rounds_.Round());
    lister_.Start(folder_, limits);
}

std::optional<std::string> FolderShow::Next(Clock::time_point now) {
    if (!Started()) {
        BeginRound();
    } else if (rounds_.RoundOver()) {
        if (shown_this_round_ == 0) {
            if (!round_judged_) {
                round_judged_ = true;
                nothing_ = unreadable_             ? Nothing::kUnreadable
                           : rounds_.Listed() == 0 ? Nothing::kNoPanorama
                                                   : Nothing::kAllFailed;
                retry_at_ = now + kRetryAfter;
            }
            if (now < retry_at_) {
                return std::nullopt;
            }
        }
        BeginRound();
    }
    return rounds_.Next();
}

}  // namespace skyweave
