#pragma once

#include "scan/ovraScanRun.h"
#include "ui/ovraWizardPage.h"

#include <windows.h>


namespace ovra {

// The page shown while the registry is scanned. It holds the scan run and
// starts it; a 500 ms timer copies the run's progress to the screen.
class ProgressPage final : public WizardPage {
public:
    using Snapshot = ScanRun::Snapshot;

    static const UINT_PTR IDT_SCAN_STATS = 1011;
    static const UINT kRefreshPeriod = 500;

    ProgressPage();

    // Scan run, on the user-interface thread: OnEnter plans the scan and
    // fills the rows, OnRun starts the timer and the worker, whose end
    // notice goes to the main window (the page's parent).
    void OnEnter();
    bool OnRun();
    void OnExit();
    void StopScan() { m_run.Stop(); }
    bool IsScanRunning() const { return m_run.IsRunning(); }
    Snapshot TakeSnapshot() { return m_run.TakeSnapshot(); }

    // Page window.
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void ApplyLook() override;
    void OnPaint(HDC hdc) override;
    void OnCreate();
    void OnDestroy();
    void OnUpdateStats();
    void OnEnterList(); // the page's part of OnEnter: progress range and rows

    ScanRun m_run;
    HWND m_hWndProgress;
    HFONT m_hFont;
    HWND m_hWndHeading;
    HWND m_hWndStatus;
    HWND m_hWndList;
};

} // namespace ovra
