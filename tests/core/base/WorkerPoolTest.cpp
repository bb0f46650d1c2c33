// The worker pool: every index of a range once, the caller's part on the
// caller, a job that asks for the pool again runs it itself, and a part's
// exception comes back to the caller after all parts are done.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/WorkerPool.h"

using namespace pelmo;

TEST(WorkerPool, RangesCoverEveryIndexOnceWhateverThePartsAndGrain) {
    for (int parts : {1, 2, 3, 4}) {
        TWorkerPool pool(parts);
        EXPECT_EQ(pool.Parts(), parts);
        for (std::size_t count : {0u, 1u, 7u, 4096u, 100003u}) {
            for (std::size_t grain : {1u, 2u, 4096u}) {
                std::vector<std::atomic<int>> hits(count);
                pool.ForRanges(count, grain, [&](std::size_t b, std::size_t e) {
                    EXPECT_LT(b, e);
                    EXPECT_TRUE(b % grain == 0) << b;
                    for (std::size_t i = b; i < e; ++i) ++hits[i];
                });
                for (std::size_t i = 0; i < count; ++i)
                    ASSERT_EQ(hits[i].load(), 1) << parts << " parts, " << count << " / " << grain << " at " << i;
            }
        }
    }
}

TEST(WorkerPool, CallerRunsPartZeroAndNestedJobsRunOnTheirThread) {
    TWorkerPool pool(2);
    struct Context {
        TWorkerPool* pool;
        std::thread::id caller;
        std::atomic<int> onCaller{0}, parts{0}, nested{0};
    } c;
    c.pool = &pool;
    c.caller = std::this_thread::get_id();
    pool.Run(
        [](void* p, int part, int) {
            auto& c = *static_cast<Context*>(p);
            if (part == 0 && std::this_thread::get_id() == c.caller) ++c.onCaller;
            ++c.parts;
            const std::thread::id self = std::this_thread::get_id();
            std::atomic<int> sameThread{0};
            c.pool->ForRanges(10, 1, [&](std::size_t, std::size_t) {
                if (std::this_thread::get_id() == self) ++sameThread;
            });
            c.nested += sameThread.load();
        },
        &c);
    EXPECT_EQ(c.onCaller.load(), 1);
    EXPECT_EQ(c.parts.load(), 2);
    EXPECT_EQ(c.nested.load(), 4);  // two parts, each running both of its nested parts itself
}

TEST(WorkerPool, AnExceptionOfAPartReachesTheCallerAndThePoolGoesOn) {
    TWorkerPool pool(2);
    for (int failing : {0, 1}) {
        std::atomic<int> ran{0};
        EXPECT_THROW(pool.ForRanges(2, 1,
                                    [&](std::size_t b, std::size_t) {
                                        ++ran;
                                        if (static_cast<int>(b) == failing) throw std::runtime_error("part");
                                    }),
                     std::runtime_error);
        EXPECT_EQ(ran.load(), 2);
    }
    std::atomic<int> after{0};
    pool.ForRanges(100, 1, [&](std::size_t b, std::size_t e) { after += static_cast<int>(e - b); });
    EXPECT_EQ(after.load(), 100);
}
