// The section list's window: grouping the records by job, selection, and
// filling the result view. Painting lives in ovraGroupViewPaint.cpp.
#include "ui/ovraGroupView.h"

#include "app/ovraInstance.h"
#include "scan/ovraAssert.h"
#include "scan/ovraJobEnumerator.h"

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

GroupView::GroupView() : m_hWndView(nullptr), m_pResultView(nullptr), m_pResults(nullptr), m_nSelected(0)
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

void GroupView::LoadGroups(std::vector<JobResult>* results)
{
    const JobEnumerator* catalogue = JobEnumerator::mSingleton;
    OVRA_ASSERT(catalogue, "ovraGroupView");
    m_pResults = results;

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

    // Entry 0 holds every record once; the others their own job's. A job id
    // that names no catalogue job leaves the record out of both. Job 0 finds
    // nothing itself, but a backup may still carry its id: such a record is
    // listed once, under entry 0.
    for (JobResult& record : *results) {
        const int job = record.nJobId;
        if (job < 0 || job >= count)
            continue;
        m_groups[0].vecMembers.push_back(&record);
        ++m_groups[0].nRecords;
        if (job != 0) {
            m_groups[job].vecMembers.push_back(&record);
            ++m_groups[job].nRecords;
        }
    }

    m_nSelected = 0;
    LoadGroupMembers(0);
    InvalidateRect(m_hWndView, nullptr, FALSE); // counts and selection changed
}

void GroupView::LoadGroupMembers(int index)
{
    if (index < 0 || index >= static_cast<int>(m_groups.size()))
        return;
    m_pResultView->BeginAddRecords();
    for (JobResult* record : m_groups[index].vecMembers)
        m_pResultView->AddRecord(record);
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
    for (size_t i = 0; i < m_groups.size(); ++i) {
        const RECT& r = m_groups[i].rcBounds;
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            m_nSelected = static_cast<int>(i);
            LoadGroupMembers(m_nSelected);
            InvalidateRect(m_hWndView, nullptr, FALSE);
            return;
        }
    }
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
    if (!view || !view->m_hWndView || !view->OnMessage(msg, wParam, lParam))
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return 0;
}

} // namespace ovra
