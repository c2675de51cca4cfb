// The progress page's window: the scan rows, one per section, all in view, with their images and
// counts, the column split, the progress bar and the status line, which
// changes only when the refresh timer ticks.
#include "ovraTestWindow.h"
#include "scan/ovraJobEnumerator.h"
#include "ui/ovraCommandIds.h"
#include "ui/ovraProgressPage.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

std::string Text(HWND hwnd)
{
    char text[512] = "";
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

std::string Cell(HWND list, int item, int column)
{
    char text[256] = "";
    LVITEMA lvi = {};
    lvi.iSubItem = column;
    lvi.pszText = text;
    lvi.cchTextMax = sizeof(text);
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvi));
    return text;
}

int Image(HWND list, int item)
{
    LVITEMA lvi = {};
    lvi.mask = LVIF_IMAGE;
    lvi.iItem = item;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lvi));
    return lvi.iImage;
}

// Lets the worker's synchronous notice through without dispatching anything
// posted, so no refresh tick can happen meanwhile.
bool WaitForNoticeWithoutTicks(const std::vector<unsigned>& commands)
{
    for (int i = 0; i < 3000 && commands.empty(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return !commands.empty();
}

class ProgressPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        page.Create(window.Get());
        ShowWindow(window.Get(), SW_SHOWNOACTIVATE);
        ShowWindow(page.m_hWndPage, SW_SHOW);
    }
    void TearDown() override { page.OnExit(); }
    void Tick() { SendMessageA(page.m_hWndPage, WM_TIMER, ovra::ProgressPage::IDT_SCAN_STATS, 0); }

    ovra::JobEnumerator catalogue;
    ovratest::CommandWindow window;
    ovra::ProgressPage page;
};

TEST_F(ProgressPageTest, ColumnsSplitTheListAtTheGoldenRatio)
{
    RECT rc;
    GetClientRect(page.m_hWndList, &rc);
    const int width = rc.right - rc.left;
    const int first = static_cast<int>(width * 0.618);
    EXPECT_EQ(SendMessageA(page.m_hWndList, LVM_GETCOLUMNWIDTH, 0, 0), first);
    EXPECT_EQ(SendMessageA(page.m_hWndList, LVM_GETCOLUMNWIDTH, 1, 0), width - first);
    if (width == 626) {
        EXPECT_EQ(first, 386);
        EXPECT_EQ(width - first, 240);
    }
    char heading[32] = "";
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = heading;
    column.cchTextMax = sizeof(heading);
    SendMessageA(page.m_hWndList, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(heading, "Scanning");
    SendMessageA(page.m_hWndList, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(heading, "Problems");
    EXPECT_EQ(Text(page.m_hWndHeading), "Ovra Hivemend is scanning your system. Please wait...");
}

TEST_F(ProgressPageTest, RowsBeforeTheFirstTickAndATickBeforeAnyJob)
{
    page.OnEnter();
    const int rows = static_cast<int>(catalogue.m_jobs.size());
    ASSERT_EQ(SendMessageA(page.m_hWndList, LVM_GETITEMCOUNT, 0, 0), rows);
    for (int i = 0; i < rows; ++i) {
        EXPECT_EQ(Cell(page.m_hWndList, i, 0), catalogue.m_jobs[i]->m_strName) << i;
        EXPECT_EQ(Cell(page.m_hWndList, i, 1), "0") << i;
        EXPECT_EQ(Image(page.m_hWndList, i), 0) << i;
    }
    EXPECT_EQ(Cell(page.m_hWndList, 0, 0), "My Computer");
    RECT last = {LVIR_BOUNDS, 0, 0, 0}, client;
    SendMessageA(page.m_hWndList, LVM_GETITEMRECT, static_cast<WPARAM>(rows - 1), reinterpret_cast<LPARAM>(&last));
    GetClientRect(page.m_hWndList, &client);
    EXPECT_LE(last.bottom, client.bottom) << "every row shows without scrolling";
    PBRANGE range = {};
    SendMessageA(page.m_hWndProgress, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, rows);
    EXPECT_EQ(SendMessageA(page.m_hWndProgress, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(Text(page.m_hWndStatus), "");

    Tick();
    EXPECT_EQ(Text(page.m_hWndStatus), "Scanning: ");

    // Entering again refills the same rows, not twice as many.
    page.OnEnter();
    EXPECT_EQ(SendMessageA(page.m_hWndList, LVM_GETITEMCOUNT, 0, 0), rows);
}

TEST_F(ProgressPageTest, StatusLineAndRowsChangeOnlyAtATick)
{
    page.OnEnter();
    page.OnRun();
    ASSERT_TRUE(WaitForNoticeWithoutTicks(window.commands));
    EXPECT_EQ(window.commands.front(), static_cast<unsigned>(ovra::IDC_SCAN_DONE));
    // The whole scan ran without a tick: the screen still shows the start.
    EXPECT_EQ(Text(page.m_hWndStatus), "");
    EXPECT_EQ(SendMessageA(page.m_hWndProgress, PBM_GETPOS, 0, 0), 0);
    const int rows = static_cast<int>(catalogue.m_jobs.size());
    for (int i = 0; i < rows; ++i)
        EXPECT_EQ(Image(page.m_hWndList, i), 0) << i;

    Tick();
    EXPECT_EQ(Text(page.m_hWndStatus), "Scanning: " + catalogue.m_jobs.back()->m_strName);
    EXPECT_EQ(SendMessageA(page.m_hWndProgress, PBM_GETPOS, 0, 0), rows);
    const ovra::ProgressPage::Snapshot done = page.TakeSnapshot();
    for (int i = 0; i < rows; ++i) {
        EXPECT_EQ(Image(page.m_hWndList, i), 2) << i;
        EXPECT_EQ(Cell(page.m_hWndList, i, 1), std::to_string(done.steps[i].nFound)) << i;
    }
}

} // namespace
