#pragma once

#include "platform/ovraCriticalSection.h"
#include "records/ovraJob.h"
#include "records/ovraJobResult.h"
#include "records/ovraJobStatus.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace ovra {

// One scan: the plan of one row per job, the counters, the records found and
// the worker thread that runs the jobs in order. The worker reports to a
// window only through its end notice, sent synchronously as WM_COMMAND, so
// the receiver can take the records while the worker waits. Whoever draws
// the progress reads it through TakeSnapshot.
class ScanRun {
public:
    struct Step {
        Job* pJob;
        int32_t nFound;
        int32_t nState; // 0 waiting, 1 running, 2 done
    };

    // What a refresh reads of the worker's progress, taken under the lock.
    struct Snapshot {
        std::string strCurrentJob;
        int nJobsDone = 0;
        std::vector<Step> steps;
    };

    ScanRun();
    // Stops a running worker first: its thread never outlives the run.
    ~ScanRun();
    ScanRun(const ScanRun&) = delete;
    ScanRun& operator=(const ScanRun&) = delete;

    // Stops any earlier worker, then plans one waiting row per job and
    // clears the counters, the cancel flag and the records.
    void Prepare(const std::vector<Job*>& jobs);
    // Starts the worker; at its end it sends doneId, or cancelledId when the
    // cancel flag stopped it, to notify. A worker that cannot start ends the
    // scan as cancelled at once (posted), so no one waits for a notice that
    // would never come; false then.
    bool Start(HWND notify, WPARAM doneId, WPARAM cancelledId);
    void Cancel() { m_status.bCancel = true; }
    // Cancels a running scan and waits for its worker, answering the end
    // notice it may be sending to this thread meanwhile. Safe at any time.
    void Stop();
    bool IsRunning() const;
    Snapshot TakeSnapshot();

    JobStatus m_status;
    std::atomic<int> m_nJobsDone;
    std::vector<JobResult> m_results;
    std::vector<Step> m_steps; // rows' state and count under m_lock

    // Reserved stack of the worker; 0 takes the default. Tests set a size no
    // process can reserve to see how a failed thread start ends.
    static SIZE_T s_nThreadStackReserve;

private:
    static DWORD WINAPI ThreadProc(void* param);
    void RunJobs();

    CriticalSection m_lock;
    std::string m_strCurrentJob; // written and read under m_lock
    HANDLE m_hThread;
    HWND m_hWndNotify;
    WPARAM m_nDoneId;
    WPARAM m_nCancelledId;
};

} // namespace ovra
