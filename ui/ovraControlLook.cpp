// The standard controls in the palette's colours.
#include "ui/ovraControlLook.h"

#include "platform/ovraSystemDll.h"
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

} // namespace

bool ControlLook::Styled()
{
    if (Palette::Current().Drawn())
        g_bStyled = true;
    return g_bStyled;
}

void ControlLook::SetTheme(HWND control, const wchar_t* dark)
{
    static const auto setTheme = SystemDll::Function<SetWindowThemeFn>("uxtheme.dll", "SetWindowTheme");
    if (!setTheme)
        return;
    const Palette::Look look = Palette::Current().GetLook();
    if (look == Palette::kDark)
        setTheme(control, dark, nullptr);
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
    const Palette& palette = Palette::Current();
    // A themed bar ignores colours; the other looks draw it classic.
    SetTheme(bar, L"");
    const bool light = !palette.Drawn();
    SendMessageA(bar, PBM_SETBARCOLOR, 0, light ? CLR_DEFAULT : static_cast<LPARAM>(palette.Colour(Palette::kBarFill)));
    SendMessageA(bar, PBM_SETBKCOLOR, 0, light ? CLR_DEFAULT : static_cast<LPARAM>(palette.Colour(Palette::kBarBack)));
    InvalidateRect(bar, nullptr, TRUE);
}

void ControlLook::Themed(HWND control)
{
    if (!control || !Styled())
        return;
    SetTheme(control, L"DarkMode_Explorer");
    InvalidateRect(control, nullptr, TRUE);
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
