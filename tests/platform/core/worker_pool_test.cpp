// The worker pool: every part of a job runs exactly once, on a slot that no
// other part holds at the same time, jobs that end leave no worker behind
// in the caller's data, and the thread-count setting resolves as documented.
// Also run under ThreadSanitizer (the tsan preset).
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/core/worker_pool.h"

namespace skyweave {
namespace {

TEST(WorkerPoolTest, ThreadCountSettingResolves) {
    struct Case {
        int setting;
        int processors;
        int threads;
    };
    const Case cases[] = {
        {0, 1, 1}, {0, 2, 2}, {0, 6, 6},   {0, 8, 8},  {0, 64, 8},    {1, 64, 1}, {3, 2, 3},
        {8, 2, 8}, {9, 2, 8}, {100, 1, 8}, {-1, 4, 4}, {-100, 16, 8}, {2, 0, 2},  {0, 0, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveThreadCount(c.setting, c.processors), c.threads)
            << "setting " << c.setting << " on " << c.processors << " processors";
    }
    EXPECT_GE(UsableProcessors(), 1);
}

TEST(WorkerPoolTest, ThreadsAreCappedAndNeverBelowOne) {
    const std::pair<int, int> cases[] = {{-5, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 3}, {8, 8}, {9, 8}};
    for (const auto& [asked, threads] : cases) {
        WorkerPool pool(asked);
        EXPECT_EQ(pool.Threads(), threads) << asked;
    }
}

// Each part records which slot ran it; a slot that is entered while marked
// busy means two parts shared one slot's scratch state.
TEST(WorkerPoolTest, EveryPartRunsOnceOnAFreeSlot) {
    for (const int threads : {1, 2, 3, 8}) {
        WorkerPool pool(threads);
        for (const int parts : {0, 1, 2, 3, 7, 24, 100}) {
            std::vector<std::atomic<int>> runs(static_cast<std::size_t>(parts));
            std::array<std::atomic<bool>, kMaxWorkerThreads> busy{};
            std::atomic<int> clashes{0};
            std::atomic<int> bad_slots{0};
            pool.Run(parts, [&](int part, int slot) {
                if (slot < 0 || slot >= pool.Threads()) {
                    ++bad_slots;
                    return;
                }
                if (busy[static_cast<std::size_t>(slot)].exchange(true)) {
                    ++clashes;
                }
                runs[static_cast<std::size_t>(part)].fetch_add(1);
                std::this_thread::yield();
                busy[static_cast<std::size_t>(slot)].store(false);
            });
            for (int part = 0; part < parts; ++part) {
                EXPECT_EQ(runs[static_cast<std::size_t>(part)].load(), 1)
                    << threads << " threads, part " << part << " of " << parts;
            }
            EXPECT_EQ(clashes.load(), 0) << threads << " threads, " << parts << " parts";
            EXPECT_EQ(bad_slots.load(), 0);
        }
    }
}

// Thousands of short jobs whose tasks write into the caller's stack: a
// worker that entered a job after Run returned would write into a frame that
// is gone (ThreadSanitizer and AddressSanitizer see it) or into the next
// job's data (the sums below see it).
TEST(WorkerPoolTest, BackToBackJobsOnTheCallersStack) {
    WorkerPool pool(3);
    long long total = 0;
    for (int job = 0; job < 3000; ++job) {
        std::array<int, 5> written{};
        pool.Run(static_cast<int>(written.size()),
                 [&written, job](int part, int) { written[static_cast<std::size_t>(part)] = job; });
        for (const int value : written) {
            total += value == job ? 1 : 0;
        }
    }
    EXPECT_EQ(total, 3000LL * 5);
}

TEST(WorkerPoolTest, OnlyJobsOfSeveralPartsOnSeveralThreadsAreShared) {
    WorkerPool single(1);
    single.Run(10, [](int, int slot) { EXPECT_EQ(slot, 0); });
    EXPECT_EQ(single.SharedJobs(), 0u);

    WorkerPool pool(2);
    pool.Run(1, [](int, int slot) { EXPECT_EQ(slot, 0); });
    pool.Run(0, [](int, int) { ADD_FAILURE() << "a job of no parts ran a task"; });
    EXPECT_EQ(pool.SharedJobs(), 0u);
    pool.Run(2, [](int, int) {});
    pool.Run(9, [](int, int) {});
    EXPECT_EQ(pool.SharedJobs(), 2u);
}

// One thread alone takes the parts in order.
TEST(WorkerPoolTest, SingleThreadRunsPartsInOrder) {
    WorkerPool pool(1);
    std::vector<int> order;
    pool.Run(6, [&order](int part, int) { order.push_back(part); });
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

// A pool made and dropped at once, or right after a job, joins its idle
// threads; with a hang here ctest's time-out fails the test.
TEST(WorkerPoolTest, DestroyedIdleOrRightAfterAJob) {
    for (int round = 0; round < 50; ++round) {
        WorkerPool idle(8);
    }
    for (int round = 0; round < 50; ++round) {
        WorkerPool pool(4);
        std::atomic<int> ran{0};
        pool.Run(16, [&ran](int, int) { ++ran; });
        EXPECT_EQ(ran.load(), 16);
    }
}

}  // namespace
}  // namespace skyweave
