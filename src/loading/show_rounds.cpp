// The shuffled rounds of a folder's panoramas; see show_rounds.h.
#include "loading/show_rounds.h"

#include <utility>

namespace skyweave {

ShowRounds::ShowRounds(std::uint32_t seed) : random_(seed) {}

void ShowRounds::BeginRound() {
    waiting_.clear();
    listed_ = 0;
    given_this_round_ = false;
    listing_done_ = false;
    ++round_;
}

void ShowRounds::Add(const std::vector<std::string>& paths) {
    waiting_.insert(waiting_.end(), paths.begin(), paths.end());
    listed_ += paths.size();
}

void ShowRounds::EndListing() {
    listing_done_ = true;
}

std::optional<std::string> ShowRounds::Next() {
    if (waiting_.empty()) {
        return std::nullopt;
    }
    std::size_t pick = std::uniform_int_distribution<std::size_t>(0, waiting_.size() - 1)(random_);
    if (!given_this_round_ && waiting_[pick] == last_given_) {
        // Not the same panorama twice in a row across the rounds' seam.
        if (waiting_.size() > 1) {
            pick = (pick + 1 +
                    std::uniform_int_distribution<std::size_t>(0, waiting_.size() - 2)(random_)) %
                   waiting_.size();
        } else if (!listing_done_) {
            return std::nullopt;
        }
    }
    std::swap(waiting_[pick], waiting_.back());
    std::string path = std::move(waiting_.back());
    waiting_.pop_back();
    given_this_round_ = true;
    last_given_ = path;
    return path;
}

}  // namespace skyweave
