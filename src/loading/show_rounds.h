// The order a folder's panoramas are shown in: rounds, each showing every
// panorama the round's listing found once, in a shuffled order, before any
// shows again. Paths may arrive while the round is already under way (the
// listing runs in the background and the saver starts with the first one
// found); each pick is drawn from the paths not yet given out, which is a
// shuffle of all of them however they arrived. A path that is not given out
// again this round - because it failed, say - waits for the next round, whose
// listing is fresh: files added meanwhile join, deleted ones are gone.
// Single-threaded; the saver window keeps one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace skyweave {

class ShowRounds {
  public:
    // seed: starts the shuffle (the saver passes the time; tests a number).
    explicit ShowRounds(std::uint32_t seed);

    // Starts a new round with nothing listed yet: every path is due again
    // once the round's listing names it.
    void BeginRound();

    // Paths the current round's listing found.
    void Add(const std::vector<std::string>& paths);

    // The current round's listing has ended: no more paths come.
    void EndListing();

    // A path of this round not yet given out, drawn at random, and marked as
    // given out. Nothing when none is waiting: the round is over (RoundOver)
    // or its listing has not found more yet. The first pick of a round is
    // never the last one of the round before while another path can still
    // come: with that path alone waiting and the listing still running, the
    // pick waits for more.
    std::optional<std::string> Next();

    // True once the listing ended and every path was given out.
    bool RoundOver() const { return listing_done_ && waiting_.empty(); }
    // True when the listing ended.
    bool ListingDone() const { return listing_done_; }
    // Paths listed in the current round so far.
    std::size_t Listed() const { return listed_; }
    // Rounds begun so far.
    std::uint64_t Round() const { return round_; }

  private:
    std::vector<std::string> waiting_;
    std::size_t listed_ = 0;
    std::string last_given_;
    bool given_this_round_ = false;
    bool listing_done_ = false;
    std::uint64_t round_ = 0;
    std::mt19937 random_;
};

}  // namespace skyweave
