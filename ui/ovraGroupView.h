#pragma once

#include "records/ovraJobResult.h"
#include "ui/ovraAccessible.h"
#include "ui/ovraResultView.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ovra {

// The section list beside the cards: "All sections (n)" and one entry per
// catalogue job with its icon and count; a click, or with the focus the arrow,
// page, Home and End keys, selects an entry and fills the result view.
class GroupView {
public:
    struct GroupRef {
        GroupRef() = default;
        GroupRef(const GroupRef&) = delete;
        GroupRef& operator=(const GroupRef&) = delete;
        GroupRef(GroupRef&& other) noexcept;
        GroupRef& operator=(GroupRef&& other) noexcept;
        ~GroupRef();

        std::vector<JobResult*> vecMembers;
        std::string strName;
        RECT rcBounds = {0, 0, 0, 0};
        int nRecords = 0;
        HICON hIcon = nullptr; // owned
    };

    static const int kEntryHeight = 32;
    static const int kIndent = 20;

    GroupView();
    GroupView(const GroupView&) = delete;
    GroupView& operator=(const GroupView&) = delete;

    void Create(ResultView* view, HWND parent, int x, int y, int width, int height);
    // notes, when given, holds a note per record of results (empty for
    // none), shown on the record's card.
    void LoadGroups(std::vector<JobResult>* results, const std::vector<std::string>* notes = nullptr);
    void LoadGroupMembers(int index);

    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnLButtonDown(UINT flags, short x, short y);
    bool OnKeyDown(WPARAM key);
    // The one way an entry is chosen, for the mouse, the keyboard and readers.
    void Select(int index);
    bool Describe(WPARAM child, Accessible::Item& item);
    int EntryAt(POINT client) const;
    std::string EntryText(int index) const;
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hWndView;
    ResultView* m_pResultView;
    std::vector<JobResult>* m_pResults;
    const std::vector<std::string>* m_pNotes;
    std::vector<GroupRef> m_groups;
    int m_nSelected;
};

} // namespace ovra
