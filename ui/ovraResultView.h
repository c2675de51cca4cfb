#pragma once

#include "records/ovraJobResult.h"
#include "ui/ovraAccessible.h"
#include "ui/ovraCardTip.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace ovra {

// The list of record cards: tick box, problem in bold, section and value in
// grey, each shortened with a mark when it does not fit; scrolls vertically
// (scroll bar, wheel); a click on a tick box flips the record's tick. With
// the focus, the arrow, page, Home and End keys move a focus mark from card
// to card and Space flips the marked card's tick. Resting the mouse on a
// card, or moving the focus to one, shows its texts whole in a tooltip; a
// right click, Shift+F10 or the menu key opens the card's menu
// (ovraResultViewMenu.cpp).
class ResultView {
public:
    struct RecordRef {
        JobResult* pRecord;
        RECT rcBounds;       // document coordinates, before scrolling
        const char* pszNote; // shown beside the problem (a restore's warning); null for none
    };

    static const int kRowHeight = 60;
    static const int kLineStep = 60;
    static const int kPageStep = 300;
    static const int kPageRows = kPageStep / kRowHeight;

    ResultView();
    ResultView(const ResultView&) = delete;
    ResultView& operator=(const ResultView&) = delete;

    void Create(HWND parent, int x, int y, int width, int height);
    void BeginAddRecords();
    void AddRecord(JobResult* record, const char* note = nullptr);
    void EndAddRecords();

    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnDestroy();
    void OnPaint();
    void OnVScroll(int code, short position);
    void OnLButtonDown(UINT flags, short x, short y);
    void OnLButtonUp();
    void OnMouseMove();
    void OnMouseWheel(short delta);
    bool OnKeyDown(WPARAM key);
    // The one way a tick changes, for the mouse, the keyboard and readers.
    void ToggleRow(int row);
    // Moves the focus mark; with scroll, brings that card wholly into view.
    void SetFocusRow(int row, bool scroll);
    void ScrollTo(int pos);
    bool Describe(WPARAM child, Accessible::Item& item);
    int RowAt(POINT client) const;

    // The card's tooltip and menu (ovraResultViewMenu.cpp).
    void OnContextMenu(short x, short y);
    void RunCommand(int command, int row);
    // Ticks or unticks every card the view shows: the chosen section's.
    void SetAllTicks(bool ticked);
    void OnMouseHover(short x, short y);
    void OnMouseLeave();
    // Shows row's texts whole at screen, or below the card when null.
    void ShowTip(int row, const POINT* screen);
    void HideTip();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hWndView;
    std::vector<RecordRef> m_records;
    int m_nScrollPos;
    int m_nTotalHeight;
    HIMAGELIST m_hImageList;
    int m_nFocusRow;  // the card with the focus mark; -1 with no cards
    int m_nWheelRest; // wheel movement short of a whole notch, kept for the next
    CardTip m_tip;
    int m_nTipRow;       // the card the tip shows; -1 for none
    bool m_bHoverArmed;  // the system tells when the mouse rests or leaves
    bool m_bMenuOpen;    // no tip while the card's menu is open

private:
    // Card layout shared by every row: the tick box (the only clickable
    // area) and the three text boxes.
    static RECT checkBounds;
    static RECT descBox;
    static RECT sectionBox;
    static RECT valueBox;
};

} // namespace ovra
