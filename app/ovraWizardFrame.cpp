// The main window: its class, fixed size, the header band with the page
// title and the help area, the footer band behind the buttons, and the
// message loop. What the buttons do is in ovraWizardFrameFlow.cpp.
#include "app/ovraWizardFrame.h"

#include "platform/ovraInstance.h"
#include "app/ovraShell.h"
#include "platform/ovraCodePage.h"
#include "platform/ovraAssert.h"
#include "ui/ovraGdi.h"
#include "ui/ovraPalette.h"

#include <cstring>

namespace ovra {

WizardFrame* WizardFrame::m_Singleton = nullptr;
const RECT WizardFrame::kHelpArea = {618, 16, 678, 36}; // right and bottom edges excluded

namespace {

const char kClassName[] = "wizard_frame_class";
const char kWindowTitle[] = "Ovra Hivemend";
const int kProgramIcon = 107;
const int kFooterBitmap = 101;
const int kHeaderBitmap = 104;
const int kHandCursor = 109;
const int kFooterHeight = WizardFrame::kClientHeight - WizardFrame::kFooterTop;
const RECT kTitleBox = {30, 0, 630, 59};

bool InHelpArea(int x, int y)
{
    const POINT pt = {x, y};
    return PtInRect(&WizardFrame::kHelpArea, pt) != FALSE;
}

// Copies a bitmap resource onto the surface at (x, y).
void DrawBand(HDC surface, int id, int y, int height)
{
    MemoryDC source(surface);
    GdiBitmap band(LoadBitmapA(g_hInstance, MAKEINTRESOURCEA(id)));
    SelectGuard selected(source.Get(), band.Get());
    BitBlt(surface, 0, y, WizardFrame::kClientWidth, height, source.Get(), 0, 0, SRCCOPY);
}

} // namespace

WizardFrame::WizardFrame()
{
    OVRA_ASSERT(m_Singleton == 0, "ovraWizardFrame");
    m_hWndWizard = nullptr;
    m_hWndFocus = nullptr;
    m_bForwardingWheel = false;
    m_nBusy = 0;
    m_bRestoreWhole = true;
    m_Singleton = this;
}

WizardFrame::~WizardFrame()
{
    // After a normal exit the window is gone already and this simply fails.
    DestroyWindow(m_hWndWizard);
    OVRA_ASSERT(m_Singleton, "ovraWizardFrame");
    m_Singleton = nullptr;
}

void WizardFrame::Create()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &WizardFrame::WndProc;
    wc.hInstance = g_hInstance;
    wc.hIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(kProgramIcon));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);

    m_hWndWizard = CreateWindowExA(0, kClassName, kWindowTitle,
                                   WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                   CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, g_hInstance, this);
    OVRA_ASSERT(m_hWndWizard, "ovraWizardFrame");

    // Grow the window around a client area of exactly 690 x 496 whose
    // top-left corner stays where the window's corner was.
    const DWORD style = static_cast<DWORD>(GetWindowLongA(m_hWndWizard, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(m_hWndWizard, GWL_EXSTYLE));
    RECT rc;
    GetWindowRect(m_hWndWizard, &rc);
    rc.right = rc.left + kClientWidth;
    rc.bottom = rc.top + kClientHeight;
    AdjustWindowRectEx(&rc, style, FALSE, exStyle);
    SetWindowPos(m_hWndWizard, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);

    m_btnBack.Create(m_hWndWizard, 293, 459);
    m_btnNext.Create(m_hWndWizard, 413, 459);
    m_btnCancel.Create(m_hWndWizard, 571, 459);

    m_welcomePage.Create(m_hWndWizard);
    m_progressPage.Create(m_hWndWizard);
    m_resultPage.Create(m_hWndWizard);
    m_backupFilePage.Create(m_hWndWizard);
    ApplyLook();

    m_strBack = "< Back";
    m_strNext = "Next >";
    m_strCancel = "Cancel";
    m_strRepair = "Repair";

    // Focus marks follow the system's rule: hidden until the keyboard is
    // used, unless the user asked to see them always.
    BOOL alwaysShow = FALSE;
    SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &alwaysShow, 0);
    if (!alwaysShow)
        SendMessageA(m_hWndWizard, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

int WizardFrame::Run()
{
    ShowWelcomePage();
    ShowWindow(m_hWndWizard, SW_SHOW);
    FocusPage();
    MSG msg;
    int result;
    while ((result = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        if (OnKey(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return result;
}

LRESULT CALLBACK WizardFrame::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WizardFrame* frame = m_Singleton;
    if (!frame)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        frame->OnPaint(hwnd);
        return 0;
    case WM_SETCURSOR:
        frame->OnSetCursor();
        return 0;
    case WM_COMMAND:
        frame->OnCommand(LOWORD(wParam));
        return 0;
    case WM_LBUTTONDOWN:
        frame->OnLButtonDown(static_cast<unsigned int>(wParam), static_cast<short>(LOWORD(lParam)),
                             static_cast<short>(HIWORD(lParam)));
        return 1;
    case WM_ACTIVATE:
        // Leaving for another window (a message box, another program):
        // remember where the focus was, to give it back on return.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd, focus))
                frame->m_hWndFocus = focus;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_SETFOCUS:
        if (frame->m_hWndFocus && IsChild(hwnd, frame->m_hWndFocus) && IsWindowVisible(frame->m_hWndFocus) &&
            IsWindowEnabled(frame->m_hWndFocus))
            SetFocus(frame->m_hWndFocus);
        else
            frame->FocusPage();
        return 0;
    case WM_MOUSEWHEEL:
        frame->OnMouseWheel(wParam, lParam);
        return 0;
    case WM_SYSCOLORCHANGE:
        frame->OnSysColorChange();
        return 0;
    case WM_SETTINGCHANGE:
        if (frame->OnSettingChange(wParam, lParam))
            return 0;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

void WizardFrame::OnPaint(HWND hwnd)
{
    PaintDC paint(hwnd);
    MemoryDC surface(paint.Get(), kClientWidth, kClientHeight);

    if (Palette::Current().Drawn())
        DrawBands(surface.Get());
    else {
        DrawBand(surface.Get(), kHeaderBitmap, 0, kHeaderHeight);
        DrawBand(surface.Get(), kFooterBitmap, kFooterTop, kFooterHeight);
    }
    {
        SetBkMode(surface.Get(), TRANSPARENT);
        SetTextColor(surface.Get(), Palette::Current().Colour(Palette::kHeaderText));
        GdiFont font(CreatePointFont(surface.Get(), 18, FW_BOLD, "Garamond"));
        SelectGuard selected(surface.Get(), font.Get());
        RECT box = kTitleBox;
        DrawCodePageText(surface.Get(), m_strTitle.c_str(), -1, &box, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }

    BitBlt(paint.Get(), 0, 0, kClientWidth, kClientHeight, surface.Get(), 0, 0, SRCCOPY);
}

void WizardFrame::OnSetCursor()
{
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(m_hWndWizard, &pt);
    if (InHelpArea(pt.x, pt.y))
        SetCursor(LoadCursorA(g_hInstance, MAKEINTRESOURCEA(kHandCursor)));
    else
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void WizardFrame::OnLButtonDown(unsigned int, short x, short y)
{
    if (InHelpArea(x, y))
        OnHelpClick();
}

void WizardFrame::OnHelpClick()
{
    char path[2048];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        return; // no full path to put the help file beside
    char* slash = CodePage::LastBackslash(path);
    OVRA_ASSERT(slash, "ovraWizardFrame");
    const char kHelpFile[] = "\\help.html";
    if (static_cast<size_t>(slash - path) + sizeof(kHelpFile) > sizeof(path))
        return;
    std::memcpy(slash, kHelpFile, sizeof(kHelpFile));
    Shell::Execute(m_hWndWizard, "OPEN", path);
}

void WizardFrame::SetTitle(const char* title)
{
    m_strTitle = title;
    InvalidateRect(m_hWndWizard, nullptr, FALSE);
}

} // namespace ovra
