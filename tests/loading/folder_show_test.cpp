// A folder as the saver's panorama, on a real file tree with the real
// listing thread: rounds that list the folder afresh (new files join,
// deleted ones drop out), and the three ways a folder shows nothing, each
// retried after half a minute. Also the releaser that closes panoramas off
// the event loop, staging directories included.
#include "loading/folder_show.h"
#include "loading/engine_releaser.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>

#include "engine/panorama_bytes.h"
#include "loading/loading_fixture.h"

namespace skyweave {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = FolderShow::Clock;
using skyweave::testing::Bytes;

class FolderShowTest : public skyweave::testing::LoadingTest {
  protected:
    void SetUp() override {
        LoadingTest::SetUp();
        fs::create_directory(root_ / "pictures");
    }
    // Writes `bytes` to `name` in the folder shown; returns its path.
    std::string Write(const std::string& name, const Bytes& bytes) {
        return LoadingTest::Write("pictures/" + name, bytes);
    }
    std::string Picture(const std::string& name) {
        return Write(name, skyweave::testing::UniformBmp24(32, 16, {1, 2, 3}));
    }
    std::string folder() const { return (root_ / "pictures").string(); }

    // Takes `count` panoramas the way the saver window does: news first,
    // then the next path, marking each shown when `shown`. Gives up after
    // 30 s (a hang bound).
    std::vector<std::string> Take(FolderShow& show, std::size_t count, bool shown = true) {
        std::vector<std::string> taken;
        const auto deadline = Clock::now() + 30s;
        while (taken.size() < count && Clock::now() < deadline) {
            show.TakeNews();
            if (std::optional<std::string> next = show.Next(Clock::now())) {
                taken.push_back(*next);
                if (shown) {
                    show.Shown();
                }
            } else {
                std::this_thread::sleep_for(2ms);
            }
        }
        return taken;
    }
    // Asks until the show says why it has nothing (30 s hang bound).
    std::optional<FolderShow::Nothing> WaitForNothing(FolderShow& show, Clock::time_point now) {
        const auto deadline = Clock::now() + 30s;
        while (!show.ShowsNothing() && Clock::now() < deadline) {
            show.TakeNews();
            if (show.Next(now)) {
                return std::nullopt;  // it had something after all
            }
            std::this_thread::sleep_for(2ms);
        }
        return show.ShowsNothing();
    }
};

std::set<std::string> AsSet(const std::vector<std::string>& v) {
    return {v.begin(), v.end()};
}

TEST_F(FolderShowTest, EachRoundListsTheFolderAfresh) {
    const std::string a = Picture("a.bmp");
    const std::string b = Picture("b.bmp");
    const std::string c = Picture("c.bmp");
    std::atomic<int> wakes{0};
    FolderShow show(folder(), 5, [&wakes] { ++wakes; });
    EXPECT_FALSE(show.Started());
    EXPECT_EQ(AsSet(Take(show, 3)), (std::set<std::string>{a, b, c}));
    EXPECT_GT(wakes.load(), 0) << "the listing thread never woke the caller";
    EXPECT_EQ(show.Round(), 1u);

    // Between the rounds a file is added and one deleted.
    const std::string d = Picture("d.bmp");
    fs::remove(a);
    const std::vector<std::string> second = Take(show, 3);
    EXPECT_EQ(AsSet(second), (std::set<std::string>{b, c, d}));
    EXPECT_EQ(second.size(), 3u);
    EXPECT_EQ(show.Round(), 2u);
    EXPECT_EQ(AsSet(Take(show, 3)), (std::set<std::string>{b, c, d}));
    EXPECT_EQ(show.Round(), 3u);
    EXPECT_FALSE(show.ShowsNothing());
}

TEST_F(FolderShowTest, AFolderWithNothingToShowSaysWhyAndTriesAgainAfterHalfAMinute) {
    struct Case {
        const char* name;
        std::function<std::string()> make;  // returns the folder to show
        std::size_t failing;                // paths handed out that fail
        FolderShow::Nothing nothing;
    };
    const Case cases[] = {
        {"empty", [this] { return folder(); }, 0, FolderShow::Nothing::kNoPanorama},
        {"no pictures",
         [this] {
             Write("readme.txt", {'h', 'i', '!', '\n', 0});
             return folder();
         },
         0, FolderShow::Nothing::kNoPanorama},
        {"missing", [this] { return (root_ / "missing").string(); }, 0,
         FolderShow::Nothing::kUnreadable},
        {"all failing",
         [this] {
             Write("newer.pan", skyweave::testing::Container({}, 1));
             Write("also.pan", skyweave::testing::Container({}, 1));
             return folder();
         },
         2, FolderShow::Nothing::kAllFailed},
    };
    for (const Case& c : cases) {
        FolderShow show(c.make(), 1, [] {});
        // The failing files are handed out, loaded by the caller, and fail:
        // never marked shown.
        EXPECT_EQ(Take(show, c.failing, false).size(), c.failing) << c.name;
        const Clock::time_point t0 = Clock::now();
        EXPECT_EQ(WaitForNothing(show, t0), c.nothing) << c.name;
        EXPECT_EQ(show.Round(), 1u) << c.name;
        EXPECT_FALSE(show.Next(t0 + 29s)) << c.name;
        EXPECT_EQ(show.Round(), 1u) << c.name << ": retried too early";

        // The user puts a picture there: the retry's round shows it and the
        // reason goes.
        const fs::path where = show.folder();
        fs::remove_all(where);
        fs::create_directory(where);
        const std::string picture = (where / "p.bmp").string();
        fs::copy_file(Picture("../p.bmp"), picture);
        show.Next(t0 + 31s);
        EXPECT_EQ(show.Round(), 2u) << c.name << ": not retried";
        EXPECT_EQ(Take(show, 1), std::vector<std::string>{picture}) << c.name;
        EXPECT_FALSE(show.ShowsNothing()) << c.name;
        fs::remove_all(where);
        fs::create_directory(folder());
    }
}

TEST_F(FolderShowTest, ReleasedPanoramasAreClosedOffTheCallersThread) {
    const std::string staged =
        Write("staged.pan",
              skyweave::testing::Container(
                  {{"BTMP", skyweave::testing::UniformBmp24(64, 32, {9, 9, 9})},
                   {"FILE", skyweave::testing::FileRecords({{"~member.txt", "embedded"}})}}));
    const auto load = [&staged] {
        DecodeLimits limits;
        limits.screen_depth = 24;
        return std::make_unique<PanoramaEngine>(staged, limits);
    };
    {
        EngineReleaser releaser;
        releaser.Release(nullptr);
        releaser.Drain();  // nothing handed over: returns at once
        auto engine = load();
        ASSERT_TRUE(engine->IsLoaded());
        ASSERT_FALSE(fs::is_empty(root_ / "tmp"));
        releaser.Release(std::move(engine));
        releaser.Drain();
        EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
        // Queued at destruction: released before it ends.
        for (int i = 0; i < 3; ++i) {
            releaser.Release(load());
        }
    }
    EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
}

}  // namespace
}  // namespace skyweave
