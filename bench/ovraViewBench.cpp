#include "bench/ovraViewBench.h"

#include "platform/ovraInstance.h"
#include "bench/ovraStopwatch.h"
#include "platform/ovraAssert.h"

#include <psapi.h>

#include <cstdio>

namespace ovra {

namespace {

// The result page's layout: the section list on the left, the cards beside it.
const int kPageWidth = 690;
const int kPageHeight = 396;
const int kGroupWidth = 264;

struct Template {
    int nJob;
    uint32_t hRoot;
    const char* sKeyPath;
    const char* sProblem;
    const char* sSection;
    const char* sValue;
    int32_t nKind;
};

const Template kTemplates[] = {
    {1, 0x80000001u, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", "Value is invalid.",
     "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
     "Folder%06d = C:\\Users\\bench\\Gone %06d", 0},
    {2, 0x80000000u, "CLSID", "Custom control is invalid",
     "HKEY_CLASSES_ROOT\\CLSID\\{0BE0%04X-0000-4000-8000-00000000BE0C}\\InprocServer32",
     "(Default) = C:\\Program Files\\Vendor 07\\Removed %04d\\ext2.dll", 1},
    {3, 0x80000002u, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", "Value is invalid",
     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\benchapp%06d.exe",
     "(Default) = C:\\Program Files\\Vendor 11\\Removed %04d\\benchapp.exe", 1},
    {4, 0x80000002u, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Font item is invalid",
     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
     "Bench Sans %06d (TrueType) = bns.ttf", 0},
    {5, 0x80000002u, "SOFTWARE\\Microsoft\\Windows\\Help", "Help file prod.hlp doesn't exist",
     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Help",
     "prod%06d.hlp = C:\\Program Files\\Vendor 03\\Removed 0042\\Help\\", 0},
    {6, 0x80000002u, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", "Value is invalid",
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
     "C:\\Program Files\\Vendor 19\\Removed %06d\\shr.dll", 0},
    {7, 0x80000002u, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Value is invalid",
     "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
     "BenchTray%06d = C:\\Program Files\\Vendor 01\\Removed 0001\\app.exe", 0},
    {8, 0x80000002u, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "Add/Remove item is invalid",
     "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
     "Bench Product %06d = \"C:\\Program Files\\Vendor 23\\Removed 0077\\uninst.exe\" /S", 1},
};

// Templates without a number are used as they are; the extra argument is
// then ignored.
std::string Format(const char* format, int number)
{
    char text[512];
    std::snprintf(text, sizeof(text), format, number);
    return text;
}

void PrintMemory(const char* when)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    std::printf("MEMORY %s working_set_mb %.1f peak_working_set_mb %.1f pagefile_mb %.1f peak_pagefile_mb %.1f\n",
                when, counters.WorkingSetSize / 1048576.0, counters.PeakWorkingSetSize / 1048576.0,
                counters.PagefileUsage / 1048576.0, counters.PeakPagefileUsage / 1048576.0);
}

} // namespace

ViewBench::ViewBench()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = g_hInstance;
    wc.lpszClassName = "ovra_bench_page";
    RegisterClassA(&wc);
    m_hWndHost = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, kPageWidth, kPageHeight,
                                 nullptr, nullptr, g_hInstance, nullptr);
    OVRA_ASSERT(m_hWndHost, "ovraViewBench");
    m_resultView.Create(m_hWndHost, kGroupWidth, 0, kPageWidth - kGroupWidth, kPageHeight);
    m_groupView.Create(&m_resultView, m_hWndHost, 0, 0, kGroupWidth, kPageHeight);
}

ViewBench::~ViewBench()
{
    DestroyWindow(m_hWndHost);
}

std::vector<JobResult> ViewBench::MakeRecords(int count)
{
    std::vector<JobResult> records;
    records.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const Template& t = kTemplates[i % 8];
        JobResult r;
        r.hRoot = t.hRoot;
        r.sKeyPath = t.sKeyPath;
        r.sName = Format("Bench entry %06d", i);
        r.sProblem = t.sProblem;
        r.sSection = Format(t.sSection, i);
        r.sValue = Format(t.sValue, i);
        r.nJobId = t.nJob;
        r.nKind = t.nKind;
        r.bSelected = true;
        records.push_back(std::move(r));
    }
    return records;
}

void ViewBench::Paint()
{
    InvalidateRect(m_resultView.m_hWndView, nullptr, FALSE);
    UpdateWindow(m_resultView.m_hWndView);
}

double ViewBench::Interact(int iterations, double& paintMs, double& scrollMs, double& tickMs)
{
    HWND view = m_resultView.m_hWndView;
    paintMs = scrollMs = tickMs = 0.0;
    for (int i = 0; i < iterations; ++i) {
        Stopwatch watch;
        Paint();
        paintMs += watch.Ms();

        watch.Restart();
        SendMessageA(view, WM_VSCROLL, i % 2 ? SB_PAGEUP : SB_PAGEDOWN, 0);
        UpdateWindow(view);
        scrollMs += watch.Ms();

        // The first tick box wholly inside the client area.
        const int pos = m_resultView.m_nScrollPos;
        const int rowTop = (pos + ResultView::kRowHeight - 1) / ResultView::kRowHeight * ResultView::kRowHeight;
        const int y = rowTop - pos + 15;
        watch.Restart();
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, y));
        UpdateWindow(view);
        tickMs += watch.Ms();
    }
    return paintMs + scrollMs + tickMs;
}

double ViewBench::FirstLoad(std::vector<JobResult>& records, bool reserve)
{
    ResultView cards;
    GroupView sections;
    cards.Create(m_hWndHost, kGroupWidth, 0, kPageWidth - kGroupWidth, kPageHeight);
    sections.Create(&cards, m_hWndHost, 0, 0, kGroupWidth, kPageHeight);
    if (reserve)
        cards.m_records.reserve(records.size());
    const Stopwatch watch;
    sections.LoadGroups(&records);
    const double ms = watch.Ms();
    // The windows go before the objects they are bound to.
    DestroyWindow(sections.m_hWndView);
    DestroyWindow(cards.m_hWndView);
    return ms;
}

int ViewBench::RunViews(int runs)
{
    std::vector<JobResult> many = MakeRecords(100000);
    std::vector<JobResult> few = MakeRecords(10);
    const int iterations = 40;

    std::vector<double> loadMs;
    double firstLoad = 0.0;
    for (int i = 0; i <= runs; ++i) {
        const Stopwatch watch;
        m_groupView.LoadGroups(&many);
        const double ms = watch.Ms();
        if (i == 0)
            firstLoad = ms;
        else
            loadMs.push_back(ms);
    }

    // Whether reserving the card list's rows would help a first fill.
    std::vector<double> plainMs, reservedMs;
    for (int i = 0; i < runs; ++i) {
        plainMs.push_back(FirstLoad(many, false));
        reservedMs.push_back(FirstLoad(many, true));
    }
    std::printf("INFO loadgroups_100k_new_controls_ms %.2f\nINFO loadgroups_100k_new_controls_reserved_ms %.2f\n",
                Stopwatch::Median(plainMs), Stopwatch::Median(reservedMs));

    // The card list's share: entry 0's 100,000 rows handed over and laid out.
    std::vector<double> fillMs;
    for (int i = 0; i < runs; ++i) {
        const Stopwatch watch;
        m_groupView.LoadGroupMembers(0);
        fillMs.push_back(watch.Ms());
    }
    std::printf("INFO loadgroupmembers_100k_ms %.2f\n", Stopwatch::Median(fillMs));

    std::vector<double> manyMs, fewMs, parts[2][3];
    for (int i = 0; i < runs; ++i) {
        for (int list = 0; list < 2; ++list) {
            // The grouping is timed again here, spread over the whole run,
            // so a burst of load elsewhere does not decide its median.
            const Stopwatch load;
            m_groupView.LoadGroups(list == 0 ? &many : &few);
            if (list == 0)
                loadMs.push_back(load.Ms());
            Paint(); // the fill's own repaint, outside the timing
            double paint = 0, scroll = 0, tick = 0;
            const double ms = Interact(iterations, paint, scroll, tick) / iterations;
            (list == 0 ? manyMs : fewMs).push_back(ms);
            parts[list][0].push_back(paint / iterations);
            parts[list][1].push_back(scroll / iterations);
            parts[list][2].push_back(tick / iterations);
        }
    }
    const char* names[2] = {"100k", "10"};
    const char* partNames[3] = {"paint", "scroll", "tick"};
    for (int list = 0; list < 2; ++list)
        for (int part = 0; part < 3; ++part)
            std::printf("INFO resultview_%s_%s_ms %.3f\n", names[list], partNames[part],
                        Stopwatch::Median(parts[list][part]));
    for (int list = 0; list < 2; ++list) {
        std::printf("RUNS resultview_%s_ms", names[list]);
        for (double ms : list == 0 ? manyMs : fewMs)
            std::printf(" %.3f", ms);
        std::printf("\n");
    }
    std::printf("FIGURE resultview_100k_ms %.3f\nFIGURE resultview_10_ms %.3f\n", Stopwatch::Median(manyMs),
                Stopwatch::Median(fewMs));
    std::printf("RUNS loadgroups_100k_ms");
    for (double ms : loadMs)
        std::printf(" %.2f", ms);
    std::printf("\nFIGURE loadgroups_100k_ms %.2f\nINFO loadgroups_100k_first_ms %.2f\n", Stopwatch::Median(loadMs),
                firstLoad);
    return 0;
}

// What the program holds after a scan that found count records: the
// records, handed from the scan run to the frame, the section lists' and
// the cards' pointers, and one painted page.
int ViewBench::RunMemory(int count)
{
    PrintMemory("start");
    std::vector<JobResult> scanned = MakeRecords(count);
    std::vector<JobResult> frame = std::move(scanned);
    m_groupView.LoadGroups(&frame);
    Paint();
    PrintMemory("holding");

    // Where one record's bytes go: the record itself, the text its strings
    // keep on the heap (beyond what fits inside a string), and the views'
    // references to it.
    size_t text = 0, blocks = 0;
    for (const JobResult& r : frame)
        for (const std::string* s : {&r.sKeyPath, &r.sName, &r.sProblem, &r.sSection, &r.sValue})
            if (s->capacity() > std::string().capacity()) {
                text += s->capacity() + 1;
                ++blocks;
            }
    size_t views = m_resultView.m_records.capacity() * sizeof(ResultView::RecordRef);
    for (const GroupView::GroupRef& group : m_groupView.m_groups)
        views += group.vecMembers.capacity() * sizeof(JobResult*);
    const double n = static_cast<double>(frame.size());
    std::printf("INFO record_bytes %u\nINFO record_heap_text_bytes %.1f\nINFO record_heap_blocks %.2f\n"
                "INFO record_view_bytes %.1f\n",
                static_cast<unsigned>(sizeof(JobResult)), text / n, blocks / n, views / n);
    return 0;
}

} // namespace ovra
