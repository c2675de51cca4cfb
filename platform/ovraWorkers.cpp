#include "platform/ovraWorkers.h"

#include "platform/ovraAssert.h"
#include "platform/ovraWorkerPool.h"

#include <windows.h>

namespace ovra {

namespace {

struct Task {
    const std::function<void(int)>* pTask;
    int nIndex;
};

DWORD WINAPI TaskProc(void* param)
{
    const Task* task = static_cast<const Task*>(param);
    (*task->pTask)(task->nIndex);
    return 0;
}

// The started threads; waits for them and closes their handles on every path.
class Threads {
public:
    Threads() = default;
    ~Threads()
    {
        if (m_nCount > 0)
            WaitForMultipleObjects(static_cast<DWORD>(m_nCount), m_handles, TRUE, INFINITE);
        for (int i = 0; i < m_nCount; ++i)
            CloseHandle(m_handles[i]);
    }
    Threads(const Threads&) = delete;
    Threads& operator=(const Threads&) = delete;

    bool Start(Task* task)
    {
        const SIZE_T reserve = Workers::s_nStackReserve;
        HANDLE thread = CreateThread(nullptr, reserve, &TaskProc, task, reserve ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0,
                                     nullptr);
        if (!thread)
            return false;
        m_handles[m_nCount++] = thread;
        return true;
    }

private:
    HANDLE m_handles[Workers::kMaxTasks] = {};
    int m_nCount = 0;
};

} // namespace

std::size_t Workers::s_nStackReserve = 0;

void Workers::Run(int count, const std::function<void(int index)>& task)
{
    OVRA_ASSERT(count >= 0 && count <= kMaxTasks, "ovraWorkers");
    if (count == 1) {
        task(0);
        return;
    }
    if (WorkerPool* pool = WorkerPool::Active()) {
        // The calling thread takes the first task itself, and any that no
        // pool thread could take.
        WorkerPool::Batch batch;
        bool handed[kMaxTasks] = {};
        for (int i = 1; i < count; ++i)
            handed[i] = pool->Hand(task, i, batch);
        task(0);
        for (int i = 1; i < count; ++i)
            if (!handed[i])
                task(i);
        pool->Wait(batch);
        return;
    }
    Task tasks[kMaxTasks];
    bool started[kMaxTasks] = {};
    {
        Threads threads;
        for (int i = 0; i < count; ++i) {
            tasks[i] = Task{&task, i};
            started[i] = threads.Start(&tasks[i]);
        }
        for (int i = 0; i < count; ++i)
            if (!started[i])
                task(i);
    } // waits for every started thread
}

} // namespace ovra
