// Tasks over the kept helper threads: each task runs once, on a worker the call allows, and is done when the call
// returns, call after call (the helpers are reused), with a task's failure thrown on the calling thread.
#include "library/dsp/Parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace vemra::dsp;

TEST(Parallel, EveryTaskRunsOnceOnAnAllowedWorkerBeforeTheCallReturns)
{
    struct Case {
        int tasks, threads;
    };
    // Growing and shrinking the number of helpers between calls.
    const Case cases[] = {{1, 8}, {3, 3}, {11, 8}, {2, 5}, {40, 3}, {5, 1}, {16, 8}, {7, 2}};
    for (int round = 0; round < 20; ++round)
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.tasks << " tasks on " << c.threads << " threads");
            std::vector<std::atomic<int>> runs(static_cast<std::size_t>(c.tasks));
            std::atomic<int> badWorker{0};
            runTasks(c.tasks, c.threads, [&](int task, int worker) {
                if (worker < 0 || worker >= std::min(c.tasks, c.threads))
                    ++badWorker;
                if (task % 3 == 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(200)); // others overtake
                ++runs[static_cast<std::size_t>(task)];
            });
            for (const auto& r : runs)
                ASSERT_EQ(r.load(), 1);
            ASSERT_EQ(badWorker.load(), 0);
        }
}

TEST(Parallel, AFailingTaskIsThrownOnTheCallerAfterTheOthersRan)
{
    std::atomic<int> ran{0};
    EXPECT_THROW(runTasks(9, 4,
                          [&](int task, int) {
                              ++ran;
                              if (task == 2)
                                  throw std::runtime_error("task 2");
                          }),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 9);
    // The helpers still serve the next call.
    std::atomic<int> next{0};
    runTasks(6, 4, [&](int, int) { ++next; });
    EXPECT_EQ(next.load(), 6);
}
