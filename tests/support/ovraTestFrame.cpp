#include "ovraTestFrame.h"

#include <commctrl.h>

#include <ostream>

namespace ovratest {

namespace {

ButtonState ReadButton(const ovra::Button& button)
{
    ButtonState state;
    char text[256] = {};
    GetWindowTextA(button.m_hWndButton, text, sizeof(text));
    state.enabled = IsWindowEnabled(button.m_hWndButton) != FALSE;
    state.caption = text;
    state.command = button.m_nCommand;
    return state;
}

} // namespace

FrameState ReadFrame(ovra::WizardFrame& frame)
{
    FrameState state;
    state.title = frame.m_strTitle;
    if (IsWindowVisible(frame.m_welcomePage.m_hWndPage))
        state.pages |= kWelcome;
    if (IsWindowVisible(frame.m_progressPage.m_hWndPage))
        state.pages |= kProgress;
    if (IsWindowVisible(frame.m_resultPage.m_hWndPage))
        state.pages |= kResult;
    if (IsWindowVisible(frame.m_backupFilePage.m_hWndPage))
        state.pages |= kBackupFile;
    state.back = ReadButton(frame.m_btnBack);
    state.next = ReadButton(frame.m_btnNext);
    state.cancel = ReadButton(frame.m_btnCancel);
    return state;
}

ButtonState Disabled(const char* caption)
{
    ButtonState s;
    s.caption = caption;
    return s;
}

ButtonState Enabled(const char* caption, unsigned command)
{
    ButtonState s;
    s.enabled = true;
    s.caption = caption;
    s.command = command;
    return s;
}

FrameState Expect(const char* title, int pages, ButtonState back, ButtonState next, ButtonState cancel)
{
    FrameState s;
    s.title = title;
    s.pages = pages;
    s.back = back;
    s.next = next;
    s.cancel = cancel;
    return s;
}

bool OpenNewestBackup(Driver& d, ovra::WizardFrame& frame, MessageBoxSeen* warning)
{
    d.OnUi([&] { SendMessageA(frame.m_welcomePage.m_hWndRestore, BM_CLICK, 0, 0); });
    d.Click(frame.m_btnNext.m_hWndButton);
    if (!d.WaitUntil([&] { return frame.m_strTitle == "Select backup file"; }))
        return false;
    d.OnUi([&] {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(frame.m_backupFilePage.m_hWndList, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    });
    d.Click(frame.m_btnNext.m_hWndButton);
    if (warning) {
        if (!d.WaitForMessageBox(*warning))
            return false;
        d.Answer(*warning, "OK");
    }
    return d.WaitUntil([&] { return frame.m_strTitle == "Select records to restore"; });
}

int Play(ovra::WizardFrame& frame, const std::function<void(Driver&)>& script)
{
    frame.Create();
    Driver driver;
    HWND main = frame.m_hWndWizard;
    driver.Start([&, main](Driver& d) {
        script(d);
        d.OnUi([main] {
            if (IsWindow(main))
                DestroyWindow(main);
        });
    });
    const int result = frame.Run();
    driver.Join();
    return result;
}

} // namespace ovratest

std::ostream& operator<<(std::ostream& out, const ovratest::FrameState& s)
{
    auto button = [&](const ovratest::ButtonState& b) {
        out << "[" << (b.enabled ? "on " : "off ") << b.caption << " " << b.command << "]";
    };
    out << "'" << s.title << "' pages=" << s.pages << " back";
    button(s.back);
    out << " next";
    button(s.next);
    out << " cancel";
    button(s.cancel);
    return out;
}
