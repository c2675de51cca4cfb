// The wizard under the keyboard: which parts of the shown page take the
// focus and in what order, and the keys that act on the whole window. Each
// key presses a footer button through the very call a click makes, so the
// page flow cannot tell a key from the mouse.
#include "app/ovraWizardFrame.h"

#include <algorithm>
#include <iterator>

namespace ovra {

namespace {

bool IsVisible(const WizardPage& page)
{
    return IsWindowVisible(page.m_hWndPage) != FALSE;
}

bool IsChecked(HWND radio)
{
    return SendMessageA(radio, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

} // namespace

std::vector<HWND> WizardFrame::FocusStops() const
{
    std::vector<HWND> stops;
    if (IsVisible(m_welcomePage)) {
        // The three choices are one stop, the chosen one, as a group of
        // choices is everywhere; the arrows move between them.
        const HWND choices[] = {m_welcomePage.m_hWndScan, m_welcomePage.m_hWndRestore, m_welcomePage.m_hWndManage};
        HWND stop = choices[0];
        for (HWND choice : choices)
            if (IsChecked(choice))
                stop = choice;
        stops.push_back(stop);
    }
    if (IsVisible(m_resultPage)) {
        stops.push_back(m_resultPage.m_groupView.m_hWndView);
        stops.push_back(m_resultPage.m_resultView.m_hWndView);
    }
    if (IsVisible(m_backupFilePage))
        stops.push_back(m_backupFilePage.m_hWndList);
    for (const Button* button : {&m_btnBack, &m_btnNext, &m_btnCancel})
        if (IsWindowEnabled(button->m_hWndButton))
            stops.push_back(button->m_hWndButton);
    return stops;
}

void WizardFrame::FocusPage()
{
    // Where work on the page starts: the choice, the cards, the backup list;
    // during a scan the only enabled button, Cancel.
    HWND target = m_btnCancel.m_hWndButton;
    if (IsVisible(m_welcomePage) || IsVisible(m_backupFilePage))
        target = FocusStops().front();
    else if (IsVisible(m_resultPage))
        target = m_resultPage.m_resultView.m_hWndView;
    // A page that changes while another window is active (a scan ending
    // behind another program) must not pull the focus back: it is kept for
    // the moment the user returns.
    if (GetActiveWindow() == m_hWndWizard)
        SetFocus(target);
    else
        m_hWndFocus = target;
}

void WizardFrame::MoveFocus(int step)
{
    const std::vector<HWND> stops = FocusStops();
    if (stops.empty())
        return;
    const int count = static_cast<int>(stops.size());
    HWND focus = GetFocus();
    int at = -1;
    for (int i = 0; i < count; ++i)
        if (stops[i] == focus || IsChild(stops[i], focus))
            at = i;
    if (at < 0 && (focus == m_welcomePage.m_hWndScan || focus == m_welcomePage.m_hWndRestore ||
                   focus == m_welcomePage.m_hWndManage))
        at = 0;
    const int next = at < 0 ? (step > 0 ? 0 : count - 1) : (at + step + count) % count;
    SetFocus(stops[next]);
}

void WizardFrame::MoveChoice(int step)
{
    const HWND choices[] = {m_welcomePage.m_hWndScan, m_welcomePage.m_hWndRestore, m_welcomePage.m_hWndManage};
    const HWND* at = std::find(std::begin(choices), std::end(choices), GetFocus());
    if (at == std::end(choices))
        return;
    const int count = static_cast<int>(std::size(choices));
    const HWND next = choices[(static_cast<int>(at - choices) + step + count) % count];
    // Chosen as a click chooses it, and focused with it.
    SendMessageA(next, BM_CLICK, 0, 0);
    SetFocus(next);
}

bool WizardFrame::OnKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || !m_hWndWizard || (msg.hwnd != m_hWndWizard && !IsChild(m_hWndWizard, msg.hwnd)))
        return false;
    // The keyboard is in use: from now on the focus marks show.
    SendMessageA(m_hWndWizard, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    const bool repeated = (msg.lParam & (1 << 30)) != 0;
    switch (msg.wParam) {
    case VK_TAB:
        MoveFocus(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        return true;
    case VK_RETURN: {
        // A held key presses once: it must not run through the pages.
        if (repeated)
            return true;
        // On a focused footer button Enter presses that button, elsewhere
        // the page's default one, Next (or Repair).
        Button* pressed = &m_btnNext;
        for (Button* button : {&m_btnBack, &m_btnNext, &m_btnCancel})
            if (GetFocus() == button->m_hWndButton)
                pressed = button;
        pressed->Press();
        return true;
    }
    case VK_ESCAPE:
        if (!repeated)
            m_btnCancel.Press();
        return true;
    case VK_UP:
    case VK_LEFT:
    case VK_DOWN:
    case VK_RIGHT:
        if (!IsVisible(m_welcomePage) || !IsChild(m_welcomePage.m_hWndPage, GetFocus()))
            return false;
        MoveChoice(msg.wParam == VK_UP || msg.wParam == VK_LEFT ? -1 : 1);
        return true;
    default:
        return false;
    }
}

void WizardFrame::OnMouseWheel(WPARAM wParam, LPARAM lParam)
{
    // Wheel turns that no control of the page took (over the section list,
    // the footer, or with the focus on a button) scroll the page's list. A
    // list that passes the turn on to its parent ends up here again: the
    // second arrival is dropped.
    if (m_bForwardingWheel)
        return;
    HWND list = nullptr;
    if (IsVisible(m_resultPage))
        list = m_resultPage.m_resultView.m_hWndView;
    else if (IsVisible(m_backupFilePage))
        list = m_backupFilePage.m_hWndList;
    if (!list)
        return;
    m_bForwardingWheel = true;
    SendMessageA(list, WM_MOUSEWHEEL, wParam, lParam);
    m_bForwardingWheel = false;
}

} // namespace ovra
