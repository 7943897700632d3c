// Listing folders of panoramas on a real file tree: what counts as a
// panorama (its first bytes, never its name), what is left out (hidden
// names, other files, FIFOs, devices), links and link loops, the bound on
// names, the first find handed over alone, and the cancel flag. Also the
// show rounds: each panorama once per round, however the paths arrive.
#include "loading/folder_listing.h"
#include "loading/show_rounds.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "engine/panorama_bytes.h"

namespace skyweave {
namespace {

namespace fs = std::filesystem;
using skyweave::testing::Bytes;

class FolderTree {
  public:
    FolderTree() {
        std::string pattern = (fs::temp_directory_path() / "skyweave-folder-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    ~FolderTree() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    const fs::path& root() const { return root_; }
    std::string Write(const std::string& name, const Bytes& bytes) const {
        const fs::path path = root_ / name;
        fs::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    // Copies `source` (under the source tree) to `name`; returns its path.
    std::string Copy(const std::string& source, const std::string& name) const {
        const fs::path path = root_ / name;
        fs::create_directories(path.parent_path());
        fs::copy_file(fs::path(SKYWEAVE_SOURCE_DIR) / source, path);
        return path.string();
    }

  private:
    fs::path root_;
};

Bytes Bmp() {
    return skyweave::testing::UniformBmp24(64, 32, {10, 20, 30});
}
Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

struct Listed {
    FolderListingResult result;
    std::vector<std::vector<std::string>> batches;
    std::set<std::string> paths() const {
        std::set<std::string> all;
        for (const auto& batch : batches) {
            all.insert(batch.begin(), batch.end());
        }
        return all;
    }
    std::size_t count() const {
        std::size_t n = 0;
        for (const auto& batch : batches) {
            n += batch.size();
        }
        return n;
    }
};

Listed List(const fs::path& folder, FolderListingLimits limits = {},
            const std::atomic<bool>* cancel = nullptr) {
    Listed listed;
    listed.result = ListPanoramas(
        folder.string(), limits,
        [&listed](std::vector<std::string> batch) { listed.batches.push_back(std::move(batch)); },
        cancel);
    return listed;
}

TEST(FolderListingTest, FindsPanoramasByTheirFirstBytesAndLeavesTheRestOut) {
    FolderTree tree;
    const std::set<std::string> expected = {
        tree.Copy("samples/city.jpg", "city.jpg"),
        tree.Copy("samples/sunset.jpg", "deeper/still/no-extension"),
        tree.Write("a.bmp.txt", Bmp()),
        // Pictures from other encoders, each named as something else.
        tree.Copy("tests/data/formats/picture.png", "png.dat"),
        tree.Copy("tests/data/formats/lossy.webp", "deeper/webp"),
        tree.Copy("tests/data/formats/picture.heic", "heic.jpg"),
        tree.Copy("tests/data/formats/picture.avif", "avif"),
        tree.Write("deeper/pano.pan", skyweave::testing::Container({{"BTMP", Bmp()}})),
        // A file the loader reads but fails on is still listed: the failure
        // is shown when its turn comes.
        tree.Write("newer.pan", skyweave::testing::Container({}, 1)),
    };
    // Left out: hidden names, text, a bare RIFF stream, files too short for
    // any kind, an empty file and a FIFO, which would hang a blocking read.
    tree.Copy("samples/courtyard.jpg", ".hidden/in-hidden-folder.jpg");
    tree.Copy("samples/courtyard.jpg", "deeper/.hidden-file.jpg");
    tree.Write("notes.jpg", Text("just some words, not a picture"));
    tree.Write("sound.wav", {'R', 'I', 'F', 'F', 0x24, 0, 0, 0, 'W', 'A', 'V', 'E'});
    tree.Write("short.bmp", Text("BM"));
    tree.Write("empty.jpg", {});
    ASSERT_EQ(::mkfifo((tree.root() / "pipe.jpg").c_str(), 0600), 0);

    const Listed listed = List(tree.root());
    EXPECT_EQ(listed.result.end, FolderListingEnd::kComplete);
    EXPECT_EQ(listed.paths(), expected);
    EXPECT_EQ(listed.count(), expected.size()) << "a path twice";
    EXPECT_EQ(listed.result.panoramas, expected.size());
    // Every name counts toward the bound, hidden ones included: 13 in the
    // top folder, 4 in deeper/, 1 in deeper/still/; .hidden/ is not read.
    EXPECT_EQ(listed.result.entries, 18u);
}

TEST(FolderListingTest, LinksAreFollowedButNoFolderIsReadTwice) {
    FolderTree tree;
    const std::string picture = tree.Write("sub/p.bmp", Bmp());
    fs::create_directory_symlink("..", tree.root() / "sub" / "loop");          // a loop
    fs::create_directory_symlink(tree.root() / "sub", tree.root() / "again");  // a second way in
    fs::create_symlink(picture, tree.root() / "link.bmp");                     // a file link
    fs::create_symlink(tree.root() / "missing.bmp", tree.root() / "dangling.bmp");
    const Listed listed = List(tree.root());
    EXPECT_EQ(listed.result.end, FolderListingEnd::kComplete);
    const std::set<std::string> paths = listed.paths();
    ASSERT_EQ(paths.size(), 2u) << ::testing::PrintToString(paths);
    EXPECT_TRUE(paths.count((tree.root() / "link.bmp").string()));
    // sub/ is read once, by whichever way the shuffled walk came first.
    EXPECT_TRUE(paths.count(picture) || paths.count((tree.root() / "again" / "p.bmp").string()));
}

TEST(FolderListingTest, NoLinkLeadsTheWalkOutOfTheChosenFolder) {
    FolderTree outside;
    const std::string away = outside.Write("away.bmp", Bmp());
    outside.Write("deep/also-away.bmp", Bmp());
    FolderTree tree;
    const std::string own = tree.Write("own.bmp", Bmp());
    fs::create_directory_symlink("/proc/self", tree.root() / "self");
    fs::create_directory_symlink("/sys", tree.root() / "sys");
    fs::create_directory_symlink("/dev", tree.root() / "dev");
    fs::create_directory_symlink("/", tree.root() / "everything");
    fs::create_directory_symlink(outside.root() / "deep", tree.root() / "elsewhere");
    fs::create_symlink(away, tree.root() / "linked.bmp");  // a file outside: shown
    fs::create_symlink("/proc/self/environ", tree.root() / "environ.bmp");
    fs::create_symlink("/dev/zero", tree.root() / "zero.bmp");
    const Listed listed = List(tree.root());
    EXPECT_EQ(listed.result.end, FolderListingEnd::kComplete);
    EXPECT_EQ(listed.paths(), (std::set<std::string>{own, (tree.root() / "linked.bmp").string()}));
    EXPECT_EQ(listed.result.entries, 9u) << "a folder outside was read";
    // Chosen directly, the kernel's trees are not read at all.
    for (const char* system : {"/proc", "/sys/kernel", "/dev", "/proc/self/root/proc"}) {
        EXPECT_EQ(List(system).result.end, FolderListingEnd::kUnreadable) << system;
    }
}

TEST(FolderListingTest, BoundsCancelAndUnreadableFolders) {
    FolderTree tree;
    for (int i = 0; i < 40; ++i) {
        tree.Write(std::string("p").append(std::to_string(i)).append(".bmp"), Bmp());
    }
    struct Case {
        const char* name;
        std::size_t max_entries;
        bool cancelled;
        std::string folder;
        FolderListingEnd end;
        std::size_t entries;
        std::size_t panoramas;
    };
    const Case cases[] = {
        {"all", 100000, false, tree.root().string(), FolderListingEnd::kComplete, 40, 40},
        {"exactly the bound", 40, false, tree.root().string(), FolderListingEnd::kComplete, 40, 40},
        {"past the bound", 25, false, tree.root().string(), FolderListingEnd::kTruncated, 25, 25},
        {"cancelled", 100000, true, tree.root().string(), FolderListingEnd::kCancelled, 40, 0},
        {"missing", 100000, false, (tree.root() / "missing").string(),
         FolderListingEnd::kUnreadable, 0, 0},
        {"a file", 100000, false, (tree.root() / "p1.bmp").string(), FolderListingEnd::kUnreadable,
         0, 0},
    };
    for (const Case& c : cases) {
        FolderListingLimits limits;
        limits.max_entries = c.max_entries;
        const std::atomic<bool> cancel{c.cancelled};
        const Listed listed = List(c.folder, limits, &cancel);
        EXPECT_EQ(listed.result.end, c.end) << c.name;
        EXPECT_EQ(listed.result.entries, c.entries) << c.name;
        EXPECT_EQ(listed.result.panoramas, c.panoramas) << c.name;
        EXPECT_EQ(listed.count(), c.panoramas) << c.name;
    }
}

TEST(FolderListingTest, TheFirstFindComesAloneAndTheRestInBatches) {
    FolderTree tree;
    for (int i = 0; i < 30; ++i) {
        tree.Write(std::string("p").append(std::to_string(i)).append(".bmp"), Bmp());
    }
    FolderListingLimits limits;
    limits.batch_size = 8;
    const Listed listed = List(tree.root(), limits);
    ASSERT_EQ(listed.count(), 30u);
    std::vector<std::size_t> sizes;
    for (const auto& batch : listed.batches) {
        sizes.push_back(batch.size());
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{1, 8, 8, 8, 5}));

    // The walk's order follows the seed, so the first find is not always
    // the same file.
    std::set<std::string> firsts;
    for (std::uint32_t seed = 0; seed < 10; ++seed) {
        limits.seed = seed;
        firsts.insert(List(tree.root(), limits).batches.front().front());
    }
    EXPECT_GT(firsts.size(), 3u);
}

TEST(FolderListingTest, FolderAndGoneTellPathsApart) {
    FolderTree tree;
    const std::string file = tree.Write("p.bmp", Bmp());
    fs::create_symlink(tree.root() / "nothing", tree.root() / "dangling");
    fs::create_directory_symlink(tree.root(), tree.root() / "self");
    struct Case {
        fs::path path;
        bool folder;
        bool gone;
    };
    for (const Case& c :
         {Case{tree.root(), true, false}, Case{file, false, false},
          Case{tree.root() / "self", true, false}, Case{tree.root() / "dangling", false, false},
          Case{tree.root() / "deleted.jpg", false, true}}) {
        EXPECT_EQ(IsFolder(c.path.string()), c.folder) << c.path;
        EXPECT_EQ(IsGone(c.path.string()), c.gone) << c.path;
    }
}

std::vector<std::string> Paths(int n, const std::string& prefix = "p") {
    std::vector<std::string> paths;
    for (int i = 0; i < n; ++i) {
        paths.push_back(prefix + std::to_string(i));
    }
    return paths;
}

// Every path of `paths` given out once by `rounds`, then nothing.
std::vector<std::string> TakeRound(ShowRounds& rounds) {
    std::vector<std::string> taken;
    while (std::optional<std::string> next = rounds.Next()) {
        taken.push_back(*next);
        if (taken.size() > 10000) {
            break;
        }
    }
    return taken;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

TEST(ShowRoundsTest, EachPathOncePerRoundInAShuffledOrderAcrossRounds) {
    const std::vector<std::string> all = Paths(50);
    ShowRounds rounds(7);
    std::vector<std::vector<std::string>> orders;
    for (int round = 0; round < 3; ++round) {
        rounds.BeginRound();
        rounds.Add(all);
        rounds.EndListing();
        orders.push_back(TakeRound(rounds));
        EXPECT_TRUE(rounds.RoundOver());
        EXPECT_EQ(Sorted(orders.back()), Sorted(all)) << "round " << round;
    }
    EXPECT_NE(orders[0], all) << "not shuffled";
    EXPECT_NE(orders[0], orders[1]);
    EXPECT_NE(orders[1], orders[2]);
    // No panorama twice in a row across the seams.
    EXPECT_NE(orders[0].back(), orders[1].front());
    EXPECT_NE(orders[1].back(), orders[2].front());
    EXPECT_EQ(rounds.Round(), 3u);
}

TEST(ShowRoundsTest, PathsArrivingDuringTheRoundAreEachGivenOnce) {
    ShowRounds rounds(11);
    rounds.BeginRound();
    EXPECT_FALSE(rounds.Next()) << "nothing listed yet";
    EXPECT_FALSE(rounds.RoundOver());
    rounds.Add({"first"});
    EXPECT_EQ(rounds.Next(), "first");  // the saver starts with the first find
    EXPECT_FALSE(rounds.Next());
    rounds.Add(Paths(20, "a"));
    std::vector<std::string> taken = {"first"};
    for (int i = 0; i < 5; ++i) {
        taken.push_back(*rounds.Next());
    }
    rounds.Add(Paths(20, "b"));
    rounds.EndListing();
    for (const std::string& rest : TakeRound(rounds)) {
        taken.push_back(rest);
    }
    std::vector<std::string> expected = Paths(20, "a");
    for (const std::string& b : Paths(20, "b")) {
        expected.push_back(b);
    }
    expected.push_back("first");
    EXPECT_EQ(Sorted(taken), Sorted(expected));
    EXPECT_TRUE(rounds.RoundOver());
    EXPECT_EQ(rounds.Listed(), 41u);
}

TEST(ShowRoundsTest, ALonePathWaitsAtTheSeamUntilTheListingEnds) {
    ShowRounds rounds(3);
    rounds.BeginRound();
    rounds.Add({"only"});
    rounds.EndListing();
    EXPECT_EQ(rounds.Next(), "only");
    rounds.BeginRound();
    rounds.Add({"only"});
    EXPECT_FALSE(rounds.Next()) << "another may still come";
    rounds.Add({"new"});
    EXPECT_EQ(rounds.Next(), "new");
    rounds.EndListing();
    EXPECT_EQ(rounds.Next(), "only");
    EXPECT_TRUE(rounds.RoundOver());
    // A folder of one panorama shows it every round.
    rounds.BeginRound();
    rounds.Add({"only"});
    rounds.EndListing();
    EXPECT_EQ(rounds.Next(), "only");
}

}  // namespace
}  // namespace skyweave
