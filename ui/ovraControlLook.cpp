// The standard controls in the palette's colours.
#include "ui/ovraControlLook.h"

#include "platform/ovraSystemDll.h"
#include "ui/ovraGdi.h"
#include "ui/ovraPalette.h"

#include <commctrl.h>

namespace ovra {

namespace {

using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, const wchar_t*, const wchar_t*);
using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, const void*, DWORD);

// Windows 10 20H1 and later; 1809 to 1909 knew the same switch as 19.
const DWORD kDarkTitleBar = 20;
const DWORD kDarkTitleBarBefore20H1 = 19;

// Whether any look but the light one was ever taken: from then on every
// change of look is handed to the theme and the window manager, so that a
// switch back to light undoes what the dark look asked of them.
bool g_bStyled = false;

// The bar in the look's colours: a themed bar draws the theme's colours
// whatever it is told, and not every system lets a program switch a
// control's theme off. The light look leaves the bar its own drawing.
LRESULT CALLBACK PaintBar(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    const Palette& palette = Palette::Current();
    if (!palette.Drawn() || (msg != WM_PAINT && msg != WM_ERASEBKGND))
        return DefSubclassProc(bar, msg, wParam, lParam);
    if (msg == WM_ERASEBKGND)
        return 1;
    PaintDC paint(bar);
    RECT client;
    GetClientRect(bar, &client);
    FillRect(paint.Get(), &client, palette.Brush(Palette::kBarBack));
    const int low = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, TRUE, 0));
    const int high = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
    const int position = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
    if (high > low && position > low) {
        RECT done = client;
        done.right = client.left + MulDiv(client.right - client.left, position - low, high - low);
        FillRect(paint.Get(), &done, palette.Brush(Palette::kBarFill));
    }
    FrameRect(paint.Get(), &client, palette.Brush(Palette::kRule));
    return 0;
}

} // namespace

bool ControlLook::Styled()
{
    if (Palette::Current().Drawn())
        g_bStyled = true;
    return g_bStyled;
}

void ControlLook::SetTheme(HWND control, const wchar_t* darkName, const wchar_t* darkList)
{
    static const auto setTheme = SystemDll::Function<SetWindowThemeFn>("uxtheme.dll", "SetWindowTheme");
    if (!setTheme)
        return;
    const Palette::Look look = Palette::Current().GetLook();
    if (look == Palette::kDark)
        setTheme(control, darkName, darkList);
    else if (look == Palette::kHighContrast)
        setTheme(control, L"", L""); // the classic drawing, which follows the system colours
    else
        setTheme(control, nullptr, nullptr); // back to the system's choice
}

void ControlLook::List(HWND list)
{
    if (!list || !Styled())
        return;
    const Palette& palette = Palette::Current();
    SetTheme(list, L"DarkMode_Explorer");
    // Back in the light look the list takes the system's window colours, as
    // it does untouched.
    const bool light = !palette.Drawn();
    const COLORREF back = light ? GetSysColor(COLOR_WINDOW) : palette.Colour(Palette::kPageBack);
    const COLORREF text = light ? GetSysColor(COLOR_WINDOWTEXT) : palette.Colour(Palette::kPageText);
    SendMessageA(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
    SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, light ? static_cast<LPARAM>(CLR_DEFAULT) : static_cast<LPARAM>(back));
    SendMessageA(list, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
    if (HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)))
        SetTheme(header, L"DarkMode_ItemsView");
    InvalidateRect(list, nullptr, TRUE);
}

void ControlLook::Progress(HWND bar)
{
    if (!bar || !Styled())
        return;
    SetWindowSubclass(bar, &PaintBar, 0, 0); // once; a second call only replaces it
    InvalidateRect(bar, nullptr, TRUE);
}

void ControlLook::Themed(HWND control)
{
    if (!control || !Styled())
        return;
    SetTheme(control, L"DarkMode_Explorer");
    InvalidateRect(control, nullptr, TRUE);
}

void ControlLook::Tip(HWND tip)
{
    if (!tip || !Styled())
        return;
    static const auto setTheme = SystemDll::Function<SetWindowThemeFn>("uxtheme.dll", "SetWindowTheme");
    const Palette& palette = Palette::Current();
    if (setTheme)
        setTheme(tip, palette.Drawn() ? L"" : nullptr, palette.Drawn() ? L"" : nullptr);
    const COLORREF back = palette.Drawn() ? palette.Colour(Palette::kPageBack) : GetSysColor(COLOR_INFOBK);
    const COLORREF text = palette.Drawn() ? palette.Colour(Palette::kPageText) : GetSysColor(COLOR_INFOTEXT);
    SendMessageW(tip, TTM_SETTIPBKCOLOR, back, 0);
    SendMessageW(tip, TTM_SETTIPTEXTCOLOR, text, 0);
}

void ControlLook::Frame(HWND frame)
{
    if (!frame || !Styled())
        return;
    static const auto setAttribute =
        SystemDll::Function<DwmSetWindowAttributeFn>("dwmapi.dll", "DwmSetWindowAttribute");
    if (!setAttribute)
        return;
    const BOOL dark = Palette::Current().GetLook() == Palette::kDark;
    if (FAILED(setAttribute(frame, kDarkTitleBar, &dark, sizeof(dark))))
        setAttribute(frame, kDarkTitleBarBefore20H1, &dark, sizeof(dark));
}

} // namespace ovra
