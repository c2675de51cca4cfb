// The section list's window: grouping the records by job, selection, and
// filling the result view. Painting lives in ovraGroupViewPaint.cpp.
#include "ui/ovraGroupView.h"

#include "platform/ovraInstance.h"
#include "platform/ovraAssert.h"
#include "scan/ovraJobEnumerator.h"

#include <cstdio>

#include <utility>

namespace ovra {

namespace {
const char kClassName[] = "group_view_class";
}

GroupView::GroupRef::GroupRef(GroupRef&& other) noexcept
    : vecMembers(std::move(other.vecMembers)), strName(std::move(other.strName)), rcBounds(other.rcBounds),
      nRecords(other.nRecords), hIcon(other.hIcon)
{
    other.hIcon = nullptr;
}

GroupView::GroupRef& GroupView::GroupRef::operator=(GroupRef&& other) noexcept
{
    if (this != &other) {
        if (hIcon)
            DestroyIcon(hIcon);
        vecMembers = std::move(other.vecMembers);
        strName = std::move(other.strName);
        rcBounds = other.rcBounds;
        nRecords = other.nRecords;
        hIcon = other.hIcon;
        other.hIcon = nullptr;
    }
    return *this;
}

GroupView::GroupRef::~GroupRef()
{
    if (hIcon)
        DestroyIcon(hIcon);
}

GroupView::GroupView()
    : m_hWndView(nullptr), m_pResultView(nullptr), m_pResults(nullptr), m_pNotes(nullptr), m_nSelected(0)
{
}

void GroupView::Create(ResultView* view, HWND parent, int x, int y, int width, int height)
{
    m_pResultView = view;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = &GroupView::WindowProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = g_hInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc); // fails harmlessly once the class exists

    m_hWndView = CreateWindowExA(0, kClassName, nullptr, WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                                 nullptr, g_hInstance, this);
    OVRA_ASSERT(m_hWndView, "ovraGroupView");
}

void GroupView::LoadGroups(std::vector<JobResult>* results, const std::vector<std::string>* notes)
{
    const JobEnumerator* catalogue = JobEnumerator::mSingleton;
    OVRA_ASSERT(catalogue, "ovraGroupView");
    m_pResults = results;
    m_pNotes = notes && notes->size() == results->size() ? notes : nullptr;

    m_groups.clear();
    const int count = static_cast<int>(catalogue->m_jobs.size());
    m_groups.resize(static_cast<size_t>(count));

    RECT client;
    GetClientRect(m_hWndView, &client);
    for (int i = 0; i < count; ++i) {
        GroupRef& group = m_groups[i];
        group.rcBounds = RECT{kIndent, kEntryHeight * i, client.right, kEntryHeight * i + kEntryHeight};
        group.nRecords = 0;
        if (const Job* job = catalogue->Find(i)) {
            group.hIcon = static_cast<HICON>(
                LoadImageA(g_hInstance, MAKEINTRESOURCEA(job->m_nIconId), IMAGE_ICON, 16, 16, 0));
            group.strName = job->m_strName;
        }
    }
    if (count > 0)
        m_groups[0].rcBounds.left = 0;

    // Entry 0 holds every record once; the others their own job's. Job 0
    // finds nothing itself, but a backup may still carry its id; a backup
    // made by a later version may carry the id of a job this one lacks. Such
    // records are listed once, under entry 0, where they can be reviewed,
    // unticked and restored like any other.
    for (JobResult& record : *results) {
        if (count == 0)
            break;
        const int job = record.nJobId;
        m_groups[0].vecMembers.push_back(&record);
        ++m_groups[0].nRecords;
        if (job > 0 && job < count) {
            m_groups[job].vecMembers.push_back(&record);
            ++m_groups[job].nRecords;
        }
    }

    m_nSelected = 0;
    LoadGroupMembers(0);
    InvalidateRect(m_hWndView, nullptr, FALSE); // counts and selection changed
    Accessible::Notify(EVENT_OBJECT_REORDER, m_hWndView, CHILDID_SELF);
}

void GroupView::LoadGroupMembers(int index)
{
    if (index < 0 || index >= static_cast<int>(m_groups.size()))
        return;
    m_pResultView->BeginAddRecords();
    for (JobResult* record : m_groups[index].vecMembers) {
        const std::string* note =
            m_pNotes ? &(*m_pNotes)[static_cast<size_t>(record - m_pResults->data())] : nullptr;
        m_pResultView->AddRecord(record, note && !note->empty() ? note->c_str() : nullptr);
    }
    m_pResultView->EndAddRecords();
}

bool GroupView::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)),
                      static_cast<short>(HIWORD(lParam)));
        return true;
    case WM_KEYDOWN:
        return OnKeyDown(wParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        Accessible::FocusChanged(m_hWndView, msg, m_nSelected + 1);
        return false;
    case Accessible::kDoDefault:
        Select(static_cast<int>(wParam) - 1);
        return true;
    case WM_CREATE:
    case WM_DESTROY:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        return true;
    default:
        return false;
    }
}

void GroupView::OnLButtonDown(UINT, short x, short y)
{
    SetFocus(m_hWndView);
    Select(EntryAt(POINT{x, y}));
}

int GroupView::EntryAt(POINT client) const
{
    for (size_t i = 0; i < m_groups.size(); ++i)
        if (PtInRect(&m_groups[i].rcBounds, client))
            return static_cast<int>(i);
    return -1;
}

void GroupView::Select(int index)
{
    if (index < 0 || index >= static_cast<int>(m_groups.size()))
        return;
    m_nSelected = index;
    LoadGroupMembers(m_nSelected);
    InvalidateRect(m_hWndView, nullptr, FALSE);
    if (GetFocus() == m_hWndView)
        Accessible::Notify(EVENT_OBJECT_FOCUS, m_hWndView, index + 1);
    Accessible::Notify(EVENT_OBJECT_SELECTION, m_hWndView, index + 1);
}

bool GroupView::OnKeyDown(WPARAM key)
{
    const int count = static_cast<int>(m_groups.size());
    int index = m_nSelected;
    switch (key) {
    case VK_UP: index -= 1; break;
    case VK_DOWN: index += 1; break;
    case VK_PRIOR:
    case VK_HOME: index = 0; break;
    case VK_NEXT:
    case VK_END: index = count - 1; break;
    default: return false;
    }
    // Moving past either end stays where it is, without filling the cards again.
    if (index >= 0 && index < count && index != m_nSelected)
        Select(index);
    return true;
}

std::string GroupView::EntryText(int index) const
{
    // Job names are short catalogue texts; a longer one would only be cut.
    const GroupRef& group = m_groups[static_cast<size_t>(index)];
    char text[256];
    if (index == 0)
        std::snprintf(text, sizeof(text), "All sections (%d)", group.nRecords);
    else
        std::snprintf(text, sizeof(text), "%s (%d)", group.strName.c_str(), group.nRecords);
    return text;
}

bool GroupView::Describe(WPARAM child, Accessible::Item& item)
{
    if (child == CHILDID_SELF) {
        item.strName = "Sections";
        item.nRole = ROLE_SYSTEM_LIST;
        item.nState = STATE_SYSTEM_FOCUSABLE | (GetFocus() == m_hWndView ? STATE_SYSTEM_FOCUSED : 0);
        GetClientRect(m_hWndView, &item.rcBounds);
        item.nChildren = static_cast<LONG>(m_groups.size());
        item.nFocus = m_groups.empty() ? 0 : m_nSelected + 1;
        return true;
    }
    if (child > m_groups.size())
        return false;
    const int index = static_cast<int>(child) - 1;
    const GroupRef& group = m_groups[static_cast<size_t>(index)];
    item.strName = EntryText(index); // as drawn: the name and the count
    item.strAction = "Select";
    item.nRole = ROLE_SYSTEM_LISTITEM;
    item.nState = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (index == m_nSelected)
        item.nState |= STATE_SYSTEM_SELECTED | (GetFocus() == m_hWndView ? STATE_SYSTEM_FOCUSED : 0);
    item.rcBounds = group.rcBounds;
    return true;
}

LRESULT CALLBACK GroupView::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* view = static_cast<GroupView*>(cs->lpCreateParams);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(view));
        view->m_hWndView = hwnd;
        return 0;
    }
    auto* view = reinterpret_cast<GroupView*>(GetWindowLongPtrA(hwnd, 0));
    if (view && view->m_hWndView) {
        if (msg == WM_GETOBJECT)
            return Accessible::Answer(hwnd, wParam, lParam);
        if (msg == Accessible::kQueryItem)
            return view->Describe(wParam, *reinterpret_cast<Accessible::Item*>(lParam));
        if (msg == Accessible::kHitTest)
            return view->EntryAt(*reinterpret_cast<const POINT*>(lParam)) + 1;
    }
    if (!view || !view->m_hWndView || !view->OnMessage(msg, wParam, lParam))
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return 0;
}

} // namespace ovra
