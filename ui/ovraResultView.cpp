// The record cards' window: binding, filling, scrolling and tick clicks.
// Painting lives in ovraResultViewPaint.cpp.
#include "ui/ovraResultView.h"

#include "app/ovraInstance.h"
#include "scan/ovraAssert.h"
#include "ui/ovraGdi.h"

namespace ovra {

namespace {
const char kClassName[] = "result_view_class";
const int kTickIcons[] = {114, 115}; // image 0 unticked, image 1 ticked
} // namespace

// Card layout relative to a row's top-left corner; Create sets the right
// edges of the three text boxes from the control's width.
RECT ResultView::checkBounds = {9, 9, 25, 25};
RECT ResultView::descBox = {30, 9, 0, 30};
RECT ResultView::sectionBox = {9, 30, 0, 45};
RECT ResultView::valueBox = {9, 45, 0, 60};

ResultView::ResultView() : m_hWndView(nullptr), m_nScrollPos(0), m_nTotalHeight(0), m_hImageList(nullptr)
{
}

void ResultView::Create(HWND parent, int x, int y, int width, int height)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &ResultView::WindowProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = g_hInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc); // fails harmlessly once the class exists

    // The text boxes end 9 pixels short of the outer width, scroll bar included.
    descBox.right = width - 9;
    sectionBox.right = width - 9;
    valueBox.right = width - 9;

    m_hWndView = CreateWindowExA(0, kClassName, nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL, x, y, width, height,
                                 parent, nullptr, g_hInstance, this);
    OVRA_ASSERT(m_hWndView, "ovraResultView");
}

void ResultView::BeginAddRecords()
{
    m_records.clear();
}

void ResultView::AddRecord(JobResult* record)
{
    m_records.push_back(RecordRef{record, RECT{0, 0, 0, 0}});
}

void ResultView::EndAddRecords()
{
    RECT client;
    GetClientRect(m_hWndView, &client);
    for (size_t i = 0; i < m_records.size(); ++i) {
        const int top = static_cast<int>(i) * kRowHeight;
        m_records[i].rcBounds = RECT{0, top, client.right, top + kRowHeight};
    }
    m_nScrollPos = 0;
    m_nTotalHeight = static_cast<int>(m_records.size()) * kRowHeight;

    const int clientHeight = client.bottom - client.top;
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    if (m_nTotalHeight < clientHeight) {
        // Nothing to scroll: an empty range also drops the previous fill's
        // thumb position, and the bar stays visible but greyed.
        si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
        SetScrollInfo(m_hWndView, SB_VERT, &si, TRUE);
        EnableScrollBar(m_hWndView, SB_VERT, ESB_DISABLE_BOTH);
    } else {
        EnableScrollBar(m_hWndView, SB_VERT, ESB_ENABLE_BOTH);
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = 0;
        si.nMax = m_nTotalHeight;
        si.nPage = static_cast<UINT>(clientHeight);
        si.nPos = 0;
        SetScrollInfo(m_hWndView, SB_VERT, &si, TRUE);
    }
    InvalidateRect(m_hWndView, nullptr, FALSE);
}

bool ResultView::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        return true;
    case WM_DESTROY:
        OnDestroy();
        return true;
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
        return true;
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)),
                      static_cast<short>(HIWORD(lParam)));
        return true;
    case WM_MOUSEMOVE:
        OnMouseMove();
        return true;
    case WM_LBUTTONUP:
        OnLButtonUp();
        return true;
    default:
        return false;
    }
}

void ResultView::OnCreate()
{
    m_hImageList = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0);
    for (int id : kTickIcons)
        AddSmallIcon(m_hImageList, g_hInstance, id);
}

void ResultView::OnDestroy()
{
    if (m_hImageList) {
        ImageList_Destroy(m_hImageList);
        m_hImageList = nullptr;
    }
}

void ResultView::OnVScroll(int code, short)
{
    // The position carried in the message is only 16 bits wide; the scroll
    // bar itself keeps the full 32-bit range, so every position is read from
    // it, the track position included.
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_POS | SIF_TRACKPOS;
    GetScrollInfo(m_hWndView, SB_VERT, &si);

    int pos = si.nPos;
    switch (code) {
    case SB_LINEUP: pos -= kLineStep; break;
    case SB_LINEDOWN: pos += kLineStep; break;
    case SB_PAGEUP: pos -= kPageStep; break;
    case SB_PAGEDOWN: pos += kPageStep; break;
    case SB_THUMBTRACK: pos = si.nTrackPos; break;
    case SB_TOP: pos = si.nMin; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: break;
    }

    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(m_hWndView, SB_VERT, &si, TRUE);
    GetScrollInfo(m_hWndView, SB_VERT, &si); // clamped into the range less the page
    m_nScrollPos = si.nPos;
    InvalidateRect(m_hWndView, nullptr, FALSE);
}

void ResultView::OnLButtonDown(UINT, short x, short y)
{
    // Rows are stacked at a fixed height from the top, so the row under the
    // click is found by division, however long the list.
    const int docY = static_cast<int>(y) + m_nScrollPos;
    if (docY < 0)
        return;
    const size_t row = static_cast<size_t>(docY / kRowHeight);
    if (row >= m_records.size())
        return;
    const RECT& bounds = m_records[row].rcBounds;
    const int left = bounds.left + checkBounds.left;
    const int right = bounds.left + checkBounds.right;
    const int top = bounds.top + checkBounds.top;
    const int bottom = bounds.top + checkBounds.bottom;
    if (x < left || x >= right || docY < top || docY >= bottom)
        return;
    JobResult* record = m_records[row].pRecord;
    record->bSelected = !record->bSelected;
    InvalidateRect(m_hWndView, nullptr, FALSE);
}

void ResultView::OnLButtonUp()
{
}

void ResultView::OnMouseMove()
{
}

LRESULT CALLBACK ResultView::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* view = static_cast<ResultView*>(cs->lpCreateParams);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(view));
        view->m_hWndView = hwnd;
        view->OnMessage(WM_CREATE, wParam, lParam);
        return 0;
    }
    auto* view = reinterpret_cast<ResultView*>(GetWindowLongPtrA(hwnd, 0));
    if (!view || !view->m_hWndView || !view->OnMessage(msg, wParam, lParam))
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return 0;
}

} // namespace ovra
