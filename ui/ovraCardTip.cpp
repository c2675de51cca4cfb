#include "ui/ovraCardTip.h"

#include "platform/ovraInstance.h"
#include "ui/ovraControlLook.h"

#include <commctrl.h>

namespace ovra {

namespace {
// Wide enough for a long key path on two or three lines.
const int kTipWidth = 420;
} // namespace

CardTip::~CardTip()
{
    Destroy();
}

void CardTip::Destroy()
{
    if (m_hWndTip)
        DestroyWindow(m_hWndTip);
    m_hWndTip = nullptr;
    m_bShown = false;
}

TTTOOLINFOW CardTip::Tool() const
{
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = m_hWndOwner;
    tool.uId = 1;
    tool.hinst = g_hInstance;
    tool.lpszText = const_cast<wchar_t*>(m_strText.c_str());
    return tool;
}

void CardTip::Create(HWND owner)
{
    m_hWndOwner = owner;
    m_hWndTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                g_hInstance, nullptr);
    if (!m_hWndTip)
        return;
    TTTOOLINFOW tool = Tool();
    SendMessageW(m_hWndTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // A maximum width makes the tip wrap its lines.
    SendMessageW(m_hWndTip, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
    ApplyLook();
}

void CardTip::Show(const std::wstring& text, POINT screen)
{
    if (!m_hWndTip)
        return;
    m_strText = text;
    TTTOOLINFOW tool = Tool();
    SendMessageW(m_hWndTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(m_hWndTip, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
    SendMessageW(m_hWndTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    m_bShown = true;
}

void CardTip::Hide()
{
    if (!m_hWndTip || !m_bShown)
        return;
    TTTOOLINFOW tool = Tool();
    SendMessageW(m_hWndTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    m_bShown = false;
}

void CardTip::ApplyLook()
{
    ControlLook::Tip(m_hWndTip);
}

std::wstring CardTip::Text() const
{
    return m_bShown ? m_strText : std::wstring();
}

} // namespace ovra
