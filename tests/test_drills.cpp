// Fault drills through the real wizard: scans cancelled at random moments
// through the real Cancel button, and restores from a backup damaged after it
// was chosen.
#include "ovraTestFrame.h"
#include "ovraTestRegistry.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace ovratest;
using ovra::WizardFrame;

namespace {

const char kKey[] = "Software\\OvraDrill";

// A quick job standing in for a check: a few short steps, each testing the
// cancel flag the way the real checks do inside their walks, and one record
// per named entry.
class DrillJob : public ovra::Job {
public:
    void OnRun(ovra::JobStatus& status, std::vector<ovra::JobResult>& results) override
    {
        for (int step = 0; step < steps; ++step) {
            if (status.bCancel)
                return;
            Sleep(1);
        }
        for (const ovra::JobResult& r : records) {
            results.push_back(r);
            results.back().nJobId = m_nId;
            ++status.nCount;
        }
    }
    int steps = 0;
    std::vector<ovra::JobResult> records;
};

std::string BackupFolder()
{
    char path[2048];
    ovra::BackupManager::GetBackupDirectory(path);
    return path;
}

ovra::JobResult Record(const char* name, int kind)
{
    ovra::JobResult r;
    r.hRoot = 0x80000001u;
    r.sKeyPath = kKey;
    r.sName = name;
    r.sProblem = "Value is invalid";
    r.sSection = kKey;
    r.sValue = name;
    r.nKind = kind;
    r.bSelected = true;
    return r;
}

class Drill : public testing::Test {
protected:
    void SetUp() override
    {
        remove_dir_tree(BackupFolder().c_str());
        for (int i = 1; i < 9; ++i) {
            auto* job = new DrillJob;
            job->m_strName = frame.m_jobEnumerator.m_jobs[i]->m_strName;
            job->m_nId = i;
            delete frame.m_jobEnumerator.m_jobs[i];
            frame.m_jobEnumerator.m_jobs[i] = job;
        }
        add_key(HKEY_CURRENT_USER, kKey);
    }
    void TearDown() override
    {
        delete_tree(HKEY_CURRENT_USER, kKey);
        remove_dir_tree(BackupFolder().c_str());
    }
    DrillJob* Job(int i) { return static_cast<DrillJob*>(frame.m_jobEnumerator.m_jobs[i]); }
    bool Shows(Driver& d, const char* title)
    {
        return d.ReadOnUi<bool>([&] { return frame.m_strTitle == title; });
    }

    WizardFrame frame;
};

// Waits until the user-interface thread has handled everything posted to it
// before this call (clicks are posted), also inside a modal message box.
class PostedFence {
public:
    explicit PostedFence(Driver& d) : m_driver(d)
    {
        m_hDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        d.OnUi([this] {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "ovra_drill_fence";
            RegisterClassA(&wc);
            m_hWnd = CreateWindowA("ovra_drill_fence", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                   nullptr);
        });
    }
    ~PostedFence()
    {
        m_driver.OnUi([this] { DestroyWindow(m_hWnd); });
        CloseHandle(m_hDone);
    }
    PostedFence(const PostedFence&) = delete;
    PostedFence& operator=(const PostedFence&) = delete;

    bool Pass()
    {
        PostMessageA(m_hWnd, WM_APP, 0, reinterpret_cast<LPARAM>(m_hDone));
        return WaitForSingleObject(m_hDone, 60000) == WAIT_OBJECT_0;
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_APP) {
            SetEvent(reinterpret_cast<HANDLE>(lParam));
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    Driver& m_driver;
    HANDLE m_hDone = nullptr;
    HWND m_hWnd = nullptr;
};

const FrameState kWelcomeState = Expect("Welcome to Ovra Hivemend", kWelcome, Disabled("< Back"),
                                        Enabled("Next >", 1001), Enabled("Cancel", 1200));

} // namespace

TEST_F(Drill, TwoHundredScansCancelledAtRandomMoments)
{
    // About as long as a scan lasts, so that the clicks fall before, during
    // and after its last job.
    for (int i = 1; i < 9; ++i) {
        Job(i)->steps = 6;
        Job(i)->records.push_back(Record(("value" + std::to_string(i)).c_str(), 0));
    }
    const unsigned seed = std::random_device{}();
    std::printf("seed %u\n", seed);
    std::mt19937 random(seed);
    int cancelled = 0, finishedFlagged = 0, finishedFirst = 0, absorbed = 0;
    const int rounds = 200;
    const int result = Play(frame, [&](Driver& d) {
        PostedFence fence(d);
        for (int round = 0; round < rounds; ++round) {
            d.Click(frame.m_btnNext.m_hWndButton);
            // The random moment counts from the progress page showing.
            ASSERT_TRUE(d.WaitUntil([&] {
                return frame.m_strTitle == "Working" || frame.m_strTitle == "Scan Results";
            })) << "round " << round;
            Sleep(random() % 60);
            d.Click(frame.m_btnCancel.m_hWndButton);
            // The scan ends on the welcome page (cancelled) or on the result
            // page: the cancel came after the last test of the flag, or the
            // click came after the scan and asks whether to quit.
            ASSERT_TRUE(d.WaitUntil([&] {
                return ReadFrame(frame) == kWelcomeState || frame.m_strTitle == "Scan Results";
            })) << "round " << round << ": hung";
            if (!Shows(d, "Scan Results")) {
                EXPECT_TRUE(d.NoMessageBox()) << "round " << round;
                ++cancelled;
                continue;
            }
            const bool flagged = d.ReadOnUi<bool>([&] { return frame.m_progressPage.m_status.bCancel.load(); });
            ASSERT_TRUE(fence.Pass()) << "round " << round;
            if (flagged) {
                EXPECT_TRUE(d.NoMessageBox()) << "round " << round;
                ++finishedFlagged;
            } else if (!d.NoMessageBox()) {
                MessageBoxSeen box;
                ASSERT_TRUE(d.WaitForMessageBox(box)) << "round " << round;
                EXPECT_EQ(box.caption, "QUESTION");
                EXPECT_EQ(box.text, "Do you want to quit?");
                d.Answer(box, "&No");
                ++finishedFirst;
            } else {
                // Pressed on the progress page, released on the result page:
                // the button forgot the press when the page changed under it.
                ++absorbed;
            }
            EXPECT_EQ(d.ReadOnUi<size_t>([&] { return frame.m_results.size(); }), 8u) << "round " << round;
            d.Click(frame.m_btnBack.m_hWndButton);
            ASSERT_TRUE(d.WaitUntil([&] { return ReadFrame(frame) == kWelcomeState; })) << "round " << round;
            EXPECT_TRUE(d.NoMessageBox()) << "round " << round;
        }
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(cancelled + finishedFlagged + finishedFirst + absorbed, rounds);
    std::printf("%d scans: %d cancelled, %d finished with the cancel already asked for, %d finished before the "
                "click, %d clicks taken by the page change\n",
                rounds, cancelled, finishedFlagged, finishedFirst, absorbed);
}
