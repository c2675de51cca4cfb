// The record cards' window: binding, filling, scrolling and tick clicks.
// Painting lives in ovraResultViewPaint.cpp.
#include "ui/ovraResultView.h"

#include "platform/ovraInstance.h"
#include "platform/ovraAssert.h"
#include "ui/ovraCardMenu.h"
#include "ui/ovraCardText.h"
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

ResultView::ResultView()
    : m_hWndView(nullptr), m_nScrollPos(0), m_nTotalHeight(0), m_hImageList(nullptr), m_nFocusRow(-1),
      m_nWheelRest(0), m_nTipRow(-1), m_bHoverArmed(false), m_bMenuOpen(false)
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
    HideTip();
    m_records.clear();
}

void ResultView::AddRecord(JobResult* record, const char* note)
{
    m_records.push_back(RecordRef{record, RECT{0, 0, 0, 0}, note});
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
    m_nFocusRow = m_records.empty() ? -1 : 0;
    m_nWheelRest = 0;

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
    Accessible::Notify(EVENT_OBJECT_REORDER, m_hWndView, CHILDID_SELF);
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
    case WM_MOUSEHOVER:
        OnMouseHover(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return true;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return true;
    case WM_CONTEXTMENU:
        OnContextMenu(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return true;
    case WM_MEASUREITEM:
        return CardMenu::Measure(m_hWndView, *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    case WM_DRAWITEM:
        return CardMenu::Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_KEYUP:
        // The menu key opens the focused card's menu once it is released.
        if (wParam != VK_APPS)
            return false;
        OnContextMenu(-1, -1);
        return true;
    case WM_SYSKEYDOWN:
        if (wParam != VK_F10 || GetKeyState(VK_SHIFT) >= 0)
            return false;
        OnContextMenu(-1, -1);
        return true;
    case WM_LBUTTONUP:
        OnLButtonUp();
        return true;
    case WM_MOUSEWHEEL:
        OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return true;
    case WM_KEYDOWN:
        return OnKeyDown(wParam);
    case WM_KILLFOCUS:
        HideTip();
        Accessible::FocusChanged(m_hWndView, msg, m_nFocusRow + 1);
        return false;
    case WM_SETFOCUS:
    case WM_UPDATEUISTATE:
        Accessible::FocusChanged(m_hWndView, msg, m_nFocusRow + 1);
        return false;
    case Accessible::kDoDefault:
        if (wParam >= 1 && wParam <= m_records.size())
            ToggleRow(static_cast<int>(wParam) - 1);
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
    m_tip.Create(m_hWndView);
}

void ResultView::OnDestroy()
{
    m_tip.Destroy();
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

    ScrollTo(pos);
}

void ResultView::ScrollTo(int pos)
{
    HideTip();
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(m_hWndView, SB_VERT, &si, TRUE);
    GetScrollInfo(m_hWndView, SB_VERT, &si); // clamped into the range less the page
    m_nScrollPos = si.nPos;
    InvalidateRect(m_hWndView, nullptr, FALSE);
}

void ResultView::OnMouseWheel(short delta)
{
    // One card per notch. Fine-grained wheels send parts of a notch; they
    // add up to whole cards, and a turn the other way starts afresh.
    if ((delta > 0 && m_nWheelRest < 0) || (delta < 0 && m_nWheelRest > 0))
        m_nWheelRest = 0;
    m_nWheelRest += delta;
    const int notches = m_nWheelRest / WHEEL_DELTA;
    m_nWheelRest -= notches * WHEEL_DELTA;
    if (notches != 0)
        ScrollTo(m_nScrollPos - notches * kRowHeight);
}

bool ResultView::OnKeyDown(WPARAM key)
{
    const int count = static_cast<int>(m_records.size());
    int row = m_nFocusRow;
    switch (key) {
    case VK_UP: row -= 1; break;
    case VK_DOWN: row += 1; break;
    case VK_PRIOR: row -= kPageRows; break;
    case VK_NEXT: row += kPageRows; break;
    case VK_HOME: row = 0; break;
    case VK_END: row = count - 1; break;
    case VK_SPACE:
        if (m_nFocusRow >= 0)
            ToggleRow(m_nFocusRow);
        return true;
    default: return false;
    }
    if (count > 0) {
        SetFocusRow(row < 0 ? 0 : (row >= count ? count - 1 : row), true);
        ShowTip(m_nFocusRow, nullptr);
    }
    return true;
}

void ResultView::ToggleRow(int row)
{
    JobResult* record = m_records[static_cast<size_t>(row)].pRecord;
    record->bSelected = !record->bSelected;
    InvalidateRect(m_hWndView, nullptr, FALSE);
    Accessible::Notify(EVENT_OBJECT_STATECHANGE, m_hWndView, row + 1);
}

void ResultView::SetFocusRow(int row, bool scroll)
{
    m_nFocusRow = row;
    if (scroll) {
        RECT client;
        GetClientRect(m_hWndView, &client);
        const int top = row * kRowHeight;
        if (top < m_nScrollPos)
            ScrollTo(top);
        else if (top + kRowHeight > m_nScrollPos + client.bottom)
            ScrollTo(top + kRowHeight - client.bottom);
    }
    InvalidateRect(m_hWndView, nullptr, FALSE);
    if (GetFocus() == m_hWndView) {
        Accessible::Notify(EVENT_OBJECT_FOCUS, m_hWndView, row + 1);
        Accessible::Notify(EVENT_OBJECT_SELECTION, m_hWndView, row + 1);
    }
}

int ResultView::RowAt(POINT client) const
{
    const int docY = client.y + m_nScrollPos;
    if (docY < 0 || docY / kRowHeight >= static_cast<int>(m_records.size()))
        return -1;
    return docY / kRowHeight;
}

bool ResultView::Describe(WPARAM child, Accessible::Item& item)
{
    RECT client;
    GetClientRect(m_hWndView, &client);
    const bool focused = GetFocus() == m_hWndView;
    if (child == CHILDID_SELF) {
        item.strName = "Problems";
        item.nRole = ROLE_SYSTEM_LIST;
        item.nState = STATE_SYSTEM_FOCUSABLE | (focused ? STATE_SYSTEM_FOCUSED : 0);
        item.rcBounds = client;
        item.nChildren = static_cast<LONG>(m_records.size());
        item.nFocus = m_nFocusRow + 1;
        return true;
    }
    if (child > m_records.size())
        return false;
    const int row = static_cast<int>(child) - 1;
    const RecordRef& ref = m_records[static_cast<size_t>(row)];
    item.strName = ref.pRecord->sProblem;
    if (ref.pszNote)
        item.strName += std::string(" (") + ref.pszNote + ")";
    item.strDescription = "Section: " + ref.pRecord->sSection + "\nKey: " + CardText::Narrow(CardText::KeyName(*ref.pRecord));
    item.strValue = "Value: " + ref.pRecord->sValue;
    item.strAction = ref.pRecord->bSelected ? "Uncheck" : "Check";
    item.nRole = ROLE_SYSTEM_LISTITEM;
    item.nState = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (ref.pRecord->bSelected)
        item.nState |= STATE_SYSTEM_CHECKED;
    if (row == m_nFocusRow)
        item.nState |= STATE_SYSTEM_SELECTED | (focused ? STATE_SYSTEM_FOCUSED : 0);
    item.rcBounds = ref.rcBounds;
    OffsetRect(&item.rcBounds, 0, -m_nScrollPos);
    if (item.rcBounds.bottom <= 0 || item.rcBounds.top >= client.bottom)
        item.nState |= STATE_SYSTEM_OFFSCREEN;
    return true;
}

void ResultView::OnLButtonDown(UINT, short x, short y)
{
    HideTip();
    // A click anywhere gives the list the keyboard focus, and on a card it
    // moves the focus mark there, as in any list.
    SetFocus(m_hWndView);
    // Rows are stacked at a fixed height from the top, so the row under the
    // click is found by division, however long the list.
    const int docY = static_cast<int>(y) + m_nScrollPos;
    const int row = RowAt(POINT{x, y});
    if (row < 0)
        return;
    if (row != m_nFocusRow)
        SetFocusRow(row, false);
    const RECT& bounds = m_records[static_cast<size_t>(row)].rcBounds;
    const int left = bounds.left + checkBounds.left;
    const int right = bounds.left + checkBounds.right;
    const int top = bounds.top + checkBounds.top;
    const int bottom = bounds.top + checkBounds.bottom;
    if (x < left || x >= right || docY < top || docY >= bottom)
        return;
    ToggleRow(row);
}

void ResultView::OnLButtonUp()
{
}

// The system is asked to say when the mouse comes to rest, and when it
// leaves; moved to another card, the tip goes until it rests again.
void ResultView::OnMouseMove()
{
    POINT at;
    GetCursorPos(&at);
    ScreenToClient(m_hWndView, &at);
    if (m_nTipRow >= 0 && RowAt(at) != m_nTipRow) {
        HideTip();
        m_bHoverArmed = false;
    }
    if (m_bHoverArmed)
        return;
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = m_hWndView;
    track.dwHoverTime = HOVER_DEFAULT;
    m_bHoverArmed = TrackMouseEvent(&track) != 0;
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
    if (view && view->m_hWndView) {
        if (msg == WM_GETOBJECT)
            return Accessible::Answer(hwnd, wParam, lParam);
        if (msg == Accessible::kQueryItem)
            return view->Describe(wParam, *reinterpret_cast<Accessible::Item*>(lParam));
        if (msg == Accessible::kHitTest)
            return view->RowAt(*reinterpret_cast<const POINT*>(lParam)) + 1;
    }
    if (!view || !view->m_hWndView || !view->OnMessage(msg, wParam, lParam))
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return 0;
}

} // namespace ovra
