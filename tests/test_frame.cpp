// The main window as the user first sees it: its size, the header with the
// title and the help area, the footer, the buttons and the welcome page.
#include "platform/ovraInstance.h"
#include "app/ovraWizardFrame.h"
#include "ovraTestCapture.h"
#include "ovraTestWindow.h"
#include "ui/ovraGdi.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kPanel = RGB(237, 242, 252);

std::string Text(HWND hwnd)
{
    char text[256] = "";
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

RECT ChildRect(HWND child)
{
    RECT rc;
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

COLORREF BitmapPixel(int id, int x, int y)
{
    ovra::WindowDC screen(nullptr);
    ovra::MemoryDC memory(screen.Get());
    ovra::GdiBitmap bitmap(LoadBitmapA(g_hInstance, MAKEINTRESOURCEA(id)));
    ovra::SelectGuard selected(memory.Get(), bitmap.Get());
    return GetPixel(memory.Get(), x, y);
}

// A frame shown on its welcome page, as Run leaves it before its loop.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame.Create();
        frame.ShowWelcomePage();
        ShowWindow(frame.m_hWndWizard, SW_SHOW);
        ovratest::PumpPending();
    }

    // The cursor the frame chooses with the pointer at a client point.
    HCURSOR CursorAt(int x, int y)
    {
        POINT pt = {x, y};
        ClientToScreen(frame.m_hWndWizard, &pt);
        SetCursorPos(pt.x, pt.y);
        SetCursor(nullptr);
        SendMessageA(frame.m_hWndWizard, WM_SETCURSOR, reinterpret_cast<WPARAM>(frame.m_hWndWizard),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    }

    void Click(HWND control, int x, int y)
    {
        SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }

    ovra::WizardFrame frame;
};

TEST_F(FrameTest, WindowSizeButtonsAndPagesAtStart)
{
    char cls[64] = "";
    GetClassNameA(frame.m_hWndWizard, cls, sizeof(cls));
    EXPECT_STREQ(cls, "wizard_frame_class");
    EXPECT_EQ(Text(frame.m_hWndWizard), "Ovra Hivemend");
    RECT client;
    GetClientRect(frame.m_hWndWizard, &client);
    EXPECT_EQ(client.right, 690);
    EXPECT_EQ(client.bottom, 496);
    const LONG style = GetWindowLongA(frame.m_hWndWizard, GWL_STYLE);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);

    EXPECT_EQ(frame.m_strTitle, "Welcome to Ovra Hivemend");
    EXPECT_FALSE(IsWindowEnabled(frame.m_btnBack.m_hWndButton));
    EXPECT_EQ(Text(frame.m_btnBack.m_hWndButton), "< Back");
    EXPECT_TRUE(IsWindowEnabled(frame.m_btnNext.m_hWndButton));
    EXPECT_EQ(Text(frame.m_btnNext.m_hWndButton), "Next >");
    EXPECT_EQ(frame.m_btnNext.m_nCommand, 1001u);
    EXPECT_TRUE(IsWindowEnabled(frame.m_btnCancel.m_hWndButton));
    EXPECT_EQ(Text(frame.m_btnCancel.m_hWndButton), "Cancel");
    EXPECT_EQ(frame.m_btnCancel.m_nCommand, 1200u);
    const int lefts[] = {293, 413, 571};
    const ovra::Button* buttons[] = {&frame.m_btnBack, &frame.m_btnNext, &frame.m_btnCancel};
    for (int i = 0; i < 3; ++i) {
        const RECT rc = ChildRect(buttons[i]->m_hWndButton);
        EXPECT_EQ(rc.left, lefts[i]);
        EXPECT_EQ(rc.top, 459);
        EXPECT_EQ(rc.bottom, 496);
    }

    // Every page sits at (0, 59), 690 x 396; only the welcome page shows.
    HWND pages[] = {frame.m_welcomePage.m_hWndPage, frame.m_progressPage.m_hWndPage,
                    frame.m_resultPage.m_hWndPage, frame.m_backupFilePage.m_hWndPage};
    for (int i = 0; i < 4; ++i) {
        const RECT rc = ChildRect(pages[i]);
        EXPECT_EQ(rc.left, 0);
        EXPECT_EQ(rc.top, 59);
        EXPECT_EQ(rc.right - rc.left, 690);
        EXPECT_EQ(rc.bottom - rc.top, 396);
        EXPECT_EQ(IsWindowVisible(pages[i]) != FALSE, i == 0) << "page " << i;
    }
}

TEST_F(FrameTest, HeaderShowsTheTitleInWhiteAndTheBandsComeFromTheirBitmaps)
{
    const RECT title = {30, 0, 600, 59};
    frame.SetTitle("");
    const ovratest::ClientPixels blank(frame.m_hWndWizard);
    EXPECT_FALSE(blank.Contains(title, kWhite)) << "the header bitmap has no white where the title goes";
    EXPECT_EQ(blank.At(300, 30), BitmapPixel(104, 300, 30));

    frame.SetTitle("Welcome to Ovra Hivemend");
    const ovratest::ClientPixels shown(frame.m_hWndWizard);
    EXPECT_TRUE(shown.Contains(title, kWhite));
    EXPECT_FALSE(shown.Contains(RECT{0, 0, 30, 59}, kWhite)) << "the title starts at x = 30";
    EXPECT_EQ(shown.At(5, 5), BitmapPixel(104, 5, 5));
    EXPECT_EQ(shown.At(100, 470), BitmapPixel(101, 100, 15)) << "footer band from y = 455";
    EXPECT_EQ(shown.At(689, 495), BitmapPixel(101, 689, 40));

    // However long the title, it stops at x = 630 and leaves the help
    // affordance alone.
    frame.SetTitle(std::string(120, 'W').c_str());
    const ovratest::ClientPixels longTitle(frame.m_hWndWizard);
    EXPECT_TRUE(longTitle.Contains(RECT{600, 0, 630, 59}, kWhite));
    for (int y = 0; y < 59; y += 2)
        for (int x : {630, 640, 660, 689})
            EXPECT_EQ(longTitle.At(x, y), BitmapPixel(104, x, y)) << x << "," << y;
}

TEST_F(FrameTest, HandCursorOnlyOverTheHelpArea)
{
    const HCURSOR hand = LoadCursorA(g_hInstance, MAKEINTRESOURCEA(109));
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(hand, nullptr);
    for (POINT inside : {POINT{618, 16}, POINT{648, 26}, POINT{677, 35}})
        EXPECT_EQ(CursorAt(inside.x, inside.y), hand) << inside.x << "," << inside.y;
    for (POINT outside : {POINT{678, 36}, POINT{678, 20}, POINT{640, 36}, POINT{617, 20}, POINT{640, 15},
                          POINT{300, 30}, POINT{10, 480}})
        EXPECT_EQ(CursorAt(outside.x, outside.y), arrow) << outside.x << "," << outside.y;
}

TEST_F(FrameTest, WelcomeChoicesFormOneRadioGroup)
{
    const ovra::WelcomePage& page = frame.m_welcomePage;
    EXPECT_EQ(Text(page.m_hWndScan), "Scan the registry");
    EXPECT_EQ(Text(page.m_hWndRestore), "Restore registry backup");
    EXPECT_EQ(Text(page.m_hWndManage), "Manage registry backups");
    EXPECT_EQ(SendMessageA(page.m_hWndScan, BM_GETCHECK, 0, 0), BST_CHECKED);

    Click(page.m_hWndRestore, 10, 10);
    Click(page.m_hWndManage, 10, 10);
    EXPECT_EQ(SendMessageA(page.m_hWndScan, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(page.m_hWndRestore, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(page.m_hWndManage, BM_GETCHECK, 0, 0), BST_CHECKED);

    // The choice survives leaving the page and coming back.
    ShowWindow(page.m_hWndPage, SW_HIDE);
    frame.ShowWelcomePage();
    EXPECT_EQ(SendMessageA(page.m_hWndManage, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(FrameTest, WelcomeChildrenBlendIntoTheLightBluePanel)
{
    HWND page = frame.m_welcomePage.m_hWndPage;
    ovra::WindowDC dc(frame.m_welcomePage.m_hWndScan);
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                     reinterpret_cast<LPARAM>(frame.m_welcomePage.m_hWndScan)));
    LOGBRUSH lb = {};
    ASSERT_TRUE(GetObjectA(brush, sizeof(lb), &lb));
    EXPECT_EQ(lb.lbColor, kPanel);
    EXPECT_EQ(GetBkColor(dc.Get()), kPanel);
    EXPECT_EQ(GetTextColor(dc.Get()), RGB(0, 0, 0));

    // A page that keeps the base colours answers black on white.
    SendMessageA(frame.m_progressPage.m_hWndPage, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                 reinterpret_cast<LPARAM>(frame.m_progressPage.m_hWndStatus));
    EXPECT_EQ(GetBkColor(dc.Get()), kWhite);

    // On screen: the right panel and the free end of a radio button are light
    // blue, the left panel white.
    const ovratest::ClientPixels pixels(page);
    EXPECT_EQ(pixels.At(430, 200), kPanel);
    EXPECT_EQ(pixels.At(446 + 195, 60 + 10), kPanel);
    EXPECT_EQ(pixels.At(200, 330), kWhite);
}

} // namespace
