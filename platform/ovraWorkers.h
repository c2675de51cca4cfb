#pragma once

#include <cstddef>
#include <functional>

namespace ovra {

// Runs tasks side by side, each on a thread of its own, and returns when all
// of them have ended. A single task runs on the calling thread, and so does
// a task whose thread cannot start: a system short of threads makes the
// work slower, never smaller. While a WorkerPool lasts on the calling
// thread, the calling thread runs the first task and the pool's threads the
// others.
class Workers {
public:
    // At most this many tasks run at once, as the system allows one wait
    // for this many threads.
    static const int kMaxTasks = 16;

    // Calls task(0) .. task(count - 1), count no more than kMaxTasks.
    static void Run(int count, const std::function<void(int index)>& task);

    // Reserved stack of each thread; 0 takes the default. Tests set a size
    // no process can reserve to see the calling thread do the work.
    static std::size_t s_nStackReserve;
};

} // namespace ovra
