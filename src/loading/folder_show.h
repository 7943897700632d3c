// FolderShow: a folder as the saver's panorama. Lists the folder in the
// background (FolderLister), hands its panoramas out in shuffled rounds
// (ShowRounds) and lists it afresh at the start of each round, so new files
// join and deleted ones drop out. A round that showed nothing (the folder
// holds no panorama, cannot be read, or every file failed) says why, and the
// next round waits kRetryAfter, so a hopeless folder costs one listing per
// half minute, not one per frame. Event-loop thread only, but for the wake
// callback, which the listing thread calls.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "loading/folder_lister.h"
#include "loading/show_rounds.h"

namespace skyweave {

class FolderShow {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kRetryAfter{30};

    // Why a round showed nothing.
    enum class Nothing {
        kNoPanorama,  // the listing found no file the loader reads
        kUnreadable,  // the folder itself could not be read
        kAllFailed,   // every file found failed to load
    };

    // folder: the folder's path. seed: starts the shuffles. wake: called on
    // the listing thread when news waits; it must only post an event, and
    // the event's handler calls TakeNews.
    FolderShow(std::string folder, std::uint32_t seed, std::function<void()> wake);

    // Takes what the listing found since the last call; returns how the
    // listing ended when it did, for the event log.
    std::optional<FolderListingResult> TakeNews();

    // The next panorama to load, or nothing while none is ready: the listing
    // has not found one yet, or a round that showed nothing waits for its
    // retry. The first call, and the first after a round is over, starts a
    // new round and its listing.
    //   now: the current time (steady clock).
    std::optional<std::string> Next(Clock::time_point now);

    // The window showed a panorama of the current round.
    void Shown() {
        ++shown_this_round_;
        nothing_.reset();
    }

    // Set from the end of a round that showed nothing until one shows.
    std::optional<Nothing> ShowsNothing() const { return nothing_; }

    // True once the first round began.
    bool Started() const { return rounds_.Round() > 0; }
    const std::string& folder() const { return folder_; }
    // Rounds begun so far.
    std::uint64_t Round() const { return rounds_.Round(); }

  private:
    void BeginRound();

    std::string folder_;
    std::uint32_t seed_;
    ShowRounds rounds_;
    FolderLister lister_;
    bool unreadable_ = false;  // the current round's listing could not read the folder
    int shown_this_round_ = 0;
    bool round_judged_ = false;  // the round's emptiness was noted
    std::optional<Nothing> nothing_;
    Clock::time_point retry_at_{};
};

}  // namespace skyweave
