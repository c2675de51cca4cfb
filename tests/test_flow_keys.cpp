// The whole road through the real wizard with the keyboard only: scan,
// untick a card with Space, repair, restore, quit with Esc. Each key is
// posted to the window that has the focus, as the system queues a real key
// press, so it passes through the program's own message loop.
#include "ovraTestFrame.h"
#include "ovraTestRegistry.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ovratest;

namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kKept[] = "OvraKeysKept";
const char kKeptPath[] = "C:\\ovra_keys_gone\\kept.exe";
const char kRepaired[] = "OvraKeysRepaired";
const char kRepairedPath[] = "C:\\ovra_keys_gone\\repaired.exe";

class FlowKeys : public testing::Test {
protected:
    void SetUp() override
    {
        remove_dir_tree(BackupFolder().c_str());
        add_sz(HKEY_LOCAL_MACHINE, kRun, kKept, kKeptPath);
        add_sz(HKEY_LOCAL_MACHINE, kRun, kRepaired, kRepairedPath);
    }
    void TearDown() override
    {
        delete_value(HKEY_LOCAL_MACHINE, kRun, kKept);
        delete_value(HKEY_LOCAL_MACHINE, kRun, kRepaired);
        remove_dir_tree(BackupFolder().c_str());
    }

    void Key(Driver& d, WPARAM key) { d.Key(key, frame.m_hWndWizard); }
    // Only the seeds are this test's to repair and restore; the prefix's own
    // findings are unticked.
    void UntickForeign(Driver& d)
    {
        d.OnUi([&] {
            for (ovra::JobResult& r : frame.m_results)
                if (r.sName != kKept && r.sName != kRepaired)
                    r.bSelected = false;
        });
    }
    int Row(Driver& d, const char* name)
    {
        return d.ReadOnUi<int>([&] {
            const auto& rows = frame.m_resultPage.m_resultView.m_records;
            for (size_t i = 0; i < rows.size(); ++i)
                if (rows[i].pRecord->sName == name)
                    return static_cast<int>(i);
            return -1;
        });
    }
    bool TitleIs(Driver& d, const char* title)
    {
        return d.WaitUntil([&] { return frame.m_strTitle == title; });
    }
    void Confirm(Driver& d, const char* text, const char* button = "&Yes")
    {
        MessageBoxSeen box;
        ASSERT_TRUE(d.WaitForMessageBox(box)) << text;
        EXPECT_EQ(box.text, text);
        d.Answer(box, button);
    }
    ovra::WizardFrame frame;
};

} // namespace

TEST_F(FlowKeys, ScanUntickRepairRestoreAndQuitWithTheKeyboard)
{
    const char kSuccess[] = "All operations have been completed successfully.";
    bool quitAsked = false;
    const int result = Play(frame, [&](Driver& d) {
        HWND scan = frame.m_welcomePage.m_hWndScan;
        ASSERT_TRUE(d.WaitUntil([&] { return GetFocus() == scan; })) << "the chosen choice has the focus";
        // Focus marks show once the keyboard is used (unless always shown).
        HWND cards = frame.m_resultPage.m_resultView.m_hWndView;
        auto marksHidden = [&] {
            return d.ReadOnUi<bool>([&] { return (SendMessageA(cards, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0; });
        };
        BOOL alwaysShown = FALSE;
        SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &alwaysShown, 0);
        EXPECT_EQ(marksHidden(), !alwaysShown);
        Key(d, VK_RETURN);
        ASSERT_TRUE(TitleIs(d, "Scan Results"));
        EXPECT_FALSE(marksHidden());
        UntickForeign(d);

        // Tab goes round the page: cards, the footer buttons, sections.
        ASSERT_TRUE(d.WaitUntil([&] { return GetFocus() == cards; }));
        const HWND order[] = {frame.m_btnBack.m_hWndButton, frame.m_btnNext.m_hWndButton,
                              frame.m_btnCancel.m_hWndButton, frame.m_resultPage.m_groupView.m_hWndView, cards};
        for (HWND expected : order) {
            Key(d, VK_TAB);
            EXPECT_TRUE(d.WaitUntil([&] { return GetFocus() == expected; }));
        }

        // Down to the card to keep, Space unticks it; it is in view.
        const int row = Row(d, kKept);
        ASSERT_GE(row, 0);
        Key(d, VK_HOME);
        for (int i = 0; i < row; ++i)
            Key(d, VK_DOWN);
        auto& view = frame.m_resultPage.m_resultView;
        ASSERT_TRUE(d.WaitUntil([&] { return view.m_nFocusRow == row; }));
        Key(d, VK_SPACE);
        ASSERT_TRUE(d.WaitUntil([&] { return !view.m_records[static_cast<size_t>(row)].pRecord->bSelected; }));
        EXPECT_TRUE(d.ReadOnUi<bool>([&] {
            RECT client;
            GetClientRect(view.m_hWndView, &client);
            return row * 60 >= view.m_nScrollPos && row * 60 + 60 <= view.m_nScrollPos + client.bottom;
        }));

        // Enter is Repair.
        Key(d, VK_RETURN);
        Confirm(d, "Do you want to create a backup?");
        Confirm(d, kSuccess, "OK");
        ASSERT_TRUE(TitleIs(d, "Welcome to Ovra Hivemend"));
        verify_value(HKEY_LOCAL_MACHINE, kRun, kKept, REG_SZ, kKeptPath, sizeof(kKeptPath));
        verify_value_missing(HKEY_LOCAL_MACHINE, kRun, kRepaired);

        // Down chooses "Restore registry backup"; the backup list has the
        // focus on its page and Home selects the newest backup.
        ASSERT_TRUE(d.WaitUntil([&] { return GetFocus() == scan; }));
        Key(d, VK_DOWN);
        HWND restore = frame.m_welcomePage.m_hWndRestore;
        ASSERT_TRUE(d.WaitUntil([&] {
            return GetFocus() == restore && SendMessageA(restore, BM_GETCHECK, 0, 0) == BST_CHECKED;
        }));
        Key(d, VK_RETURN);
        ASSERT_TRUE(TitleIs(d, "Select backup file"));
        HWND list = frame.m_backupFilePage.m_hWndList;
        ASSERT_TRUE(d.WaitUntil([&] { return GetFocus() == list; }));
        Key(d, VK_HOME);
        ASSERT_TRUE(d.WaitUntil([&] { return SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 1; }));
        Key(d, VK_RETURN);
        ASSERT_TRUE(TitleIs(d, "Select records to restore"));
        UntickForeign(d);
        Key(d, VK_RETURN);
        Confirm(d, "Are you sure you want to restore?");
        Confirm(d, kSuccess, "OK");
        ASSERT_TRUE(TitleIs(d, "Welcome to Ovra Hivemend"));
        verify_value(HKEY_LOCAL_MACHINE, kRun, kRepaired, REG_SZ, kRepairedPath, sizeof(kRepairedPath));

        // Esc is Cancel, with its question.
        Key(d, VK_ESCAPE);
        Confirm(d, "Do you want to quit?");
        quitAsked = true;
        ASSERT_TRUE(d.WaitUntil([&] { return !IsWindow(frame.m_hWndWizard); }));
    });
    EXPECT_TRUE(quitAsked);
    EXPECT_EQ(result, 0);
}
