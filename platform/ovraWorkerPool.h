#pragma once

#include "platform/ovraCriticalSection.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

namespace ovra {

// Threads kept waiting between the side-by-side walks of one scan. Under Wine
// starting a thread costs about two milliseconds of the starting thread's
// time, and a scan starts dozens; while a pool lasts on a thread, Workers
// hands tasks to the pool's idle threads, and starts a new one (kept for
// later) only when none is idle. A task is always handed to a thread that
// runs it at once, never queued, so a task that itself runs tasks side by
// side cannot wait for a thread that waits for it.
class WorkerPool {
public:
    // The pool becomes the calling thread's until it ends; its own threads
    // use it too, for the tasks their tasks start.
    WorkerPool();
    // Ends the threads; every task handed over has ended by then.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    static WorkerPool* Active();

    // The tasks of one call of Workers::Run that went to pool threads.
    struct Batch {
        int nLeft = 0;
        CONDITION_VARIABLE done = CONDITION_VARIABLE_INIT;
    };

    // Starts task(index) on an idle or new thread, counted in batch. False
    // when no thread can be had; the caller then runs it itself.
    bool Hand(const std::function<void(int)>& task, int index, Batch& batch);

    // Returns when every task handed in batch has ended.
    void Wait(Batch& batch);

    // Threads started so far: tests see a second run reuse them.
    int Threads();

    // At most this many threads: a pool short of them runs tasks on the
    // calling thread, as a system short of threads does.
    static const int kMaxThreads = 64;

private:
    struct Worker {
        WorkerPool* pPool = nullptr;
        const std::function<void(int)>* pTask = nullptr;
        int nIndex = 0;
        Batch* pBatch = nullptr;
        bool bStop = false;
        HANDLE hThread = nullptr;
        CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
    };
    static DWORD WINAPI ThreadProc(void* param);
    void Serve(Worker& worker);

    WorkerPool* m_pPrevious;
    CriticalSection m_lock;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::vector<Worker*> m_idle;
};

} // namespace ovra
