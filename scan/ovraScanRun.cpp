#include "scan/ovraScanRun.h"

#include "platform/ovraExistenceCache.h"
#include "platform/ovraKeyCloser.h"
#include "platform/ovraWorkerPool.h"

namespace ovra {

SIZE_T ScanRun::s_nThreadStackReserve = 0;

ScanRun::ScanRun()
    : m_nJobsDone(0), m_hThread(nullptr), m_hWndNotify(nullptr), m_nDoneId(0), m_nCancelledId(0)
{
}

ScanRun::~ScanRun()
{
    Stop();
}

void ScanRun::Prepare(const std::vector<Job*>& jobs)
{
    Stop(); // a previous worker may still be returning from its notice

    m_status.nCount = 0;
    m_status.bCancel = false;
    m_nJobsDone = 0;
    {
        CriticalSection::Guard guard(m_lock);
        m_strCurrentJob.clear();
        m_steps.clear();
        for (Job* job : jobs)
            m_steps.push_back(Step{job, 0, 0});
    }
    m_results.clear();
}

bool ScanRun::Start(HWND notify, WPARAM doneId, WPARAM cancelledId)
{
    m_hWndNotify = notify;
    m_nDoneId = doneId;
    m_nCancelledId = cancelledId;
    const DWORD flags = s_nThreadStackReserve ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0;
    m_hThread = CreateThread(nullptr, s_nThreadStackReserve, &ScanRun::ThreadProc, this, flags, nullptr);
    if (m_hThread)
        return true;
    // Without a worker the scan can never end by itself: end it as a
    // cancelled one so the user is not left on a page that never moves.
    m_status.bCancel = true;
    PostMessageA(m_hWndNotify, WM_COMMAND, m_nCancelledId, 0);
    return false;
}

bool ScanRun::IsRunning() const
{
    return m_hThread && WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT;
}

void ScanRun::Stop()
{
    if (!m_hThread)
        return;
    m_status.bCancel = true;
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &m_hThread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (wait != WAIT_OBJECT_0 + 1)
            break;
        // The worker may be blocked sending its end notice to this thread:
        // let that message through, or the wait would never end.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(m_hThread);
    m_hThread = nullptr;
}

ScanRun::Snapshot ScanRun::TakeSnapshot()
{
    Snapshot snapshot;
    CriticalSection::Guard guard(m_lock);
    snapshot.strCurrentJob = m_strCurrentJob;
    snapshot.nJobsDone = m_nJobsDone;
    snapshot.steps = m_steps;
    return snapshot;
}

void ScanRun::RunJobs()
{
    // Within this scan each file, folder and drive is looked at once; the
    // answers go when the scan ends, so the next scan looks again.
    ExistenceCache::Scope existence;
    // Its keys are closed beside it; all of them before the scan ends.
    KeyCloser closer;
    const KeyCloser::Share closing(&closer);
    // The threads its walks run side by side on are started once.
    WorkerPool pool;
    for (size_t i = 0; i < m_steps.size(); ++i) {
        if (m_status.bCancel)
            break;
        m_status.nCount = 0;
        Job* job = m_steps[i].pJob;
        {
            CriticalSection::Guard guard(m_lock);
            m_strCurrentJob = job->m_strName;
            m_steps[i].nState = 1;
        }
        job->OnRun(m_status, m_results);
        ++m_nJobsDone;
        {
            CriticalSection::Guard guard(m_lock);
            m_steps[i].nState = 2;
            m_steps[i].nFound = m_status.nCount;
        }
    }
}

DWORD WINAPI ScanRun::ThreadProc(void* param)
{
    auto* run = static_cast<ScanRun*>(param);
    run->RunJobs();
    const WPARAM id = run->m_status.bCancel ? run->m_nCancelledId : run->m_nDoneId;
    // Synchronous: the receiver takes the records while this thread waits.
    SendMessageA(run->m_hWndNotify, WM_COMMAND, id, 0);
    return 0;
}

} // namespace ovra
