// The command-line grammar: letters, argument counts, the atol rules of the
// handles, the in-place upper-casing of the "RESET" comparison and the
// owner search, each case from the grammar table.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/run_mode.h"

namespace skyweave {
namespace {

// Owns writable copies of the arguments, as main() receives them.
class Args {
  public:
    Args(std::initializer_list<std::string> args) : storage_(args) {
        storage_.insert(storage_.begin(), "skyweave");
        for (std::string& s : storage_) {
            pointers_.push_back(s.data());
        }
        pointers_.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(storage_.size()); }
    char** argv() { return pointers_.data(); }
    std::string first() const { return storage_.size() > 1 ? std::string(pointers_[1]) : ""; }

  private:
    std::vector<std::string> storage_;
    std::vector<char*> pointers_;
};

struct Parsed {
    RunMode mode;
    std::int64_t handle;
    int owner_searches;
};

Parsed Parse(Args& args, std::int64_t owner = 0) {
    int searches = 0;
    std::int64_t handle = -777;
    const RunMode mode = ParseCommandLine(args.argc(), args.argv(), handle, [&] {
        ++searches;
        return owner;
    });
    return {mode, handle, searches};
}

TEST(RunModeTest, NoArgumentConfiguresOwnedByTheDisplayPropertiesWindow) {
    Args none{};
    const Parsed found = Parse(none, 4242);
    EXPECT_EQ(found.mode, RunMode::Configure);
    EXPECT_EQ(found.handle, 4242);
    EXPECT_EQ(found.owner_searches, 1);
    Args again{};
    EXPECT_EQ(Parse(again, 0).handle, 0);
}

TEST(RunModeTest, ConfigureTakesTheOwnerFromTheSecondArgumentOnly) {
    Args joined{"/c:1234"};
    Parsed p = Parse(joined, 99);
    EXPECT_EQ(p.mode, RunMode::Configure);
    EXPECT_EQ(p.handle, 99);
    Args separate{"/C", "1234"};
    p = Parse(separate, 99);
    EXPECT_EQ(p.mode, RunMode::Configure);
    EXPECT_EQ(p.handle, 1234);
    EXPECT_EQ(p.owner_searches, 0);
    Args extra{"-config", "  +56xyz", "more"};
    EXPECT_EQ(Parse(extra).handle, 56);
}

TEST(RunModeTest, PreviewNeedsANonZeroParent) {
    Args zero{"/p", "0"};
    EXPECT_EQ(Parse(zero).mode, RunMode::None);
    Args missing{"/p"};
    EXPECT_EQ(Parse(missing).mode, RunMode::None);
    Args letters{"/P", "abc"};
    EXPECT_EQ(Parse(letters).mode, RunMode::None);
    Args good{"/p", " 2097153"};
    const Parsed p = Parse(good);
    EXPECT_EQ(p.mode, RunMode::Preview);
    EXPECT_EQ(p.handle, 2097153);
    Args negative{"-p", "-12junk"};
    EXPECT_EQ(Parse(negative).handle, -12);
}

TEST(RunModeTest, AnySecondCharacterSStartsTheFullScreenSaver) {
    for (const char* arg : {"-S", "/s", "xs", "/screen", "/save"}) {
        Args args{arg};
        EXPECT_EQ(Parse(args).mode, RunMode::FullScreen) << arg;
    }
    Args with_more{"/s", "123", "456"};
    EXPECT_EQ(Parse(with_more).mode, RunMode::FullScreen);
}

TEST(RunModeTest, SetFileWantsExactlyOnePath) {
    Args one{"/a", "/tmp/pano.pan"};
    EXPECT_EQ(Parse(one).mode, RunMode::SetFile);
    Args alone{"/a"};
    EXPECT_EQ(Parse(alone).mode, RunMode::None);
    Args two_more{"/A", "x", "y"};
    EXPECT_EQ(Parse(two_more).mode, RunMode::None);
}

TEST(RunModeTest, ResetIsMatchedAfterUpperCasingTheArgumentInPlace) {
    for (const char* arg : {"/reset", "-RESET", "xReSeT"}) {
        Args args{arg};
        EXPECT_EQ(Parse(args).mode, RunMode::Reset) << arg;
        EXPECT_EQ(args.first().substr(1), "RESET");
        EXPECT_EQ(args.first()[0], arg[0]);
    }
    Args longer{"/resets"};
    EXPECT_EQ(Parse(longer).mode, RunMode::None);
    EXPECT_EQ(longer.first(), "/RESETS");
    Args shorter{"/rese"};
    EXPECT_EQ(Parse(shorter).mode, RunMode::None);
}

TEST(RunModeTest, LettersWinBeforeTheResetComparison) {
    // "r" is not a mode letter, so "/r..." goes to the comparison; "/s..."
    // never does, even when it would spell something else.
    Args s{"/sRESET"};
    EXPECT_EQ(Parse(s).mode, RunMode::FullScreen);
    EXPECT_EQ(s.first(), "/sRESET");
}

TEST(RunModeTest, ShortAndEmptyFirstArgumentsEndWithoutReadingPastThem) {
    Args empty{""};
    EXPECT_EQ(Parse(empty).mode, RunMode::None);
    Args one_char{"/"};
    EXPECT_EQ(Parse(one_char).mode, RunMode::None);
    Args unknown{"/x"};
    EXPECT_EQ(Parse(unknown).mode, RunMode::None);
}

TEST(RunModeTest, HandlesFollowAtolRulesAndSaturate) {
    EXPECT_EQ(ReadHandle("  \t42abc"), 42);
    EXPECT_EQ(ReadHandle("-7"), -7);
    EXPECT_EQ(ReadHandle("+0012"), 12);
    EXPECT_EQ(ReadHandle("abc"), 0);
    EXPECT_EQ(ReadHandle(""), 0);
    EXPECT_EQ(ReadHandle("0x1F"), 0);
    EXPECT_EQ(ReadHandle("99999999999999999999999"), INT64_MAX);
    EXPECT_EQ(ReadHandle(nullptr), 0);
}

}  // namespace
}  // namespace skyweave
