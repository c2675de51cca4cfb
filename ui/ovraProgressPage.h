#pragma once

#include "scan/ovraCriticalSection.h"
#include "scan/ovraJob.h"
#include "scan/ovraJobResult.h"
#include "scan/ovraJobStatus.h"
#include "ui/ovraWizardPage.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace ovra {

// The page shown while the registry is scanned. It owns the scan's state:
// the plan of one row per catalogue job, the counters, the records found and
// the worker thread that runs the jobs. The worker talks to the main window
// only through its end notice, sent synchronously; a 500 ms timer copies its
// progress to the screen.
class ProgressPage final : public WizardPage {
public:
    struct ScanStep {
        Job* pJob;
        int32_t nFound;
        int32_t nState; // 0 waiting, 1 running, 2 done; also the row's image
    };

    // What a refresh tick reads of the worker's progress, taken under the lock.
    struct Snapshot {
        std::string strCurrentJob;
        int nJobsDone = 0;
        std::vector<ScanStep> steps;
    };

    static const UINT_PTR IDT_SCAN_STATS = 1011;
    static const UINT kRefreshPeriod = 500;

    ProgressPage();
    ~ProgressPage();

    // Scan run, on the user-interface thread.
    void OnEnter();
    bool OnRun();
    void OnExit();
    // Cancels a running scan and waits for its worker, answering the end
    // notice the worker may be sending meanwhile. Safe to call at any time.
    void StopScan();
    bool IsScanRunning() const;
    Snapshot TakeSnapshot();

    static DWORD WINAPI ScanProc(void* param);

    // Page window.
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnPaint(HDC hdc) override;
    void OnCreate();
    void OnDestroy();
    void OnUpdateStats();
    void OnEnterList(); // the page's part of OnEnter: progress range and rows

    HWND m_hWndProgress;
    JobStatus m_status;
    std::string m_strCurrentJob;   // written and read under m_lock
    std::atomic<int> m_nJobsDone;
    std::vector<JobResult> m_results;
    std::vector<ScanStep> m_steps; // rows' state and count under m_lock
    HFONT m_hFont;
    HWND m_hWndHeading;
    HWND m_hWndStatus;
    HWND m_hWndList;

    // Reserved stack of the worker; 0 takes the default. Tests set a size no
    // 32-bit process can reserve to see how a failed thread start ends.
    static SIZE_T s_nThreadStackReserve;

private:
    void RunJobs();

    CriticalSection m_lock;
    HANDLE m_hThread;
    HWND m_hWndNotify; // the main window: the page's parent
};

} // namespace ovra
