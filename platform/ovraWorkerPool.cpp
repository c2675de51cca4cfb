#include "platform/ovraWorkerPool.h"

#include "platform/ovraWorkers.h"

namespace ovra {

namespace {

thread_local WorkerPool* t_pActive = nullptr;

} // namespace

WorkerPool::WorkerPool() : m_pPrevious(t_pActive)
{
    t_pActive = this;
}

WorkerPool::~WorkerPool()
{
    {
        CriticalSection::Guard guard(m_lock);
        for (const std::unique_ptr<Worker>& worker : m_workers) {
            worker->bStop = true;
            WakeConditionVariable(&worker->wake);
        }
    }
    for (const std::unique_ptr<Worker>& worker : m_workers) {
        WaitForSingleObject(worker->hThread, INFINITE);
        CloseHandle(worker->hThread);
    }
    t_pActive = m_pPrevious;
}

WorkerPool* WorkerPool::Active()
{
    return t_pActive;
}

bool WorkerPool::Hand(const std::function<void(int)>& task, int index, Batch& batch)
{
    {
        CriticalSection::Guard guard(m_lock);
        if (!m_idle.empty()) {
            Worker* worker = m_idle.back();
            m_idle.pop_back();
            worker->pTask = &task;
            worker->nIndex = index;
            worker->pBatch = &batch;
            ++batch.nLeft;
            WakeConditionVariable(&worker->wake);
            return true;
        }
        if (static_cast<int>(m_workers.size()) >= kMaxThreads)
            return false;
        ++batch.nLeft;
    }
    // A new thread, started outside the lock: it takes the lock before it
    // looks at its task, and joins the pool only once it has started.
    std::unique_ptr<Worker> fresh(new Worker);
    fresh->pPool = this;
    fresh->pTask = &task;
    fresh->nIndex = index;
    fresh->pBatch = &batch;
    const SIZE_T reserve = Workers::s_nStackReserve;
    fresh->hThread = CreateThread(nullptr, reserve, &WorkerPool::ThreadProc, fresh.get(),
                                  reserve ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
    CriticalSection::Guard guard(m_lock);
    if (!fresh->hThread) {
        --batch.nLeft;
        return false;
    }
    m_workers.push_back(std::move(fresh));
    return true;
}

void WorkerPool::Wait(Batch& batch)
{
    CriticalSection::Guard guard(m_lock);
    while (batch.nLeft > 0)
        m_lock.Sleep(batch.done);
}

int WorkerPool::Threads()
{
    CriticalSection::Guard guard(m_lock);
    return static_cast<int>(m_workers.size());
}

DWORD WINAPI WorkerPool::ThreadProc(void* param)
{
    Worker* worker = static_cast<Worker*>(param);
    t_pActive = worker->pPool;
    worker->pPool->Serve(*worker);
    return 0;
}

void WorkerPool::Serve(Worker& worker)
{
    for (;;) {
        const std::function<void(int)>* task = nullptr;
        int index = 0;
        {
            CriticalSection::Guard guard(m_lock);
            while (!worker.pTask && !worker.bStop)
                m_lock.Sleep(worker.wake);
            if (!worker.pTask)
                return;
            task = worker.pTask;
            index = worker.nIndex;
        }
        (*task)(index);
        CriticalSection::Guard guard(m_lock);
        Batch* batch = worker.pBatch;
        worker.pTask = nullptr;
        worker.pBatch = nullptr;
        m_idle.push_back(&worker);
        // The last touch of batch: its owner may end it once this lock is
        // let go.
        if (--batch->nLeft == 0)
            WakeAllConditionVariable(&batch->done);
    }
}

} // namespace ovra
