#pragma once

#include "ui/ovraAccessible.h"

#include <windows.h>

namespace ovra {

// The footer's push button, drawn from bitmaps. It carries a command id that
// the frame changes on every page and sends WM_COMMAND with it when clicked
// or pressed with Space while it has the focus.
class Button {
public:
    Button();
    Button(const Button&) = delete;
    Button& operator=(const Button&) = delete;

    HWND Create(HWND parent, int x, int y);
    void Enable(const char* caption, UINT command);
    void Disable(const char* caption);
    // What a click does: sends the command, when the button is enabled and
    // has one. The keyboard and screen readers press the button through it.
    void Press();
    bool Describe(WPARAM child, Accessible::Item& item);

    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnLButtonDown(UINT flags, short x, short y);
    void OnLButtonUp(UINT flags, short x, short y);
    void OnMouseMove(UINT flags, short x, short y);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    static const int kWidth = 112;
    static const int kHeight = 37;

    HWND m_hWndButton;
    HWND m_hWndParent;
    UINT m_nCommand;
    bool m_bInside;
    bool m_bPressed;
};

} // namespace ovra
