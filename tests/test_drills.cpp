// Fault drills through the real wizard: scans cancelled at random moments
// through the real Cancel button, and restores from a backup damaged after it
// was chosen.
#include "ovraTestFrame.h"
#include "ovraTestRegistry.h"

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
        began = GetTickCount();
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
        ended = GetTickCount();
    }
    int steps = 0;
    DWORD began = 0, ended = 0;
    std::vector<ovra::JobResult> records;
};

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
        ReplaceJobs<DrillJob>(frame);
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
        // One whole scan first: the clicks are spread over its length, so
        // that on any machine they fall during it and, with the time a click
        // takes to arrive, after its last job.
        d.Click(frame.m_btnNext.m_hWndButton);
        ASSERT_TRUE(d.WaitUntil([&] { return frame.m_strTitle == "Scan Results"; }));
        const DWORD spread = Job(8)->ended - Job(1)->began + 1;
        d.Click(frame.m_btnBack.m_hWndButton);
        ASSERT_TRUE(d.WaitUntil([&] { return ReadFrame(frame) == kWelcomeState; }));
        std::printf("a whole scan took %lu ms\n", static_cast<unsigned long>(spread - 1));
        for (int round = 0; round < rounds; ++round) {
            d.Click(frame.m_btnNext.m_hWndButton);
            // The random moment counts from the scan's start.
            ASSERT_TRUE(fence.Pass()) << "round " << round;
            Sleep(random() % spread);
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
            const bool flagged = d.ReadOnUi<bool>([&] { return frame.m_progressPage.m_run.m_status.bCancel.load(); });
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

namespace {

std::string Pattern(char first, size_t size)
{
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(first + (i * 7) % 23);
    return data;
}

// The registry data of a value under the drill's key (or below it), or
// "<missing>".
std::string Data(const char* key, const char* name)
{
    char data[8192];
    DWORD size = sizeof(data);
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, nullptr, data, &size) != ERROR_SUCCESS)
        return "<missing>";
    return std::string(data, size);
}

bool KeyExists(const char* key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

// Cuts the backup file in the middle of the saved data that starts with
// `data`'s first bytes.
bool TruncateInside(const std::string& file, const std::string& data)
{
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    std::string bytes(GetFileSize(h, nullptr), '\0');
    DWORD read = 0;
    bool done = ReadFile(h, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size();
    const size_t at = bytes.find(data.substr(0, 64));
    done = done && at != std::string::npos &&
           SetFilePointer(h, static_cast<LONG>(at + data.size() / 2), nullptr, FILE_BEGIN) !=
               INVALID_SET_FILE_POINTER &&
           SetEndOfFile(h);
    CloseHandle(h);
    return done;
}

const char kTree[] = "Software\\OvraDrill\\tree";
const char kLeaf[] = "Software\\OvraDrill\\tree\\leaf";

class DamagedRestore : public Drill {
protected:
    void SetUp() override
    {
        Drill::SetUp();
        for (int i = 0; i < 3; ++i) {
            big[i] = Pattern(static_cast<char>('A' + i * 8), 4000);
            add_value(HKEY_CURRENT_USER, kKey, Name(i), REG_BINARY, big[i].data(), static_cast<DWORD>(big[i].size()));
            Job(1)->records.push_back(Record(Name(i), 0));
        }
        blob = Pattern('a', 3000);
        add_sz(HKEY_CURRENT_USER, kTree, "text", "kept with the tree");
        add_value(HKEY_CURRENT_USER, kTree, "blob", REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
        add_sz(HKEY_CURRENT_USER, kLeaf, "deep", "leaf value");
        Job(2)->records.push_back(Record("tree", 1));
    }
    static const char* Name(int i)
    {
        static const char* const names[] = {"big0", "big1", "big2"};
        return names[i];
    }

    // Scan, repair with a backup, then restore every record from it; the file
    // is cut inside `damaged` either before it is chosen or while its records
    // are shown. Returns the message the restore ends with.
    MessageBoxSeen RepairThenRestore(const std::string& damaged, bool beforeChoosing, size_t& offered)
    {
        MessageBoxSeen end;
        warning = MessageBoxSeen();
        Play(frame, [&](Driver& d) {
            d.Click(frame.m_btnNext.m_hWndButton);
            ASSERT_TRUE(d.WaitUntil([&] { return frame.m_strTitle == "Scan Results"; }));
            d.Click(frame.m_btnNext.m_hWndButton); // Repair
            MessageBoxSeen box;
            ASSERT_TRUE(d.WaitForMessageBox(box));
            ASSERT_EQ(box.text, "Do you want to create a backup?");
            d.Answer(box, "&Yes");
            ASSERT_TRUE(d.WaitForMessageBox(box));
            ASSERT_EQ(box.caption, "SUCCESS");
            d.Answer(box, "OK");
            ASSERT_TRUE(d.WaitUntil([&] { return ReadFrame(frame) == kWelcomeState; }));
            for (int i = 0; i < 3; ++i)
                ASSERT_EQ(Data(kKey, Name(i)), "<missing>");
            ASSERT_FALSE(KeyExists(kTree));

            const std::string file = BackupFolder() + "AutomaticBackup001.backup2";
            if (beforeChoosing) {
                ASSERT_TRUE(TruncateInside(file, damaged));
            }
            ASSERT_TRUE(OpenNewestBackup(d, frame, beforeChoosing ? &warning : nullptr));
            offered = d.ReadOnUi<size_t>([&] { return frame.m_results.size(); });
            if (!beforeChoosing) {
                ASSERT_TRUE(TruncateInside(file, damaged));
            }
            d.Click(frame.m_btnNext.m_hWndButton);
            ASSERT_TRUE(d.WaitForMessageBox(box));
            ASSERT_EQ(box.text, "Are you sure you want to restore?");
            d.Answer(box, "&Yes");
            ASSERT_TRUE(d.WaitForMessageBox(end));
            d.Answer(end, "OK");
            ASSERT_TRUE(d.WaitUntil([&] { return ReadFrame(frame) == kWelcomeState; }));
        });
        return end;
    }

    std::string big[3];
    std::string blob;
    MessageBoxSeen warning; // shown on choosing a file already cut
};

} // namespace

TEST_F(DamagedRestore, ValueCutWhileItsRecordsAreShown)
{
    size_t offered = 0;
    const MessageBoxSeen end = RepairThenRestore(big[1], false, offered);
    EXPECT_EQ(offered, 4u);
    EXPECT_EQ(end.caption, "ERROR");
    EXPECT_EQ(end.text, "There were some problems while restoring backup file.");
    // What lies before the cut is back whole; the cut value and everything
    // after it stay absent, never a part of their data.
    EXPECT_EQ(Data(kKey, "big0"), big[0]);
    EXPECT_EQ(Data(kKey, "big1"), "<missing>");
    EXPECT_EQ(Data(kKey, "big2"), "<missing>");
    EXPECT_FALSE(KeyExists(kTree));
}

TEST_F(DamagedRestore, KeyTreeCutInsideAValueComesBackNotAtAll)
{
    size_t offered = 0;
    const MessageBoxSeen end = RepairThenRestore(blob, false, offered);
    EXPECT_EQ(offered, 4u);
    EXPECT_EQ(end.caption, "ERROR");
    EXPECT_EQ(end.text, "There were some problems while restoring backup file.");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Data(kKey, Name(i)), big[i]) << Name(i);
    // Not the key, not its first value, not its subkey.
    EXPECT_FALSE(KeyExists(kTree));
    EXPECT_FALSE(KeyExists(kLeaf));
}

TEST_F(DamagedRestore, FileCutBeforeItIsChosenOffersTheWholeRecordsOnly)
{
    size_t offered = 0;
    const MessageBoxSeen end = RepairThenRestore(big[2], true, offered);
    // The reader stops at the damage: the records before it are offered,
    // the file is called incomplete, and they come back; the cut one is not
    // offered and stays absent.
    EXPECT_EQ(offered, 2u);
    EXPECT_EQ(warning.caption, "WARNING");
    EXPECT_EQ(warning.text, "This backup file is incomplete. Records read from it: 2. Only these can be restored.");
    EXPECT_EQ(end.caption, "SUCCESS");
    EXPECT_EQ(end.text, "The records read from the incomplete backup file have been restored.");
    EXPECT_EQ(Data(kKey, "big0"), big[0]);
    EXPECT_EQ(Data(kKey, "big1"), big[1]);
    EXPECT_EQ(Data(kKey, "big2"), "<missing>");
    EXPECT_FALSE(KeyExists(kTree));
}
