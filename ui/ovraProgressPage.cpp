// The progress page's window: heading, the list of scan rows with their
// state images, the status line and the progress bar, refreshed by a timer.
#include "ui/ovraProgressPage.h"

#include "platform/ovraInstance.h"
#include "scan/ovraJobEnumerator.h"
#include "ui/ovraCommandIds.h"
#include "ui/ovraControlLook.h"
#include "ui/ovraPalette.h"
#include "ui/ovraGdi.h"

#include <commctrl.h>

#include <cstdio>

namespace ovra {

namespace {

const char kHeading[] = "Ovra Hivemend is scanning your system. Please wait...";
const double kColumnSplit = 0.618;

void SetCellText(HWND list, int item, int column, const char* text)
{
    LVITEMA lvi = {};
    lvi.iSubItem = column;
    lvi.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvi));
}

void SetItemImage(HWND list, int item, int image)
{
    LVITEMA lvi = {};
    lvi.mask = LVIF_IMAGE;
    lvi.iItem = item;
    lvi.iImage = image;
    SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&lvi));
}

} // namespace

ProgressPage::ProgressPage()
    : m_hWndProgress(nullptr), m_hFont(nullptr), m_hWndHeading(nullptr), m_hWndStatus(nullptr), m_hWndList(nullptr)
{
}

void ProgressPage::OnEnter()
{
    m_run.Prepare(JobEnumerator::mSingleton->m_jobs);
    if (m_hWndPage)
        OnEnterList();
}

bool ProgressPage::OnRun()
{
    if (m_hWndPage)
        SetTimer(m_hWndPage, IDT_SCAN_STATS, kRefreshPeriod, nullptr);
    m_run.Start(m_hWndPage ? GetParent(m_hWndPage) : nullptr, IDC_SCAN_DONE, IDC_SCAN_CANCELLED);
    return true;
}

bool ProgressPage::OnMessage(UINT msg, WPARAM, LPARAM)
{
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        return true;
    case WM_DESTROY:
        OnDestroy();
        return true;
    case WM_TIMER:
        OnUpdateStats();
        return true;
    default:
        return false;
    }
}

void ProgressPage::OnPaint(HDC hdc)
{
    RECT rc;
    GetClientRect(m_hWndPage, &rc);
    FillRect(hdc, &rc, Palette::Current().Brush(Palette::kPageBack));
}

void ProgressPage::ApplyLook()
{
    ControlLook::Progress(m_hWndProgress);
    ControlLook::List(m_hWndList);
}

void ProgressPage::OnCreate()
{
    // The standard controls without a caption carry a window text all the
    // same: it is never drawn, but it is the name a screen reader gives them.
    m_hWndProgress = CreateWindowExA(0, PROGRESS_CLASSA, "Scan progress", WS_CHILD | WS_VISIBLE, 30, 320, 630, 27,
                                     m_hWndPage, nullptr, g_hInstance, nullptr);

    HDC hdc = GetDC(m_hWndPage);
    const int height = -MulDiv(8, GetDeviceCaps(hdc, LOGPIXELSY), 72);
    ReleaseDC(m_hWndPage, hdc);
    m_hFont = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, "Tahoma");

    m_hWndHeading = CreateWindowExA(0, "STATIC", kHeading, WS_CHILD | WS_VISIBLE, 30, 30, 630, 15, m_hWndPage,
                                    nullptr, g_hInstance, nullptr);
    SendMessageA(m_hWndHeading, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), FALSE);
    m_hWndStatus = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 30, 300, 660, 15, m_hWndPage, nullptr,
                                   g_hInstance, nullptr);
    SendMessageA(m_hWndStatus, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), FALSE);

    // Tall enough for every section's row below the header, with room to
    // spare, so that no row is cut off or needs scrolling.
    m_hWndList = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "Sections scanned",
                                 WS_CHILD | WS_VISIBLE | LVS_REPORT, 30, 60, 630, 220, m_hWndPage, nullptr, g_hInstance,
                                 nullptr);

    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 0);
    for (int id : {111, 113, 112}) // waiting, running, done: the rows' states
        AddSmallIcon(images, g_hInstance, id);
    SendMessageA(m_hWndList, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));

    RECT rc;
    GetClientRect(m_hWndList, &rc);
    const int width = rc.right - rc.left;
    const int first = static_cast<int>(width * kColumnSplit);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>("Scanning");
    column.cx = first;
    SendMessageA(m_hWndList, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    column.pszText = const_cast<char*>("Problems");
    column.cx = width - first;
    SendMessageA(m_hWndList, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
    ApplyLook();
}

void ProgressPage::OnDestroy()
{
    if (m_hFont) {
        DeleteObject(m_hFont);
        m_hFont = nullptr;
    }
}

void ProgressPage::OnEnterList()
{
    const std::vector<ScanRun::Step>& steps = m_run.m_steps;
    const int rows = static_cast<int>(steps.size());
    SendMessageA(m_hWndProgress, PBM_SETRANGE, 0, MAKELPARAM(0, rows));
    SendMessageA(m_hWndProgress, PBM_SETPOS, 0, 0);
    SendMessageA(m_hWndProgress, PBM_SETSTEP, 1, 0);

    SendMessageA(m_hWndList, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < rows; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = const_cast<char*>(steps[i].pJob->m_strName.c_str());
        item.iImage = steps[i].nState;
        SendMessageA(m_hWndList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        SetCellText(m_hWndList, i, 1, "0");
    }
}

void ProgressPage::OnExit()
{
    if (m_hWndPage)
        KillTimer(m_hWndPage, IDT_SCAN_STATS);
}

void ProgressPage::OnUpdateStats()
{
    const Snapshot snapshot = TakeSnapshot();
    SendMessageA(m_hWndProgress, PBM_SETPOS, static_cast<WPARAM>(snapshot.nJobsDone), 0);

    char text[512];
    std::snprintf(text, sizeof(text), "Scanning: %s", snapshot.strCurrentJob.c_str());
    SetWindowTextA(m_hWndStatus, text);

    for (size_t i = 0; i < snapshot.steps.size(); ++i) {
        const int item = static_cast<int>(i);
        SetItemImage(m_hWndList, item, snapshot.steps[i].nState);
        std::snprintf(text, sizeof(text), "%d", static_cast<int>(snapshot.steps[i].nFound));
        SetCellText(m_hWndList, item, 1, text);
    }
}

} // namespace ovra
