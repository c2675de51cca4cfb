#pragma once

#include "scan/ovraJobEnumerator.h"
#include "records/ovraJobResult.h"
#include "ui/ovraGroupView.h"
#include "ui/ovraResultView.h"

#include <windows.h>

#include <vector>

namespace ovra {

// Times the result page's two controls, at the result page's size, with a
// long and a short record list, and measures what holding a long list costs
// the process in memory.
class ViewBench {
public:
    ViewBench();
    ~ViewBench();
    ViewBench(const ViewBench&) = delete;
    ViewBench& operator=(const ViewBench&) = delete;

    int RunViews(int runs);
    int RunMemory(int count);

    // Records as the checks write them, spread over the eight sections.
    static std::vector<JobResult> MakeRecords(int count);

private:
    // Repaints, scrolls by a page and ticks a box, iterations times; ms.
    double Interact(int iterations, double& paintMs, double& scrollMs, double& tickMs);
    void Paint();
    // The first LoadGroups of a newly made pair of controls, with or
    // without the card list's rows reserved beforehand; ms.
    double FirstLoad(std::vector<JobResult>& records, bool reserve);

    JobEnumerator m_catalogue;
    HWND m_hWndHost;
    ResultView m_resultView;
    GroupView m_groupView;
};

} // namespace ovra
