// The footer's bitmap push button: tracks a press with the mouse capture and
// sends its current command id to its parent when released over itself.
#include "ui/ovraButton.h"

#include "platform/ovraInstance.h"
#include "platform/ovraAssert.h"
#include "ui/ovraAccessible.h"
#include "ui/ovraGdi.h"
#include "ui/ovraPalette.h"

namespace ovra {

namespace {

const char kClassName[] = "button_class";
const int kFacePressed = 102;
const int kFaceNormal = 103;
const int kFaceDisabled = 108;
const int kMaxCaption = 127;

} // namespace

Button::Button() : m_hWndButton(nullptr), m_hWndParent(nullptr), m_nCommand(0), m_bInside(false), m_bPressed(false)
{
}

HWND Button::Create(HWND parent, int x, int y)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &Button::WindowProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = g_hInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc); // the second and third button find the class there already

    m_hWndParent = parent;
    m_nCommand = 0;
    m_hWndButton = CreateWindowExA(0, kClassName, nullptr, WS_CHILD | WS_VISIBLE, x, y, kWidth, kHeight, parent,
                                   nullptr, g_hInstance, this);
    OVRA_ASSERT(m_hWndButton, "ovraButton");
    return m_hWndButton;
}

void Button::Enable(const char* caption, UINT command)
{
    EnableWindow(m_hWndButton, TRUE);
    SetWindowTextA(m_hWndButton, caption);
    m_nCommand = command;
    InvalidateRect(m_hWndButton, nullptr, FALSE);
    Accessible::Notify(EVENT_OBJECT_STATECHANGE, m_hWndButton, CHILDID_SELF);
    Accessible::Notify(EVENT_OBJECT_NAMECHANGE, m_hWndButton, CHILDID_SELF);
}

void Button::Disable(const char* caption)
{
    if (GetCapture() == m_hWndButton)
        ReleaseCapture();
    EnableWindow(m_hWndButton, FALSE);
    m_bPressed = false;
    m_bInside = false;
    m_nCommand = 0;
    SetWindowTextA(m_hWndButton, caption);
    InvalidateRect(m_hWndButton, nullptr, FALSE);
    Accessible::Notify(EVENT_OBJECT_STATECHANGE, m_hWndButton, CHILDID_SELF);
    Accessible::Notify(EVENT_OBJECT_NAMECHANGE, m_hWndButton, CHILDID_SELF);
}

void Button::Press()
{
    // The parent's handler runs to completion here and may Enable or
    // Disable this very button; callers cope with either.
    if (m_nCommand != 0 && IsWindowEnabled(m_hWndButton))
        SendMessageA(m_hWndParent, WM_COMMAND, MAKEWPARAM(LOWORD(m_nCommand), 0), 0);
}

bool Button::Describe(WPARAM child, Accessible::Item& item)
{
    if (child != CHILDID_SELF)
        return false;
    char caption[kMaxCaption + 1] = "";
    GetWindowTextA(m_hWndButton, caption, sizeof(caption));
    item.strName = caption;
    item.nRole = ROLE_SYSTEM_PUSHBUTTON;
    if (!IsWindowEnabled(m_hWndButton)) {
        item.nState = STATE_SYSTEM_UNAVAILABLE;
    } else {
        item.nState = STATE_SYSTEM_FOCUSABLE;
        item.strAction = "Press";
    }
    if (GetFocus() == m_hWndButton)
        item.nState |= STATE_SYSTEM_FOCUSED;
    if (m_bPressed && m_bInside)
        item.nState |= STATE_SYSTEM_PRESSED;
    GetClientRect(m_hWndButton, &item.rcBounds);
    return true;
}

bool Button::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const UINT flags = static_cast<UINT>(wParam);
    const short x = static_cast<short>(LOWORD(lParam));
    const short y = static_cast<short>(HIWORD(lParam));
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_MOUSEMOVE:
        OnMouseMove(flags, x, y);
        return true;
    case WM_LBUTTONDOWN:
        OnLButtonDown(flags, x, y);
        return true;
    case WM_LBUTTONUP:
        OnLButtonUp(flags, x, y);
        return true;
    case WM_KEYDOWN:
        // Space presses the focused button once, however long it is held.
        if (wParam == VK_SPACE && !(lParam & (1 << 30)))
            Press();
        return wParam == VK_SPACE;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        Accessible::FocusChanged(m_hWndButton, msg, CHILDID_SELF);
        return false;
    case Accessible::kQueryItem:
        return Describe(wParam, *reinterpret_cast<Accessible::Item*>(lParam));
    case Accessible::kDoDefault:
        Press();
        return true;
    case WM_CAPTURECHANGED:
        // Another window took the mouse (a switch to another program, say):
        // the press is over without a click, or the button would stay
        // pressed and ignore the next press.
        if (m_bPressed && reinterpret_cast<HWND>(lParam) != m_hWndButton) {
            m_bPressed = false;
            m_bInside = false;
            InvalidateRect(m_hWndButton, nullptr, FALSE);
        }
        return false;
    default:
        return false;
    }
}

void Button::OnLButtonDown(UINT, short, short)
{
    // The system sends a disabled window no clicks; a press that reaches it
    // anyway (sent by a program) must not take the capture either.
    if (m_bPressed || !IsWindowEnabled(m_hWndButton))
        return;
    m_bInside = true;
    m_bPressed = true;
    SetCapture(m_hWndButton);
    InvalidateRect(m_hWndButton, nullptr, FALSE);
}

void Button::OnMouseMove(UINT, short, short)
{
    if (!m_bPressed)
        return;
    // Judged on the real pointer position, in screen coordinates: the
    // message's own coordinates are relative to a window that may have moved.
    RECT rc;
    POINT pt;
    GetWindowRect(m_hWndButton, &rc);
    GetCursorPos(&pt);
    const bool inside = PtInRect(&rc, pt) != FALSE;
    if (inside != m_bInside) {
        m_bInside = inside;
        InvalidateRect(m_hWndButton, nullptr, FALSE);
    }
}

void Button::OnLButtonUp(UINT, short, short)
{
    if (!m_bPressed)
        return;
    if (m_bInside)
        Press();
    if (GetCapture() == m_hWndButton)
        ReleaseCapture();
    m_bInside = false;
    m_bPressed = false;
    InvalidateRect(m_hWndButton, nullptr, FALSE);
}

void Button::OnPaint()
{
    PaintDC paint(m_hWndButton);
    MemoryDC surface(paint.Get(), kWidth, kHeight);
    MemoryDC source(paint.Get());

    const Palette& palette = Palette::Current();
    int face = kFaceNormal;
    Palette::Role back = Palette::kButtonBack;
    Palette::Role text = Palette::kButtonText;
    Palette::Role border = Palette::kButtonBorder;
    if (!IsWindowEnabled(m_hWndButton)) {
        face = kFaceDisabled;
        back = Palette::kDisabledBack;
        text = border = Palette::kDisabledText;
    } else if (m_bInside) {
        face = kFacePressed;
        back = Palette::kPressedBack;
        text = border = Palette::kPressedText;
    }
    if (palette.Drawn()) {
        // The face drawn in the look's colours, on the footer's colour.
        RECT all = {0, 0, kWidth, kHeight};
        FillRect(surface.Get(), &all, palette.Brush(Palette::kFooterBack));
        GdiPen pen(CreatePen(PS_SOLID, 1, palette.Colour(border)));
        SelectGuard selectedPen(surface.Get(), pen.Get());
        SelectGuard selectedBrush(surface.Get(), palette.Brush(back));
        RoundRect(surface.Get(), 1, 1, kWidth - 1, kHeight - 1, 7, 7);
    } else {
        GdiBitmap bitmap(LoadBitmapA(g_hInstance, MAKEINTRESOURCEA(face)));
        SelectGuard selected(source.Get(), bitmap.Get());
        BitBlt(surface.Get(), 0, 0, kWidth, kHeight, source.Get(), 0, 0, SRCCOPY);
    }

    SetTextColor(surface.Get(), palette.Colour(text));
    SetBkMode(surface.Get(), TRANSPARENT);
    GdiFont font(CreatePointFont(surface.Get(), 10, FW_BOLD, "Verdana"));
    SelectGuard selectedFont(surface.Get(), font.Get());
    char caption[kMaxCaption + 1] = "";
    GetWindowTextA(m_hWndButton, caption, sizeof(caption));
    RECT box = {0, 0, kWidth, kHeight};
    DrawCodePageText(surface.Get(), caption, -1, &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    if (ShowsFocus(m_hWndButton)) {
        RECT mark = {4, 4, kWidth - 4, kHeight - 4};
        DrawFocusRect(surface.Get(), &mark);
    }

    BitBlt(paint.Get(), 0, 0, kWidth, kHeight, surface.Get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK Button::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* button = static_cast<Button*>(cs->lpCreateParams);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(button));
        button->m_hWndButton = hwnd;
        button->OnMessage(WM_CREATE, wParam, lParam);
        return 0;
    }
    auto* button = reinterpret_cast<Button*>(GetWindowLongPtrA(hwnd, 0));
    if (msg == WM_GETOBJECT && button && button->m_hWndButton)
        return Accessible::Answer(hwnd, wParam, lParam);
    if (msg == Accessible::kQueryItem && button && button->m_hWndButton)
        return button->OnMessage(msg, wParam, lParam);
    if (button && button->m_hWndButton && button->OnMessage(msg, wParam, lParam))
        return 0;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace ovra
