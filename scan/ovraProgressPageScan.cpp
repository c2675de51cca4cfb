// The scan run: the part of the progress page that prepares a scan, runs the
// catalogue's jobs on a worker thread and reports the end to the main window.
#include "checks/ovraExistenceCache.h"
#include "scan/ovraJobEnumerator.h"
#include "ui/ovraCommandIds.h"
#include "ui/ovraProgressPage.h"

namespace ovra {

SIZE_T ProgressPage::s_nThreadStackReserve = 0;

void ProgressPage::OnEnter()
{
    StopScan(); // a previous worker may still be returning from its notice

    m_status.nCount = 0;
    m_status.bCancel = false;
    m_nJobsDone = 0;
    {
        CriticalSection::Guard guard(m_lock);
        m_strCurrentJob.clear();
        m_steps.clear();
        for (Job* job : JobEnumerator::mSingleton->m_jobs)
            m_steps.push_back(ScanStep{job, 0, 0});
    }
    m_results.clear();

    if (m_hWndPage)
        OnEnterList();
}

bool ProgressPage::OnRun()
{
    if (m_hWndPage)
        SetTimer(m_hWndPage, IDT_SCAN_STATS, kRefreshPeriod, nullptr);
    m_hWndNotify = m_hWndPage ? GetParent(m_hWndPage) : nullptr;

    const DWORD flags = s_nThreadStackReserve ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0;
    m_hThread = CreateThread(nullptr, s_nThreadStackReserve, &ProgressPage::ScanProc, this, flags, nullptr);
    if (!m_hThread) {
        // Without a worker the scan can never end by itself: end it as a
        // cancelled one so the user is not left on a page that never moves.
        m_status.bCancel = true;
        PostMessageA(m_hWndNotify, WM_COMMAND, IDC_SCAN_CANCELLED, 0);
    }
    return true;
}

bool ProgressPage::IsScanRunning() const
{
    return m_hThread && WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT;
}

void ProgressPage::StopScan()
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

ProgressPage::Snapshot ProgressPage::TakeSnapshot()
{
    Snapshot snapshot;
    CriticalSection::Guard guard(m_lock);
    snapshot.strCurrentJob = m_strCurrentJob;
    snapshot.nJobsDone = m_nJobsDone;
    snapshot.steps = m_steps;
    return snapshot;
}

void ProgressPage::RunJobs()
{
    // Within this scan each file, folder and drive is looked at once; the
    // answers go when the scan ends, so the next scan looks again.
    ExistenceCache::Scope existence;
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

DWORD WINAPI ProgressPage::ScanProc(void* param)
{
    auto* page = static_cast<ProgressPage*>(param);
    page->RunJobs();
    const WPARAM id = page->m_status.bCancel ? IDC_SCAN_CANCELLED : IDC_SCAN_DONE;
    // Synchronous: the main window takes the records while this thread waits.
    SendMessageA(page->m_hWndNotify, WM_COMMAND, id, 0);
    return 0;
}

} // namespace ovra
