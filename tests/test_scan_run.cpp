// The scan run: the plan, the counters, the worker thread, the cancel flag
// and the end notice, which arrives synchronously at a real window on this
// (the user-interface) thread while the worker waits inside its send.
#include "ovraTestWindow.h"
#include "scan/ovraJobEnumerator.h"
#include "ui/ovraCommandIds.h"
#include "ui/ovraProgressPage.h"

#include <gtest/gtest.h>

#include <random>

using ovra::JobEnumerator;
using ovra::ProgressPage;
using ovratest::CommandWindow;
using ovratest::PumpUntil;

namespace {

// Stands in a catalogue slot: appends a fixed number of records and can be
// held until the test lets it go, so the test can act "during" this job.
class GateJob : public ovra::Job {
public:
    explicit GateJob(int records) : m_records(records)
    {
        m_started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_release = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    }
    ~GateJob() override
    {
        CloseHandle(m_started);
        CloseHandle(m_release);
    }
    void Hold()
    {
        ResetEvent(m_started);
        ResetEvent(m_release);
    }
    void Release() { SetEvent(m_release); }
    bool WaitStarted() { return WaitForSingleObject(m_started, 10000) == WAIT_OBJECT_0; }

    void OnRun(ovra::JobStatus& status, std::vector<ovra::JobResult>& results) override
    {
        ++runs;
        SetEvent(m_started);
        WaitForSingleObject(m_release, INFINITE);
        if (delayMs)
            Sleep(delayMs);
        for (int i = 0; i < m_records; ++i) {
            ovra::JobResult r;
            r.nJobId = m_nId;
            r.bSelected = true;
            results.push_back(r);
            ++status.nCount;
        }
    }
    int runs = 0;
    DWORD delayMs = 0;

private:
    int m_records;
    HANDLE m_started;
    HANDLE m_release;
};

uintptr_t FreshHandleSlot()
{
    HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(probe);
    return reinterpret_cast<uintptr_t>(probe);
}

DWORD WINAPI ReleaseLater(void* job)
{
    Sleep(20);
    static_cast<GateJob*>(job)->Release();
    return 0;
}

class ScanRun : public testing::Test {
protected:
    void SetUp() override
    {
        // Give every slot but "My Computer" a job that finds a known number
        // of records, so the counts can be checked without seeding.
        for (int i = 1; i < Jobs(); ++i) {
            auto* job = new GateJob(i);
            job->m_strName = catalogue.m_jobs[i]->m_strName;
            job->m_nId = i;
            delete catalogue.m_jobs[i];
            catalogue.m_jobs[i] = job;
        }
        page.Create(window.Get());
    }
    GateJob* Gate(int i) { return static_cast<GateJob*>(catalogue.m_jobs[i]); }
    int Jobs() const { return static_cast<int>(catalogue.m_jobs.size()); }
    // Job i finds i records: the sum over every job but My Computer.
    size_t AllRecords() const { return static_cast<size_t>(Jobs() * (Jobs() - 1) / 2); }
    bool WaitForNotice() { return PumpUntil([&] { return !window.commands.empty(); }); }

    JobEnumerator catalogue;
    CommandWindow window;
    ProgressPage page;
};

} // namespace

TEST_F(ScanRun, FinishedScanCountsEveryRecord)
{
    page.OnEnter();
    ASSERT_EQ(page.m_run.m_steps.size(), catalogue.m_jobs.size());
    EXPECT_EQ(page.m_run.m_steps[0].pJob->m_strName, "My Computer");
    page.OnRun();
    ASSERT_TRUE(WaitForNotice());
    page.OnExit();

    ASSERT_EQ(window.commands, std::vector<unsigned int>{ovra::IDC_SCAN_DONE});
    EXPECT_EQ(page.m_run.m_nJobsDone, Jobs());
    int sum = 0;
    for (size_t i = 0; i < page.m_run.m_steps.size(); ++i) {
        EXPECT_EQ(page.m_run.m_steps[i].nState, 2);
        EXPECT_EQ(page.m_run.m_steps[i].nFound, static_cast<int>(i)); // My Computer finds 0
        sum += page.m_run.m_steps[i].nFound;
    }
    EXPECT_EQ(sum, static_cast<int>(page.m_run.m_results.size()));
    EXPECT_EQ(static_cast<size_t>(sum), AllRecords());
    // In catalogue order, job by job.
    EXPECT_EQ(page.m_run.m_results.front().nJobId, 1);
    EXPECT_EQ(page.m_run.m_results.back().nJobId, Jobs() - 1);
}

TEST_F(ScanRun, CancelBeforeTheFirstJobRunsNoJob)
{
    page.OnEnter();
    page.m_run.m_status.bCancel = true; // the user pressed Cancel before the worker began
    page.OnRun();
    ASSERT_TRUE(WaitForNotice());
    page.OnExit();
    EXPECT_EQ(window.commands, std::vector<unsigned int>{ovra::IDC_SCAN_CANCELLED});
    EXPECT_EQ(page.m_run.m_nJobsDone, 0);
    for (const auto& step : page.m_run.m_steps)
        EXPECT_EQ(step.nState, 0);
    for (int i = 1; i < Jobs(); ++i)
        EXPECT_EQ(Gate(i)->runs, 0);
    EXPECT_TRUE(page.m_run.m_results.empty());
}

TEST_F(ScanRun, CancelDuringTheLastJobStillEndsCancelled)
{
    const int last = Jobs() - 1;
    Gate(last)->Hold();
    page.OnEnter();
    page.OnRun();
    ASSERT_TRUE(Gate(last)->WaitStarted());
    page.m_run.m_status.bCancel = true;
    Gate(last)->Release();
    ASSERT_TRUE(WaitForNotice());
    page.OnExit();
    EXPECT_EQ(window.commands, std::vector<unsigned int>{ovra::IDC_SCAN_CANCELLED});
    EXPECT_EQ(page.m_run.m_nJobsDone, Jobs());
    EXPECT_EQ(page.m_run.m_steps[last].nState, 2);
    EXPECT_EQ(page.m_run.m_steps[8].nFound, 8); // the running job finishes with what it found
}

TEST_F(ScanRun, CancelMidwayLeavesLaterRowsWaiting)
{
    Gate(4)->Hold();
    page.OnEnter();
    page.OnRun();
    ASSERT_TRUE(Gate(4)->WaitStarted());
    const ProgressPage::Snapshot during = page.TakeSnapshot();
    EXPECT_EQ(during.strCurrentJob, "Windows Fonts");
    EXPECT_EQ(during.nJobsDone, 4);
    EXPECT_EQ(during.steps[4].nState, 1);
    EXPECT_EQ(during.steps[5].nState, 0);
    page.m_run.m_status.bCancel = true;
    Gate(4)->Release();
    ASSERT_TRUE(WaitForNotice());
    page.OnExit();
    EXPECT_EQ(window.commands, std::vector<unsigned int>{ovra::IDC_SCAN_CANCELLED});
    EXPECT_EQ(page.m_run.m_nJobsDone, 5);
    for (int i = 5; i < Jobs(); ++i) {
        EXPECT_EQ(page.m_run.m_steps[i].nState, 0) << i;
        EXPECT_EQ(Gate(i)->runs, 0) << i;
    }
}

TEST_F(ScanRun, SecondScanStartsFromNothing)
{
    page.OnEnter();
    page.OnRun();
    ASSERT_TRUE(WaitForNotice());
    page.OnExit();
    ASSERT_EQ(page.m_run.m_results.size(), AllRecords());

    page.m_run.m_status.nCount = 77;
    page.OnEnter();
    EXPECT_TRUE(page.m_run.m_results.empty());
    EXPECT_EQ(page.m_run.m_nJobsDone, 0);
    EXPECT_EQ(page.m_run.m_status.nCount, 0);
    EXPECT_FALSE(page.m_run.m_status.bCancel);
    EXPECT_EQ(page.TakeSnapshot().strCurrentJob, "");
    ASSERT_EQ(page.m_run.m_steps.size(), catalogue.m_jobs.size());
    for (const auto& step : page.m_run.m_steps) {
        EXPECT_EQ(step.nState, 0);
        EXPECT_EQ(step.nFound, 0);
    }
    window.commands.clear();
    page.OnRun();
    ASSERT_TRUE(WaitForNotice());
    page.OnExit();
    EXPECT_EQ(window.commands, std::vector<unsigned int>{ovra::IDC_SCAN_DONE});
    EXPECT_EQ(page.m_run.m_results.size(), AllRecords());
}

TEST_F(ScanRun, AWorkerThatCannotStartEndsTheScanAsCancelled)
{
    // More than the address space of either build can hold: a 32-bit process
    // has 2 GB in all, a 64-bit one far less than 2^62 bytes.
    ovra::ScanRun::s_nThreadStackReserve =
        sizeof(SIZE_T) == 8 ? static_cast<SIZE_T>(1) << (sizeof(SIZE_T) * 8 - 2) : 0x7FF00000;
    page.OnEnter();
    page.OnRun();
    ovra::ScanRun::s_nThreadStackReserve = 0;
    ASSERT_TRUE(WaitForNotice());
    page.OnExit();
    EXPECT_EQ(window.commands, std::vector<unsigned int>{ovra::IDC_SCAN_CANCELLED});
    EXPECT_EQ(page.m_run.m_nJobsDone, 0);
    EXPECT_FALSE(page.IsScanRunning());
}

TEST_F(ScanRun, CancelsAtRandomMomentsAlwaysEndCleanly)
{
    const unsigned seed = std::random_device{}();
    std::printf("seed %u\n", seed);
    std::mt19937 random(seed);
    for (int i = 1; i < Jobs(); ++i) {
        Gate(i)->Release();
        Gate(i)->delayMs = 2; // a scan of some 20 ms, cancelled anywhere in it
    }
    int cancelled = 0, finished = 0;
    // New handles take the lowest free slot of the handle table, so the value
    // a fresh handle gets shows whether scans left handles open behind them.
    // (Wine reports no process handle count.)
    const uintptr_t slotBefore = FreshHandleSlot();
    for (int round = 0; round < 200; ++round) {
        window.commands.clear();
        page.OnEnter();
        page.OnRun();
        const DWORD delay = random() % 26;
        if (delay)
            Sleep(delay - 1);
        page.m_run.m_status.bCancel = true;
        ASSERT_TRUE(WaitForNotice()) << "round " << round;
        page.OnExit();
        ASSERT_EQ(window.commands.size(), 1u);
        const ovra::ProgressPage::Snapshot s = page.TakeSnapshot();
        int sum = 0;
        for (const auto& step : s.steps)
            sum += step.nFound;
        ASSERT_EQ(sum, static_cast<int>(page.m_run.m_results.size())) << "round " << round;
        if (window.commands[0] == ovra::IDC_SCAN_DONE) {
            ++finished;
            ASSERT_EQ(s.nJobsDone, Jobs());
        } else {
            ASSERT_EQ(window.commands[0], static_cast<unsigned>(ovra::IDC_SCAN_CANCELLED));
            ++cancelled;
        }
    }
    page.StopScan();
    const uintptr_t slotAfter = FreshHandleSlot();
    std::printf("200 cancelled scans: %d ended cancelled, %d had already finished; free handle slot %#lx -> %#lx\n",
                cancelled, finished, static_cast<unsigned long>(slotBefore), static_cast<unsigned long>(slotAfter));
    EXPECT_EQ(cancelled + finished, 200);
    EXPECT_LE(slotAfter, slotBefore + 8 * sizeof(HANDLE)); // no thread handle left behind per scan
}

TEST_F(ScanRun, TeardownDuringAScanWaitsForTheWorker)
{
    // The page goes away while a job still runs, as when the main window is
    // closed mid-scan: the worker must be stopped before the page's members
    // are freed, and its end notice must not deadlock against the wait.
    for (int round = 0; round < 20; ++round) {
        CommandWindow parent;
        auto* doomed = new ProgressPage;
        doomed->Create(parent.Get());
        Gate(3)->Hold();
        doomed->OnEnter();
        doomed->OnRun();
        ASSERT_TRUE(Gate(3)->WaitStarted());
        // Release the job from another thread a little later, while the
        // destructor is already waiting.
        HANDLE releaser = CreateThread(nullptr, 0, &ReleaseLater, Gate(3), 0, nullptr);
        if (round % 2)
            DestroyWindow(parent.Get()); // the frame's window is gone first
        delete doomed;
        WaitForSingleObject(releaser, INFINITE);
        CloseHandle(releaser);
        EXPECT_EQ(Gate(4)->runs, 0) << "the worker went on after the cancel";
        EXPECT_FALSE(parent.commands.size() > 1);
        for (int i = 1; i < Jobs(); ++i)
            Gate(i)->runs = 0;
    }
}

TEST_F(ScanRun, ARunDestroyedMidScanJoinsItsWorker)
{
    // The run alone, without a page: its destructor stops the worker, which
    // must not go on to the next job, and no thread handle stays open.
    const uintptr_t slotBefore = FreshHandleSlot();
    for (int round = 0; round < 10; ++round) {
        auto* run = new ovra::ScanRun;
        Gate(2)->Hold();
        run->Prepare(catalogue.m_jobs);
        ASSERT_TRUE(run->Start(window.Get(), ovra::IDC_SCAN_DONE, ovra::IDC_SCAN_CANCELLED));
        ASSERT_TRUE(Gate(2)->WaitStarted());
        HANDLE releaser = CreateThread(nullptr, 0, &ReleaseLater, Gate(2), 0, nullptr);
        delete run;
        WaitForSingleObject(releaser, INFINITE);
        CloseHandle(releaser);
        EXPECT_EQ(Gate(3)->runs, 0) << "the worker went on after the run was gone";
    }
    EXPECT_EQ(window.commands, std::vector<unsigned int>(10, ovra::IDC_SCAN_CANCELLED));
    EXPECT_LE(FreshHandleSlot(), slotBefore + 8 * sizeof(HANDLE));
}
