#include "library/dsp/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace vemra::dsp {

int hardwareThreads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

void runTasks(int tasks, int threads, const std::function<void(int task, int worker)>& run)
{
    if (tasks <= 0)
        return;
    const int workers = std::clamp(threads, 1, tasks);
    if (workers == 1) {
        for (int t = 0; t < tasks; ++t)
            run(t, 0);
        return;
    }
    std::atomic<int> next{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    auto work = [&](int worker) {
        for (int t = next.fetch_add(1); t < tasks; t = next.fetch_add(1)) {
            try {
                run(t, worker);
            } catch (...) {
                std::lock_guard lock(failureMutex);
                if (!failure)
                    failure = std::current_exception();
            }
        }
    };
    std::vector<std::thread> helpers;
    try {
        for (int w = 1; w < workers; ++w)
            helpers.emplace_back(work, w);
    } catch (...) {
        // No thread to be had: the threads there are (at least this one) do the work.
    }
    work(0);
    for (std::thread& h : helpers)
        h.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace vemra::dsp
