// The wizard's page flow, row by row of its state table, played the way a
// user would: real button clicks, real message boxes read and answered.
#include "ovraTestFrame.h"
#include "ovraTestRegistry.h"
#include "ui/ovraCommandIds.h"

#include <gtest/gtest.h>

using namespace ovratest;
using ovra::WizardFrame;

namespace {

const char kKey[] = "Software\\OvraFlowTest";

// A job that hands out records naming keys of the test's own, and can be held
// so the test can look at the wizard while the scan runs.
class RecordJob : public ovra::Job {
public:
    RecordJob() { m_hRelease = CreateEventA(nullptr, TRUE, TRUE, nullptr); }
    ~RecordJob() override { CloseHandle(m_hRelease); }
    void OnRun(ovra::JobStatus& status, std::vector<ovra::JobResult>& results) override
    {
        WaitForSingleObject(m_hRelease, INFINITE);
        for (int i = 0; i < records; ++i) {
            ovra::JobResult r;
            r.hRoot = 0x80000001u;
            r.sKeyPath = kKey;
            r.sName = "value" + std::to_string(m_nId) + "_" + std::to_string(i);
            r.sProblem = "Value is invalid";
            r.sSection = kKey;
            r.sValue = r.sName;
            r.nJobId = m_nId;
            r.nKind = 0;
            r.bSelected = true;
            results.push_back(r);
            ++status.nCount;
        }
    }
    void Hold() { ResetEvent(m_hRelease); }
    void Release() { SetEvent(m_hRelease); }
    int records = 0;

private:
    HANDLE m_hRelease;
};

const ButtonState kBackOff = Disabled("< Back");
const FrameState kWelcomeState = Expect("Welcome to Ovra Hivemend", kWelcome, Disabled("< Back"),
                                        Enabled("Next >", 1001), Enabled("Cancel", 1200));

class FlowStates : public testing::Test {
protected:
    void SetUp() override
    {
        remove_dir_tree(BackupFolder().c_str());
        ReplaceJobs<RecordJob>(frame);
        add_key(HKEY_CURRENT_USER, kKey);
    }
    void TearDown() override
    {
        delete_tree(HKEY_CURRENT_USER, kKey);
        remove_dir_tree(BackupFolder().c_str());
    }
    RecordJob* Job(int i) { return static_cast<RecordJob*>(frame.m_jobEnumerator.m_jobs[i]); }
    FrameState State(Driver& d)
    {
        return d.ReadOnUi<FrameState>([&] { return ReadFrame(frame); });
    }
    // Clicks Next on the welcome page with one of its three choices.
    void Choose(Driver& d, HWND radio)
    {
        d.OnUi([&] { SendMessageA(radio, BM_CLICK, 0, 0); });
        d.Click(frame.m_btnNext.m_hWndButton);
    }
    bool WaitForTitle(Driver& d, const char* title)
    {
        return d.WaitUntil([&] { return frame.m_strTitle == title; });
    }
    void ScanToResults(Driver& d)
    {
        Choose(d, frame.m_welcomePage.m_hWndScan);
        ASSERT_TRUE(WaitForTitle(d, "Scan Results"));
    }

    WizardFrame frame;
};

} // namespace

TEST_F(FlowStates, StartsOnTheWelcomePage)
{
    Play(frame, [&](Driver& d) {
        EXPECT_EQ(State(d), kWelcomeState);
        EXPECT_TRUE(d.ReadOnUi<bool>(
            [&] { return SendMessageA(frame.m_welcomePage.m_hWndScan, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
    });
}

TEST_F(FlowStates, ManageOpensTheFolderAndChangesNothing)
{
    Play(frame, [&](Driver& d) {
        Choose(d, frame.m_welcomePage.m_hWndManage);
        // The folder is made first, so the shell has something to show.
        ASSERT_TRUE(d.WaitUntil([] {
            const DWORD a = GetFileAttributesA(BackupFolder().c_str());
            return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
        }));
        EXPECT_EQ(State(d), kWelcomeState);
        EXPECT_TRUE(d.NoMessageBox());
    });
}

TEST_F(FlowStates, DuringAScanOnlyCancelWorksAndAsksNothing)
{
    Job(5)->Hold();
    Play(frame, [&](Driver& d) {
        Choose(d, frame.m_welcomePage.m_hWndScan);
        ASSERT_TRUE(WaitForTitle(d, "Working"));
        EXPECT_EQ(State(d), Expect("Working", kProgress, kBackOff, Disabled("Next >"), Enabled("Cancel", 1004)));
        // Greyed buttons send nothing.
        d.Click(frame.m_btnBack.m_hWndButton);
        d.Click(frame.m_btnNext.m_hWndButton);
        d.Click(frame.m_btnCancel.m_hWndButton);
        ASSERT_TRUE(d.WaitUntil([&] { return frame.m_progressPage.m_run.m_status.bCancel.load(); }));
        EXPECT_TRUE(d.NoMessageBox());
        EXPECT_EQ(State(d).title, "Working");
        Job(5)->Release();
        ASSERT_TRUE(d.WaitUntil([&] { return ReadFrame(frame) == kWelcomeState; }));
        EXPECT_TRUE(d.NoMessageBox());
    });
}

TEST_F(FlowStates, EscDuringAScanCancelsItAsTheButtonDoes)
{
    Job(5)->Hold();
    Play(frame, [&](Driver& d) {
        Choose(d, frame.m_welcomePage.m_hWndScan);
        ASSERT_TRUE(WaitForTitle(d, "Working"));
        d.Key(VK_ESCAPE, frame.m_hWndWizard);
        ASSERT_TRUE(d.WaitUntil([&] { return frame.m_progressPage.m_run.m_status.bCancel.load(); }));
        EXPECT_TRUE(d.NoMessageBox());
        Job(5)->Release();
        ASSERT_TRUE(d.WaitUntil([&] { return ReadFrame(frame) == kWelcomeState; }));
        EXPECT_TRUE(d.NoMessageBox());
    });
}

TEST_F(FlowStates, FinishedScanShowsResultsAndBackReturns)
{
    Job(2)->records = 3;
    Job(6)->records = 2;
    Play(frame, [&](Driver& d) {
        ScanToResults(d);
        EXPECT_EQ(State(d), Expect("Scan Results", kResult, Enabled("< Back", 1005), Enabled("Repair", 1006),
                                   Enabled("Cancel", 1200)));
        EXPECT_EQ(d.ReadOnUi<size_t>([&] { return frame.m_results.size(); }), 5u);
        d.Click(frame.m_btnBack.m_hWndButton);
        ASSERT_TRUE(d.WaitUntil([&] { return ReadFrame(frame) == kWelcomeState; }));
        EXPECT_EQ(d.ReadOnUi<size_t>([&] { return frame.m_results.size(); }), 5u);
    });
}

TEST_F(FlowStates, RepairOfAnEmptyListOnlyInforms)
{
    Play(frame, [&](Driver& d) {
        ScanToResults(d);
        const FrameState before = State(d);
        d.Click(frame.m_btnNext.m_hWndButton);
        MessageBoxSeen box;
        ASSERT_TRUE(d.WaitForMessageBox(box));
        EXPECT_EQ(box.caption, "INFORMATION");
        EXPECT_EQ(box.text, "There is nothing to repair. Your system will not be modified.");
        EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
        d.Answer(box, "OK");
        EXPECT_TRUE(d.NoMessageBox()); // no backup question follows
        EXPECT_EQ(State(d), before);
    });
}

TEST_F(FlowStates, RepairWithoutABackupDeletesAndReports)
{
    Job(3)->records = 2;
    add_sz(HKEY_CURRENT_USER, kKey, "value3_0", "a");
    add_sz(HKEY_CURRENT_USER, kKey, "value3_1", "b");
    add_sz(HKEY_CURRENT_USER, kKey, "healthy", "c");
    Play(frame, [&](Driver& d) {
        ScanToResults(d);
        d.Click(frame.m_btnNext.m_hWndButton);
        MessageBoxSeen box;
        ASSERT_TRUE(d.WaitForMessageBox(box));
        EXPECT_EQ(box.caption, "QUESTION");
        EXPECT_EQ(box.text, "Do you want to create a backup?");
        EXPECT_EQ(box.buttons, (std::vector<std::string>{"&Yes", "&No"}));
        d.Answer(box, "&No");
        ASSERT_TRUE(d.WaitForMessageBox(box));
        EXPECT_EQ(box.caption, "SUCCESS");
        EXPECT_EQ(box.text, "All operations have been completed successfully.");
        d.Answer(box, "OK");
        ASSERT_TRUE(d.WaitUntil([&] { return ReadFrame(frame) == kWelcomeState; }));
    });
    verify_value_missing(HKEY_CURRENT_USER, kKey, "value3_0");
    verify_value_missing(HKEY_CURRENT_USER, kKey, "value3_1");
    verify_value(HKEY_CURRENT_USER, kKey, "healthy", REG_SZ, "c", 2);
    std::vector<std::string> backups;
    ovra::BackupManager().GetBackupList(backups);
    EXPECT_TRUE(backups.empty()) << "No was answered: no backup may be written";
}

TEST_F(FlowStates, RepairThatPartlyFailsWarns)
{
    Job(3)->records = 2; // value3_1 does not exist
    add_sz(HKEY_CURRENT_USER, kKey, "value3_0", "a");
    Play(frame, [&](Driver& d) {
        ScanToResults(d);
        d.Click(frame.m_btnNext.m_hWndButton);
        MessageBoxSeen box;
        ASSERT_TRUE(d.WaitForMessageBox(box));
        d.Answer(box, "&No");
        ASSERT_TRUE(d.WaitForMessageBox(box));
        EXPECT_EQ(box.caption, "WARNING");
        EXPECT_EQ(box.text, "There were some problems while removing unneeded records. You might want to restore "
                            "a backup file, if you have created one.");
        d.Answer(box, "OK");
        ASSERT_TRUE(d.WaitUntil([&] { return ReadFrame(frame) == kWelcomeState; }));
    });
    verify_value_missing(HKEY_CURRENT_USER, kKey, "value3_0");
}

TEST_F(FlowStates, RepairStopsWhenTheBackupCannotBeWritten)
{
    Job(3)->records = 2;
    add_sz(HKEY_CURRENT_USER, kKey, "value3_0", "a");
    add_sz(HKEY_CURRENT_USER, kKey, "value3_1", "b");
    // A file where the backup folder should be: no backup can be written.
    const std::string folder = BackupFolder();
    create_file(folder.substr(0, folder.size() - 1).c_str(), "in the way");
    Play(frame, [&](Driver& d) {
        ScanToResults(d);
        const FrameState before = State(d);
        d.Click(frame.m_btnNext.m_hWndButton);
        MessageBoxSeen box;
        ASSERT_TRUE(d.WaitForMessageBox(box));
        d.Answer(box, "&Yes");
        ASSERT_TRUE(d.WaitForMessageBox(box));
        EXPECT_EQ(box.caption, "FAILURE");
        EXPECT_EQ(box.text, "Failed to create a backup file. Your system will not be modified.");
        d.Answer(box, "OK");
        EXPECT_EQ(State(d), before);
    });
    delete_file(folder.substr(0, folder.size() - 1).c_str());
    verify_value(HKEY_CURRENT_USER, kKey, "value3_0", REG_SZ, "a", 2);
    verify_value(HKEY_CURRENT_USER, kKey, "value3_1", REG_SZ, "b", 2);
}

TEST_F(FlowStates, BackupFilePageNeedsASelection)
{
    Play(frame, [&](Driver& d) {
        Choose(d, frame.m_welcomePage.m_hWndRestore);
        ASSERT_TRUE(WaitForTitle(d, "Select backup file"));
        const FrameState listing = Expect("Select backup file", kBackupFile, Enabled("< Back", 1007),
                                          Enabled("Next >", 1008), Enabled("Cancel", 1200));
        EXPECT_EQ(State(d), listing);
        d.Click(frame.m_btnNext.m_hWndButton);
        d.OnUi([] {}); // let the click be handled
        Sleep(200);
        EXPECT_EQ(State(d), listing);
        EXPECT_TRUE(d.NoMessageBox());
        d.Click(frame.m_btnBack.m_hWndButton);
        ASSERT_TRUE(d.WaitUntil([&] {
            FrameState s = ReadFrame(frame);
            return s.pages == kWelcome && s.title == "Welcome to Ovra Hivemend";
        }));
        // The radio choice survives the round trip.
        EXPECT_TRUE(d.ReadOnUi<bool>(
            [&] { return SendMessageA(frame.m_welcomePage.m_hWndRestore, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
    });
}

TEST_F(FlowStates, CancelAnsweredNoChangesNothingOnEveryPage)
{
    Job(4)->records = 1;
    Play(frame, [&](Driver& d) {
        auto askAndDecline = [&] {
            const FrameState before = State(d);
            d.Click(frame.m_btnCancel.m_hWndButton);
            MessageBoxSeen box;
            ASSERT_TRUE(d.WaitForMessageBox(box));
            EXPECT_EQ(box.caption, "QUESTION");
            EXPECT_EQ(box.text, "Do you want to quit?");
            EXPECT_EQ(box.buttons, (std::vector<std::string>{"&Yes", "&No"}));
            d.Answer(box, "&No");
            EXPECT_EQ(State(d), before);
        };
        askAndDecline(); // welcome
        ScanToResults(d);
        askAndDecline(); // results
        d.Click(frame.m_btnBack.m_hWndButton);
        ASSERT_TRUE(WaitForTitle(d, "Welcome to Ovra Hivemend"));
        Choose(d, frame.m_welcomePage.m_hWndRestore);
        ASSERT_TRUE(WaitForTitle(d, "Select backup file"));
        askAndDecline(); // backup file page
    });
}

TEST_F(FlowStates, CancelAnsweredYesEndsTheProgram)
{
    int result = -1;
    bool windowGone = false;
    HWND main = nullptr;
    result = Play(frame, [&](Driver& d) {
        main = frame.m_hWndWizard;
        d.Click(frame.m_btnCancel.m_hWndButton);
        MessageBoxSeen box;
        ASSERT_TRUE(d.WaitForMessageBox(box));
        d.Answer(box, "&Yes");
        windowGone = d.WaitUntil([&] { return !IsWindow(main); });
    });
    EXPECT_TRUE(windowGone);
    EXPECT_EQ(result, 0);
}
