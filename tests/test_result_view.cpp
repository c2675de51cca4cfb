// The record cards in a real window: filling, the scroll bar, tick clicks
// and what is drawn, driven with the messages the mouse and scroll bar send.
#include "ui/ovraResultView.h"

#include "ovraTestCapture.h"
#include "ovraTestWindow.h"

#include <gtest/gtest.h>

#include <vector>

using ovra::JobResult;
using ovra::ResultView;
using ovratest::ClientPixels;

namespace {

const int kWidth = 426;   // the result page's width for the cards
const int kHeight = 396;  // and its height
const COLORREF kNavy = RGB(0, 0, 128);
const COLORREF kGrey = RGB(128, 128, 128);
const COLORREF kOutline = RGB(238, 238, 238);

class ResultViewTest : public testing::Test {
protected:
    // One shown host for the suite: hiding a top-level window costs Wine
    // seconds without a window manager.
    static void SetUpTestSuite()
    {
        host = new ovratest::CommandWindow;
        ShowWindow(host->Get(), SW_SHOWNOACTIVATE);
        ovratest::PumpPending();
    }
    static void TearDownTestSuite()
    {
        delete host;
        host = nullptr;
    }
    void SetUp() override { view.Create(host->Get(), 0, 0, kWidth, kHeight); }
    void TearDown() override { DestroyWindow(view.m_hWndView); }

    void Fill(size_t count)
    {
        JobResult record;
        record.sProblem = "Missing shared file";
        record.sSection = "Shared files";
        record.sValue = "C:\\gone\\lib.dll";
        record.bSelected = true;
        records.assign(count, record);
        Refill();
    }
    void Refill()
    {
        view.BeginAddRecords();
        for (JobResult& record : records)
            view.AddRecord(&record);
        view.EndAddRecords();
    }

    void Scroll(int code) { SendMessageA(view.m_hWndView, WM_VSCROLL, MAKEWPARAM(code, 0), 0); }
    void Click(int x, int y)
    {
        SendMessageA(view.m_hWndView, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(view.m_hWndView, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    SCROLLINFO Info() const
    {
        SCROLLINFO si = {};
        si.cbSize = sizeof(si);
        si.fMask = SIF_ALL;
        GetScrollInfo(view.m_hWndView, SB_VERT, &si);
        return si;
    }
    int ClientHeight() const
    {
        RECT rc;
        GetClientRect(view.m_hWndView, &rc);
        return rc.bottom;
    }
    std::vector<int> Ticked() const
    {
        std::vector<int> ticked;
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i].bSelected)
                ticked.push_back(static_cast<int>(i));
        return ticked;
    }

    // The records outlive the view, and the view its window.
    std::vector<JobResult> records;
    ResultView view;
    static ovratest::CommandWindow* host;
};

ovratest::CommandWindow* ResultViewTest::host = nullptr;

bool ArrowsDisabled(HWND hwnd)
{
    SCROLLBARINFO sbi = {};
    sbi.cbSize = sizeof(sbi);
    GetScrollBarInfo(hwnd, OBJID_VSCROLL, &sbi);
    return (sbi.rgstate[1] & STATE_SYSTEM_UNAVAILABLE) && (sbi.rgstate[5] & STATE_SYSTEM_UNAVAILABLE);
}

using ResultViewScrolling = ResultViewTest;

TEST_F(ResultViewScrolling, EmptyFillDisablesTheArrowsAndShowsOnlyTheBackground)
{
    Fill(100);
    Scroll(SB_PAGEDOWN);
    Fill(0);
    EXPECT_TRUE(ArrowsDisabled(view.m_hWndView));
    EXPECT_TRUE(IsWindowVisible(view.m_hWndView));
    EXPECT_EQ(view.m_nScrollPos, 0);
    EXPECT_EQ(view.m_nTotalHeight, 0);
    EXPECT_EQ(Info().nPos, 0) << "the previous fill's thumb position is dropped";

    ClientPixels shot(view.m_hWndView);
    EXPECT_TRUE(shot.All(RECT{0, 0, shot.Width(), shot.Height()}, GetSysColor(COLOR_WINDOW)));

    Fill(3); // 180 pixels, shorter than the client area
    EXPECT_TRUE(ArrowsDisabled(view.m_hWndView));
}

TEST_F(ResultViewScrolling, RowsExactlyFillingTheClientEnableTheBarWithRangeEqualToPage)
{
    MoveWindow(view.m_hWndView, 0, 0, kWidth, 360, TRUE);
    ASSERT_EQ(ClientHeight(), 360);
    Fill(6);
    const SCROLLINFO si = Info();
    EXPECT_FALSE(ArrowsDisabled(view.m_hWndView));
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, 360);
    EXPECT_EQ(si.nPage, 360u);
    EXPECT_EQ(si.nPos, 0);
}

TEST_F(ResultViewScrolling, LineAndPageStepsAreClampedAtBothEnds)
{
    Fill(100); // 6,000 pixels
    const int last = 6000 - ClientHeight() + 1; // the bar's range less its page
    struct Step {
        int code;
        int expected;
    } steps[] = {
        {SB_LINEUP, 0},        {SB_PAGEUP, 0},         {SB_LINEDOWN, 60},     {SB_PAGEDOWN, 360},
        {SB_LINEUP, 300},      {SB_PAGEUP, 0},         {SB_BOTTOM, last},     {SB_LINEDOWN, last},
        {SB_PAGEDOWN, last},   {SB_LINEUP, last - 60}, {SB_THUMBPOSITION, last - 60},
        {SB_ENDSCROLL, last - 60}, {SB_TOP, 0},
    };
    for (const Step& step : steps) {
        Scroll(step.code);
        EXPECT_EQ(view.m_nScrollPos, step.expected) << "code " << step.code;
        EXPECT_EQ(Info().nPos, step.expected) << "code " << step.code;
    }
}

TEST_F(ResultViewScrolling, WheelMovesACardPerNotchAddingUpPartsAndClampsAtBothEnds)
{
    Fill(100); // 6,000 pixels
    const int last = 6000 - ClientHeight() + 1;
    const int notch = WHEEL_DELTA, half = WHEEL_DELTA / 2;
    struct Turn {
        int delta; // positive: away from the user, up the list
        int expected;
    } turns[] = {
        {notch, 0},       {-notch, 60},    {-3 * notch, 240},
        {-half, 240},     {-half, 300},    // two half notches are one card
        {-half, 300},     {half, 300},     {half, 240}, // turning back drops the half notch
        {-200 * notch, last}, {-notch, last}, {notch, last - 60},
        {200 * notch, 0}, {notch, 0},
    };
    for (const Turn& turn : turns) {
        SendMessageA(view.m_hWndView, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(turn.delta))),
                     0);
        EXPECT_EQ(view.m_nScrollPos, turn.expected) << "delta " << turn.delta;
        EXPECT_EQ(Info().nPos, turn.expected) << "delta " << turn.delta;
    }
}

TEST_F(ResultViewScrolling, KeysMoveTheFocusCardAndKeepItInView)
{
    Fill(100);
    struct Press {
        WPARAM key;
        int row;
    } presses[] = {
        {VK_UP, 0}, {VK_DOWN, 1}, {VK_NEXT, 6}, {VK_NEXT, 11}, {VK_PRIOR, 6},
        {VK_END, 99}, {VK_DOWN, 99}, {VK_HOME, 0}, {VK_PRIOR, 0},
    };
    for (const Press& press : presses) {
        SendMessageA(view.m_hWndView, WM_KEYDOWN, press.key, 1);
        EXPECT_EQ(view.m_nFocusRow, press.row) << "key " << press.key;
        EXPECT_LE(view.m_nScrollPos, press.row * 60) << "key " << press.key;
        EXPECT_GE(view.m_nScrollPos + ClientHeight(), press.row * 60 + 60) << "key " << press.key;
    }
    SendMessageA(view.m_hWndView, WM_KEYDOWN, VK_DOWN, 1);
    SendMessageA(view.m_hWndView, WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_FALSE(records[1].bSelected);
    EXPECT_EQ(Ticked().size(), 99u);
}

TEST_F(ResultViewScrolling, RefillingAfterScrollingStartsAtTheTop)
{
    Fill(100);
    Scroll(SB_PAGEDOWN);
    Scroll(SB_PAGEDOWN);
    ASSERT_EQ(view.m_nScrollPos, 600);
    Fill(50);
    EXPECT_EQ(view.m_nScrollPos, 0);
    EXPECT_EQ(Info().nPos, 0);
    EXPECT_EQ(Info().nMax, 3000);
    EXPECT_EQ(view.m_records.size(), 50u);
    EXPECT_EQ(view.m_records[49].rcBounds.top, 49 * 60);
}

// Records the thumb positions the scroll bar puts into its messages while a
// real drag of the thumb runs its tracking loop.
std::vector<int> g_messagePositions;
WNDPROC g_viewProc = nullptr;

LRESULT CALLBACK WatchScroll(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_VSCROLL && LOWORD(wParam) == SB_THUMBTRACK)
        g_messagePositions.push_back(HIWORD(wParam));
    return CallWindowProcA(g_viewProc, hwnd, msg, wParam, lParam);
}

void SendMouse(DWORD flags, POINT at)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(at.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(at.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof(input));
}

TEST_F(ResultViewScrolling, DraggingTheThumbPast65535PixelsLandsWhereItWasDropped)
{
    Fill(100000); // 6,000,000 pixels
    g_messagePositions.clear();
    g_viewProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(view.m_hWndView, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchScroll)));

    SCROLLBARINFO bar = {};
    bar.cbSize = sizeof(bar);
    ASSERT_TRUE(GetScrollBarInfo(view.m_hWndView, OBJID_VSCROLL, &bar));
    // At position 0 the thumb sits right below the upper arrow.
    const int arrow = bar.xyThumbTop;
    const int thumb = bar.xyThumbBottom - bar.xyThumbTop;
    const int track = (bar.rcScrollBar.bottom - bar.rcScrollBar.top) - 2 * arrow - thumb;
    ASSERT_GT(track, 100);
    const int move = track / 2; // to the middle of the list
    const POINT from = {(bar.rcScrollBar.left + bar.rcScrollBar.right) / 2,
                        bar.rcScrollBar.top + (bar.xyThumbTop + bar.xyThumbBottom) / 2};
    const POINT to = {from.x, from.y + move};

    SetForegroundWindow(host->Get());
    SendMouse(0, from);
    SendMouse(MOUSEEVENTF_LEFTDOWN, from);
    SendMouse(0, POINT{to.x, from.y + move / 2});
    SendMouse(0, to);
    SendMouse(MOUSEEVENTF_LEFTUP, to);
    ASSERT_TRUE(ovratest::PumpUntil([&] { return !g_messagePositions.empty() && GetCapture() == nullptr; }, 20000));
    ovratest::PumpPending();
    SetWindowLongPtrA(view.m_hWndView, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_viewProc));

    const SCROLLINFO si = Info();
    const int range = si.nMax - static_cast<int>(si.nPage) + 1;
    const double perPixel = static_cast<double>(range) / track;
    const double expected = perPixel * move;
    EXPECT_NEAR(view.m_nScrollPos, expected, 2 * perPixel);
    EXPECT_GT(view.m_nScrollPos, 65535);
    EXPECT_EQ(si.nPos, view.m_nScrollPos);
    // The message itself could only carry the low 16 bits of that position.
    EXPECT_EQ(g_messagePositions.back(), view.m_nScrollPos & 0xFFFF);
}

using ResultViewClicks = ResultViewTest;

TEST_F(ResultViewClicks, OnlyTheTickBoxFlipsTheTick)
{
    Fill(3);
    const std::vector<int> all = {0, 1, 2};
    Click(12, 70); // row 1's box
    EXPECT_EQ(Ticked(), (std::vector<int>{0, 2}));
    Click(12, 70);
    EXPECT_EQ(Ticked(), all);

    // The box spans (9, 9) to (24, 24) of a row, edges included.
    Click(9, 9);
    Click(24, 24);
    EXPECT_EQ(Ticked(), all) << "two clicks inside the box of row 0 restore it";
    Click(9, 129);
    EXPECT_EQ(Ticked(), (std::vector<int>{0, 1}));
    Click(9, 129);

    const POINT misses[] = {
        {8, 10},   {25, 10},  {10, 8},   {10, 25},   // just outside the box
        {100, 15}, {60, 38},  {60, 52},  {300, 100}, // problem, section and value text
        {2, 30},   {12, 59},  {12, 181}, {12, 250},  // margins and below the last card
        {12, 390},
    };
    for (const POINT& p : misses) {
        Click(p.x, p.y);
        EXPECT_EQ(Ticked(), all) << "click at " << p.x << "," << p.y;
    }
}

TEST_F(ResultViewClicks, RowsBeyond32767PixelsAreHitExactly)
{
    Fill(1000); // 60,000 pixels
    Scroll(SB_BOTTOM);
    const int pos = view.m_nScrollPos;
    ASSERT_EQ(pos, 60000 - ClientHeight() + 1);
    for (int row : {995, 999, 994}) {
        const int y = row * 60 + 9 - pos;
        ASSERT_GE(y, 0);
        Click(10, y);
        ASSERT_EQ(records[row].bSelected, false) << "row " << row;
        for (int other : {row - 1, row + 1}) {
            if (other < 1000) {
                EXPECT_TRUE(records[other].bSelected) << "row " << other;
            }
        }
        Click(10, y);
    }
    EXPECT_EQ(Ticked().size(), 1000u);

    // Down a page at a time from the top: each page's first full row.
    Scroll(SB_TOP);
    for (int page = 0; page < 120; ++page)
        Scroll(SB_PAGEDOWN);
    ASSERT_EQ(view.m_nScrollPos, 36000); // 600 rows down, past 32,767
    Click(20, 20);
    EXPECT_FALSE(records[600].bSelected);
    EXPECT_EQ(Ticked().size(), 999u);
}

using ResultViewPainting = ResultViewTest;

TEST_F(ResultViewPainting, TickedAndUntickedBoxesDifferAndTheProblemIsNavy)
{
    Fill(2);
    records[1].bSelected = false;
    ClientPixels shot(view.m_hWndView);
    const RECT box0 = {9, 9, 25, 25};
    const RECT box1 = {9, 69, 25, 85};
    bool differ = false;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            differ = differ || shot.At(9 + x, 9 + y) != shot.At(9 + x, 69 + y);
    EXPECT_TRUE(differ) << "ticked and unticked boxes look the same";
    EXPECT_FALSE(shot.All(box0, RGB(255, 255, 255)));
    EXPECT_FALSE(shot.All(box1, RGB(255, 255, 255)));

    EXPECT_TRUE(shot.Contains(RECT{30, 9, shot.Width(), 30}, kNavy)) << "problem text";
    EXPECT_FALSE(shot.Contains(RECT{0, 30, shot.Width(), 60}, kNavy));
    EXPECT_TRUE(shot.Contains(RECT{9, 30, shot.Width(), 45}, kGrey)) << "section line";
    EXPECT_TRUE(shot.Contains(RECT{9, 45, shot.Width(), 59}, kGrey)) << "value line";
    EXPECT_FALSE(shot.Contains(RECT{0, 121, shot.Width(), shot.Height()}, kNavy)) << "nothing below the last card";

    // Unticking repaints the box as the unticked one.
    Click(12, 12);
    ClientPixels after(view.m_hWndView);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(after.At(9 + x, 9 + y), shot.At(9 + x, 69 + y));
}

TEST_F(ResultViewPainting, PartlyVisibleRowsAreDrawnAtBothEdgesOfAVeryLongList)
{
    // Rows are 60 pixels: the bottom of the list leaves row n - 7 cut at the
    // top, scrolling by whole rows leaves a cut row at the bottom.
    Fill(100000);
    Scroll(SB_BOTTOM);
    const int topOffset = view.m_nScrollPos % 60;
    ClientPixels bottom(view.m_hWndView);
    EXPECT_EQ(bottom.At(100, 58 - topOffset), kOutline) << "lower edge of the cut top card";
    EXPECT_TRUE(bottom.Contains(RECT{30, 0, bottom.Width(), 60 - topOffset}, kGrey));

    // The same rows of a short list look the same: large document
    // coordinates draw like small ones.
    std::vector<JobResult> few(records.begin(), records.begin() + 20);
    records.swap(few);
    Refill();
    Scroll(SB_BOTTOM);
    ASSERT_EQ(view.m_nScrollPos % 60, topOffset);
    EXPECT_TRUE(ClientPixels(view.m_hWndView) == bottom);
    records.swap(few);
    Refill();

    Scroll(SB_LINEDOWN);
    Scroll(SB_LINEDOWN);
    const int cut = 6 * 60; // 396 = six rows and 36 pixels
    ClientPixels top(view.m_hWndView);
    EXPECT_EQ(top.At(100, cut + 1), kOutline) << "upper edge of the cut bottom card";
    EXPECT_TRUE(top.Contains(RECT{30, cut + 9, top.Width(), cut + 30}, kNavy));
}

} // namespace
