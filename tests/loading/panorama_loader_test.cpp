// The background loader with real files: outcomes handed over on the
// caller's thread after a wake-up from the worker, the exact failure texts,
// a newer request or a cancel dropping the older outcome (and its staging
// directory), the screen depth handed to the worker, and the retry rule of
// failed loads with real file changes.
#include "loading/panorama_loader.h"
#include "loading/load_retry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "engine/panorama_bytes.h"
#include "loading/loading_fixture.h"

namespace skyweave {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using skyweave::testing::Bytes;

class PanoramaLoaderTest : public skyweave::testing::LoadingTest {
  protected:
    // Waits for the next outcome the way the event loop does: for a wake-up,
    // then Take. Gives up after 30 s (a hang bound).
    std::optional<LoadOutcome> Next(PanoramaLoader& loader) {
        for (int i = 0; i < 3000; ++i) {
            if (wakes_.exchange(0) > 0) {
                if (auto outcome = loader.Take()) {
                    return outcome;
                }
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }
    static Bytes Picture(int width, int height) {
        return skyweave::testing::Bmp24(width, height, [](int x, int y) {
            return skyweave::testing::Rgb{static_cast<std::uint8_t>(x),
                                          static_cast<std::uint8_t>(y), 7};
        });
    }

    std::atomic<int> wakes_{0};
};

TEST_F(PanoramaLoaderTest, OutcomesAreHandedOverAfterAWakeUp) {
    PanoramaLoader loader([this] { ++wakes_; });
    EXPECT_FALSE(loader.Busy());
    EXPECT_FALSE(loader.Take());
    const std::string good = Write("good.bmp", Picture(64, 32));
    const std::string newer = Write("newer.pan", skyweave::testing::Container({}, 1));
    struct Case {
        std::string path;
        std::string error;  // empty: loads
    };
    const Case cases[] = {
        {good, ""},
        {(root_ / "missing.jpg").string(), "File I/O Error: Cannot Open Specified File"},
        {newer, "Version Error: Cannot load a version 5.0 file with version 4.0 software"},
        {Write("short.bin", {'B', 'M'}), "File Type Error: Unsupported File Format"},
    };
    std::uint64_t number = 0;
    for (const Case& c : cases) {
        DecodeLimits limits;
        limits.screen_depth = 24;
        EXPECT_EQ(loader.Request(c.path, limits), ++number);
        EXPECT_TRUE(loader.Busy());
        std::optional<LoadOutcome> outcome = Next(loader);
        ASSERT_TRUE(outcome) << c.path;
        EXPECT_FALSE(loader.Busy());
        EXPECT_EQ(outcome->request, number);
        EXPECT_EQ(outcome->path, c.path);
        EXPECT_EQ(outcome->error, c.error);
        EXPECT_EQ(outcome->engine != nullptr, c.error.empty()) << c.path;
        if (outcome->engine) {
            EXPECT_EQ(outcome->engine->ImageWidth(), 64);
            EXPECT_EQ(outcome->engine->ImageDepth(), 24);
        }
    }
}

TEST_F(PanoramaLoaderTest, TheScreenDepthFoundByTheCallerIsTheOneDecodedFor) {
    PanoramaLoader loader([this] { ++wakes_; });
    const std::string good = Write("good.bmp", Picture(64, 32));
    for (const int depth : {16, 15, 24}) {
        DecodeLimits limits;
        limits.screen_depth = depth;
        loader.Request(good, limits);
        std::optional<LoadOutcome> outcome = Next(loader);
        ASSERT_TRUE(outcome && outcome->engine);
        EXPECT_EQ(outcome->engine->ImageDepth(), depth);
    }
}

// A newer request, or Cancel, drops what an older one made: the caller only
// ever sees the latest outcome, and a dropped panorama's staging directory
// is gone by the time the next outcome arrives (the worker goes in order).
TEST_F(PanoramaLoaderTest, NewerRequestsAndCancelDropOlderOutcomes) {
    PanoramaLoader loader([this] { ++wakes_; });
    const std::string staged =
        Write("staged.pan",
              skyweave::testing::Container(
                  {{"BTMP", Picture(64, 32)},
                   {"FILE", skyweave::testing::FileRecords({{"member.txt", "embedded"}})}}));
    const std::string plain = Write("plain.bmp", Picture(32, 16));
    DecodeLimits limits;
    limits.screen_depth = 24;
    loader.Request(staged, limits);
    const std::uint64_t second = loader.Request(plain, limits);
    std::optional<LoadOutcome> outcome = Next(loader);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->request, second);
    EXPECT_EQ(outcome->path, plain);
    EXPECT_TRUE(fs::is_empty(root_ / "tmp")) << "the dropped panorama kept its files";

    loader.Request(staged, limits);
    loader.Cancel();
    EXPECT_FALSE(loader.Busy());
    loader.Request(plain, limits);
    outcome = Next(loader);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->path, plain);
    EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
    EXPECT_FALSE(loader.Take()) << "one outcome per request";

    // The loader's destruction with a load in flight drops it the same way.
    {
        PanoramaLoader doomed([] {});
        doomed.Request(staged, limits);
    }
    EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
}

TEST_F(PanoramaLoaderTest, AFailureIsRetriedWhenTheFileSettlesOrAfterThirtySeconds) {
    using Clock = LoadRetry::Clock;
    const Clock::time_point t0 = Clock::now();
    const fs::path file = root_ / "pano.jpg";
    const fs::path missing = root_ / "later.jpg";
    const auto grow = [&] { std::ofstream(file, std::ios::app) << "6"; };
    struct Case {
        const char* what;
        fs::path path;
        // The change made before each check, one check a second.
        std::vector<std::function<void()>> changes;
        // Whether each check finds the retry due.
        std::vector<bool> due;
    };
    const auto none = [] {};
    std::ofstream(file) << "12345";
    const Case cases[] = {
        {"nothing changed", file, std::vector<std::function<void()>>(29, none),
         std::vector<bool>(29, false)},
        {"grown once", file, {grow, none}, {false, true}},
        {"touched",
         file,
         {[&] {
              const timespec times[2] = {{0, UTIME_OMIT}, {12345, 678}};
              ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
          },
          none},
         {false, true}},
        {"still missing", missing, {none, none}, {false, false}},
        {"made at last", missing, {[&] { std::ofstream(missing) << "x"; }, none}, {false, true}},
        {"removed", file, {[&] { fs::remove(file); }, none}, {false, true}},
        // A file that keeps growing waits for the thirty seconds.
        {"growing", file, std::vector<std::function<void()>>(30, grow),
         [] {
             std::vector<bool> due(30, false);
             due.back() = true;
             return due;
         }()},
    };
    LoadRetry retry;
    EXPECT_FALSE(retry.Due(t0 + 1h)) << "no failure noted";
    for (const Case& c : cases) {
        retry.Failed(c.path.string(), t0);
        for (std::size_t i = 0; i < c.changes.size(); ++i) {
            c.changes[i]();
            EXPECT_EQ(retry.Due(t0 + std::chrono::seconds(i + 1)), c.due[i])
                << c.what << " at check " << i + 1;
        }
        if (!fs::exists(file)) {
            std::ofstream(file) << "12345";
        }
    }
    retry.Clear();
    EXPECT_FALSE(retry.Due(t0 + 1h));
}

}  // namespace
}  // namespace skyweave
