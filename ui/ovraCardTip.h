#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace ovra {

// The tooltip that shows a record card's texts whole: the common controls'
// tooltip, one tracking tool placed by its owner beside the card the mouse
// rests on or the keyboard focus is on, wrapped to a readable width and in
// the look's colours.
class CardTip {
public:
    CardTip() = default;
    ~CardTip();
    CardTip(const CardTip&) = delete;
    CardTip& operator=(const CardTip&) = delete;

    void Create(HWND owner);
    void Destroy();
    // Shows text with its top-left corner at screen.
    void Show(const std::wstring& text, POINT screen);
    void Hide();
    // Takes the look's colours (the system's drawing in the light look).
    void ApplyLook();

    bool Shown() const { return m_bShown; }
    // The text shown now.
    std::wstring Text() const;

    HWND m_hWndTip = nullptr;

private:
    TTTOOLINFOW Tool() const;

    HWND m_hWndOwner = nullptr;
    bool m_bShown = false;
    std::wstring m_strText;
};

} // namespace ovra
