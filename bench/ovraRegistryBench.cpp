#include "bench/ovraRegistryBench.h"

#include "platform/ovraInstance.h"
#include "backup/ovraBackupManager.h"
#include "backup/ovraExecutor.h"
#include "bench/ovraFloor.h"
#include "bench/ovraStopwatch.h"
#include "checks/ovraRegWalk.h"
#include "platform/ovraExistenceCache.h"
#include "platform/ovraKeyCloser.h"
#include "platform/ovraWorkerPool.h"
#include "platform/ovraFileHandle.h"
#include "platform/ovraAssert.h"
#include "ui/ovraCommandIds.h"

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <utility>

namespace ovra {

namespace {

const char* RootName(uint32_t root)
{
    switch (root) {
    case 0x80000000u: return "HKEY_CLASSES_ROOT";
    case 0x80000001u: return "HKEY_CURRENT_USER";
    default: return "HKEY_LOCAL_MACHINE";
    }
}

std::string BackupPath()
{
    char path[2048];
    BackupManager::GetBackupDirectory(path);
    return std::string(path) + RegistryBench::kBackupName;
}

void PrintRuns(const char* name, const std::vector<double>& runs)
{
    std::printf("RUNS %s", name);
    for (double ms : runs)
        std::printf(" %.1f", ms);
    std::printf("\nFIGURE %s %.2f\n", name, Stopwatch::Median(runs));
}

} // namespace

const char RegistryBench::kBackupName[] = "OvraBench.backup2";
bool RegistryBench::s_bNotice = false;

RegistryBench::RegistryBench()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &RegistryBench::HostProc;
    wc.hInstance = g_hInstance;
    wc.lpszClassName = "ovra_bench_host";
    RegisterClassA(&wc);
    m_hWndHost = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500, nullptr, nullptr,
                                 g_hInstance, nullptr);
    OVRA_ASSERT(m_hWndHost, "ovraRegistryBench");
    m_page.Create(m_hWndHost);
}

RegistryBench::~RegistryBench()
{
    m_page.StopScan();
    DestroyWindow(m_hWndHost);
}

// Stands where the main window stands: takes the scan's end notice.
LRESULT CALLBACK RegistryBench::HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDC_SCAN_DONE || LOWORD(wParam) == IDC_SCAN_CANCELLED)) {
        s_bNotice = true;
        // A sent message is handled inside GetMessage, which returns only
        // for a posted one: post one, so the clock stops now.
        PostMessageA(hwnd, WM_NULL, 0, 0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

double RegistryBench::Scan()
{
    s_bNotice = false;
    m_page.OnEnter();
    const Stopwatch watch;
    m_page.OnRun();
    MSG msg;
    while (!s_bNotice && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    const double ms = watch.Ms();
    m_page.OnExit();
    return ms;
}

// The nine jobs as they were before the scan remembered anything or split a
// walk: one thread, every question to the file system.
double RegistryBench::JobsWithoutScope()
{
    const int slices = RegWalk::s_nSlices;
    RegWalk::s_nSlices = 1;
    JobStatus status;
    std::vector<JobResult> results;
    const Stopwatch watch;
    for (Job* job : m_catalogue.m_jobs)
        job->OnRun(status, results);
    const double ms = watch.Ms();
    RegWalk::s_nSlices = slices;
    return ms;
}

// Each job's time in a scan against the floor's time on the same places:
// rounds of one floor run and one scan run job by job (each scan with its
// own file answers, as a scan has), taking turns at going first, so that
// both sides of a job share the machine's load of their moment. Also how
// many questions the scan's jobs put to the file system, and how many they
// answered from what the scan had already asked.
void RegistryBench::ReportJobs(Floor& floor, int rounds)
{
    std::vector<std::vector<double>> jobMs(m_catalogue.m_jobs.size()), floorMs(Floor::kJobs);
    for (int round = 0; round < rounds; ++round) {
        if (round % 2)
            floor.Run();
        {
            // The scan's answers end with its round: the floor, which
            // remembers nothing, must not be given them.
            ExistenceCache::Scope scope;
            WorkerPool pool;
            JobStatus status;
            std::vector<JobResult> results;
            for (Job* job : m_catalogue.m_jobs) {
                // Keys are closed beside the job, as in a scan, and the job's
                // time ends when the last of them is closed. A scan makes
                // one closer for all its jobs: making it is not timed.
                std::unique_ptr<KeyCloser> closer(new KeyCloser);
                const Stopwatch watch;
                {
                    const KeyCloser::Share closing(closer.get());
                    job->OnRun(status, results);
                    closer.reset();
                }
                jobMs[static_cast<size_t>(job->m_nId)].push_back(watch.Ms());
            }
            if (round == 0)
                std::printf("INFO scan_file_questions %lu\nINFO scan_answers_reused %lu\n", scope.Get().Misses(),
                            scope.Get().Hits());
        }
        if (round % 2 == 0)
            floor.Run();
        for (int job = 0; job < Floor::kJobs; ++job)
            floorMs[static_cast<size_t>(job)].push_back(floor.JobMs(job));
    }
    for (size_t id = 0; id < jobMs.size(); ++id)
        std::printf("INFO job%u_ms %.1f\n", static_cast<unsigned>(id), Stopwatch::Median(jobMs[id]));
    for (int job = 1; job < Floor::kJobs; ++job)
        std::printf("INFO floor_job%d_ms %.1f\n", job, Stopwatch::Median(floorMs[static_cast<size_t>(job)]));
}

int RegistryBench::RunScan(int runs)
{
    Floor floor(true);
    const int floorMissing = floor.Run(); // warms the file and registry caches for everybody
    Scan();
    std::vector<double> floorMs, scanMs;
    for (int i = 0; i < runs; ++i) {
        // In pairs, taking turns at going first, so a change in the
        // machine's load falls on both alike.
        if (i % 2)
            scanMs.push_back(Scan());
        const Stopwatch watch;
        floor.Run();
        floorMs.push_back(watch.Ms());
        if (i % 2 == 0)
            scanMs.push_back(Scan());
    }
    PrintRuns("floor_ms", floorMs);
    PrintRuns("scan_ms", scanMs);
    std::printf("INFO records %u\nINFO floor_missing %d\nINFO floor_file_questions %ld\n",
                static_cast<unsigned>(m_page.m_run.m_results.size()), floorMissing, floor.Questions());
    ReportJobs(floor, 7);

    // The same scan with every key walked by one thread, as the floor walks.
    const int slices = RegWalk::s_nSlices;
    RegWalk::s_nSlices = 1;
    std::vector<double> oneThreadMs;
    for (int i = 0; i < 3; ++i)
        oneThreadMs.push_back(Scan());
    RegWalk::s_nSlices = slices;
    std::printf("INFO scan_one_thread_ms %.1f\n", Stopwatch::Median(oneThreadMs));

    // Single runs of the slow variants: the floor asking each path's drive
    // type, and the jobs with nothing remembered, as the checks were before.
    Floor perPath(false);
    Stopwatch watch;
    perPath.Run();
    std::printf("INFO floor_drive_per_path_ms %.1f\n", watch.Ms());
    std::printf("INFO jobs_nothing_remembered_ms %.1f\n", JobsWithoutScope());
    watch.Restart();
    for (int i = 0; i < 200; ++i)
        GetDriveTypeA("C:\\");
    std::printf("INFO drive_type_call_ms %.3f\n", watch.Ms() / 200);
    char file[MAX_PATH + 16];
    const UINT length = GetSystemDirectoryA(file, MAX_PATH);
    std::snprintf(file + length, 16, "\\kernel32.dll");
    watch.Restart();
    for (int i = 0; i < 200; ++i)
        GetFileAttributesA(file);
    std::printf("INFO attributes_call_ms %.3f\n", watch.Ms() / 200);
    return 0;
}

int RegistryBench::RunPairs(int runs)
{
    Floor floor(true);
    floor.Run();
    Scan();
    std::vector<double> ratios;
    for (int i = 0; i < runs; ++i) {
        double scanMs = 0;
        if (i % 2)
            scanMs = Scan();
        const Stopwatch watch;
        floor.Run();
        const double floorMs = watch.Ms();
        if (i % 2 == 0)
            scanMs = Scan();
        ratios.push_back(scanMs / floorMs);
        std::printf("PAIR %.1f %.1f %.3f\n", scanMs, floorMs, scanMs / floorMs);
    }
    std::printf("FIGURE paired_ratio %.3f\n", Stopwatch::Median(ratios));
    ReportJobs(floor, runs);
    return 0;
}

int RegistryBench::RunScanOnce()
{
    const double ms = Scan();
    std::printf("FIGURE scan_once_ms %.2f\nINFO records %u\n", ms, static_cast<unsigned>(m_page.m_run.m_results.size()));
    return 0;
}

int RegistryBench::RunBackup(int runs)
{
    Scan();
    std::vector<JobResult>& records = m_page.m_run.m_results;
    // The fewest keys that hold every record: one below another is in it
    // already, and the classes root is the machine's classes.
    std::set<std::pair<uint32_t, std::string>> keys;
    for (const JobResult& r : records) {
        const bool classes = r.hRoot == RegWalk::RootValue(HKEY_CLASSES_ROOT);
        keys.insert({classes ? RegWalk::RootValue(HKEY_LOCAL_MACHINE) : r.hRoot,
                     classes ? "SOFTWARE\\Classes\\" + r.sKeyPath : r.sKeyPath});
    }
    std::vector<std::pair<uint32_t, std::string>> holders;
    for (const auto& key : keys) {
        bool held = false;
        for (const auto& holder : holders)
            held = held || (holder.first == key.first && key.second.size() > holder.second.size() &&
                            key.second[holder.second.size()] == '\\' &&
                            lstrcmpiA(key.second.substr(0, holder.second.size()).c_str(), holder.second.c_str()) == 0);
        if (!held)
            holders.push_back(key);
    }
    for (const auto& key : holders)
        std::printf("KEY %s\\%s\n", RootName(key.first), key.second.c_str());

    BackupManager manager;
    const std::string path = BackupPath();
    std::vector<double> ms;
    bool ok = true;
    for (int i = 0; i < runs; ++i) {
        DeleteFileA(path.c_str());
        const Stopwatch watch;
        ok = manager.WriteBackup(kBackupName, records) && ok;
        ms.push_back(watch.Ms());
    }
    PrintRuns("backup_ms", ms);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    std::printf("INFO backup_records %u\nINFO backup_bytes %lu\nINFO backup_ok %d\n",
                static_cast<unsigned>(records.size()), data.nFileSizeLow, ok ? 1 : 0);
    return ok ? 0 : 1;
}

// Takes the backup's records out of the registry, as a repair does.
int RegistryBench::RunDelete()
{
    BackupManager manager;
    std::vector<JobResult> records;
    if (!manager.ReadBackup(kBackupName, records))
        return 1;
    Executor executor;
    const bool ok = executor.DeleteRecords(records);
    std::printf("INFO deleted %u ok %d\n", static_cast<unsigned>(records.size()), ok ? 1 : 0);
    return ok ? 0 : 1;
}

// Each run starts from a repaired registry (the records deleted, untimed)
// and puts every record back from the backup, opening the file included.
int RegistryBench::RunRestore(int runs)
{
    BackupManager manager;
    std::vector<JobResult> records;
    if (!manager.ReadBackup(kBackupName, records))
        return 1;
    Executor executor;
    const std::string path = BackupPath();
    std::vector<double> ms;
    bool ok = true;
    for (int i = 0; i < runs; ++i) {
        executor.DeleteRecords(records);
        const Stopwatch watch;
        FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        ok = executor.RestoreRecords(file.Get(), records, manager) && ok;
        file.Close();
        ms.push_back(watch.Ms());
    }
    PrintRuns("restore_ms", ms);
    std::printf("INFO restore_records %u\nINFO restore_ok %d\n", static_cast<unsigned>(records.size()), ok ? 1 : 0);
    return ok ? 0 : 1;
}

} // namespace ovra
