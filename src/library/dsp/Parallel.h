#pragma once
// Runs independent tasks on up to `threads` threads: the calling thread and as many helpers as there are tasks
// for them; the helpers are started on first need and kept for later calls (they end with the program), and the
// call returns when every task is done. Calls from several threads run one after another; a task must not call
// runTasks itself. Each task runs exactly once; `worker` (0 .. threads
// - 1) tells a task which thread runs it, so that a task may use per-thread scratch memory. The first exception a
// task throws is thrown again on the calling thread, after every thread has finished.
// No Qt; whatever the tasks share must be safe to use from several threads.
#include <functional>

namespace vemra::dsp {

void runTasks(int tasks, int threads, const std::function<void(int task, int worker)>& run);

// The threads a machine offers (at least 1).
int hardwareThreads();

} // namespace vemra::dsp
