#include "library/dsp/Parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace vemra::dsp {
namespace {

// Helper threads, started when a call first needs them and kept for the next ones. A thread's memory stays with
// the allocator's arena of that thread: threads started afresh for every call would leave arenas behind that a
// later call does not reuse, so a process that analysed a few responses would keep growing. Starting a thread
// costs, too. Calls are served one at a time.
class Pool {
public:
    ~Pool()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

    void run(int tasks, int workers, const std::function<void(int task, int worker)>& task)
    {
        std::lock_guard serial(callMutex_);
        const int helpers = startHelpers(workers - 1);
        std::unique_lock lock(mutex_);
        task_ = &task;
        tasks_ = tasks;
        next_.store(0);
        wanted_ = helpers;
        busy_ = helpers;
        failure_ = nullptr;
        ++generation_;
        lock.unlock();
        wake_.notify_all();
        work(0);
        lock.lock();
        done_.wait(lock, [&] { return busy_ == 0; });
        task_ = nullptr;
        if (failure_)
            std::rethrow_exception(std::exchange(failure_, nullptr));
    }

private:
    // Makes sure `count` helpers exist; fewer when no more threads are to be had.
    int startHelpers(int count)
    {
        while (static_cast<int>(threads_.size()) < count) {
            try {
                const int index = static_cast<int>(threads_.size());
                threads_.emplace_back([this, index] { serve(index); });
            } catch (...) {
                break;
            }
        }
        return std::min(count, static_cast<int>(threads_.size()));
    }

    void serve(int index)
    {
        std::uint64_t seen = 0;
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stopping_ || (generation_ != seen && index < wanted_); });
            if (stopping_)
                return;
            seen = generation_;
            lock.unlock();
            work(index + 1);
            lock.lock();
            if (--busy_ == 0)
                done_.notify_one();
        }
    }

    void work(int worker)
    {
        for (int t = next_.fetch_add(1); t < tasks_; t = next_.fetch_add(1)) {
            try {
                (*task_)(t, worker);
            } catch (...) {
                std::lock_guard lock(failureMutex_);
                if (!failure_)
                    failure_ = std::current_exception();
            }
        }
    }

    std::mutex callMutex_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;
    const std::function<void(int, int)>* task_ = nullptr;
    int tasks_ = 0;
    std::atomic<int> next_{0};
    int wanted_ = 0, busy_ = 0;
    std::uint64_t generation_ = 0;
    bool stopping_ = false;
    std::mutex failureMutex_;
    std::exception_ptr failure_;
};

Pool& pool()
{
    static Pool p;
    return p;
}

} // namespace

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
    pool().run(tasks, workers, run);
}

} // namespace vemra::dsp
