// A record card's tooltip and menu: the whole texts one gesture away, and
// acting on the card (or its section) before anything is deleted.
#include "ui/ovraResultView.h"

#include "ui/ovraCardMenu.h"
#include "ui/ovraCardText.h"
#include "ui/ovraClipboard.h"
#include "ui/ovraRegistryEditor.h"

namespace ovra {

namespace {
// How far below the mouse's point the tip goes, at the card's left edge.
const int kTipBelow = 20;
} // namespace

// From the mouse (x, y on the screen) or the keyboard (x and y -1): the card
// under the mouse takes the focus first; the keyboard's menu opens at the
// focused card.
void ResultView::OnContextMenu(short x, short y)
{
    HideTip();
    POINT at = {x, y};
    int row = m_nFocusRow;
    if (x == -1 && y == -1) {
        if (row < 0)
            return;
        SetFocusRow(row, true);
        const RECT& bounds = m_records[static_cast<size_t>(row)].rcBounds;
        at = POINT{bounds.left + descBox.left, bounds.top + sectionBox.top - m_nScrollPos};
        ClientToScreen(m_hWndView, &at);
    } else {
        POINT client = at;
        ScreenToClient(m_hWndView, &client);
        row = RowAt(client);
        if (row < 0)
            return;
        SetFocus(m_hWndView);
        SetFocusRow(row, false);
    }
    m_bMenuOpen = true;
    const CardMenu::Command command = CardMenu::Choose(m_hWndView, at);
    m_bMenuOpen = false;
    RunCommand(command, row);
}

void ResultView::RunCommand(int command, int row)
{
    if (row < 0 || row >= static_cast<int>(m_records.size()))
        return;
    const JobResult& record = *m_records[static_cast<size_t>(row)].pRecord;
    switch (command) {
    case CardMenu::kOpenInEditor: RegistryEditor::OpenAt(CardText::KeyName(record)); break;
    case CardMenu::kCopy: Clipboard::PutText(m_hWndView, CardText::Whole(record, true)); break;
    case CardMenu::kTickSection: SetAllTicks(true); break;
    case CardMenu::kUntickSection: SetAllTicks(false); break;
    default: break;
    }
}

void ResultView::SetAllTicks(bool ticked)
{
    for (size_t row = 0; row < m_records.size(); ++row) {
        JobResult* record = m_records[row].pRecord;
        if (record->bSelected == ticked)
            continue;
        record->bSelected = ticked;
        Accessible::Notify(EVENT_OBJECT_STATECHANGE, m_hWndView, static_cast<LONG>(row) + 1);
    }
    InvalidateRect(m_hWndView, nullptr, FALSE);
}

void ResultView::OnMouseHover(short x, short y)
{
    m_bHoverArmed = false;
    POINT at = {x, y};
    const int row = RowAt(at);
    if (row < 0)
        return;
    at.x = m_records[static_cast<size_t>(row)].rcBounds.left + sectionBox.left;
    at.y += kTipBelow;
    ClientToScreen(m_hWndView, &at);
    ShowTip(row, &at);
}

void ResultView::OnMouseLeave()
{
    m_bHoverArmed = false;
    HideTip();
}

void ResultView::ShowTip(int row, const POINT* screen)
{
    if (m_bMenuOpen || row < 0 || row >= static_cast<int>(m_records.size()))
        return;
    POINT at;
    if (screen) {
        at = *screen;
    } else {
        const RECT& bounds = m_records[static_cast<size_t>(row)].rcBounds;
        at = POINT{bounds.left + sectionBox.left, bounds.bottom - m_nScrollPos};
        ClientToScreen(m_hWndView, &at);
    }
    m_tip.Show(CardText::Whole(*m_records[static_cast<size_t>(row)].pRecord, false), at);
    m_nTipRow = row;
}

void ResultView::HideTip()
{
    m_tip.Hide();
    m_nTipRow = -1;
}

} // namespace ovra
