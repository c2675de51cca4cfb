#pragma once

// Fits the standard controls and the window frame to the palette's look:
// colours through the controls' own messages, and where the system offers
// them the dark visual styles and the dark title bar. The theme and window
// manager libraries are loaded by name, and only once a look other than the
// light one has been asked for, so the light look loads nothing new.
#include <windows.h>

namespace ovra {

class ControlLook {
public:
    // A report list view (scan rows, backup files).
    static void List(HWND list);
    // A progress bar: drawn in the look's colours by the program in the
    // looks other than light.
    static void Progress(HWND bar);
    // A window with standard parts drawn by the theme: radio buttons, the
    // card list's scroll bar.
    static void Themed(HWND control);
    // The main window's title bar.
    static void Frame(HWND frame);
    // A tooltip: the system's drawing in the light look; in the others the
    // classic drawing in the look's colours, which every system honours.
    static void Tip(HWND tip);

private:
    static bool Styled();
    // The dark look's visual style (application name and class list), the
    // classic drawing for high contrast, the system's choice for light.
    static void SetTheme(HWND control, const wchar_t* darkName, const wchar_t* darkList = nullptr);
};

} // namespace ovra
