#pragma once

#include "scan/ovraJobEnumerator.h"
#include "records/ovraJobResult.h"
#include "ui/ovraProgressPage.h"

#include <windows.h>

#include <vector>

namespace ovra {

class Floor;

// Times the registry work in process: the scan as the program runs it
// (progress page, worker thread, end notice) against the floor and against
// the same jobs without the scan's file answers; the backup of every record
// found; and their restore. Prints one "FIGURE name value" line per median.
class RegistryBench {
public:
    RegistryBench();
    ~RegistryBench();
    RegistryBench(const RegistryBench&) = delete;
    RegistryBench& operator=(const RegistryBench&) = delete;

    int RunScan(int runs);
    int RunScanOnce();
    // Only the paired runs of scan and floor and the jobs' shares, for a
    // quick look between full runs.
    int RunPairs(int runs);
    int RunBackup(int runs);
    int RunRestore(int runs);
    int RunDelete();

    static const char kBackupName[];

private:
    double Scan();            // ms; the records stay in m_page
    double JobsWithoutScope(); // ms; the jobs called one after the other, no scan run around them
    void ReportJobs(Floor& floor, int rounds);

    static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    JobEnumerator m_catalogue;
    HWND m_hWndHost;
    ProgressPage m_page;
    static bool s_bNotice;
};

} // namespace ovra
