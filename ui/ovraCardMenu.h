#pragma once

#include <windows.h>

namespace ovra {

// The menu of a record card. It opens with a right click, Shift+F10 or the
// menu key, and is worked with the arrow keys and Enter like any menu. The
// system draws it in the light and high-contrast looks (high contrast in
// the user's own colours); in the dark look its items are drawn in the
// palette's colours, since Windows draws menus light for a program that
// does not go through its undocumented dark-mode switches.
class CardMenu {
public:
    enum Command { kNone = 0, kOpenInEditor, kCopy, kTickSection, kUntickSection };

    // The items' texts, in menu order (the index is the command less one).
    static const wchar_t* const kItems[4];

    // Shows the menu at a screen point for owner and returns the command
    // chosen, kNone when the menu was closed without one.
    static Command Choose(HWND owner, POINT screen);

    // The owner's WM_MEASUREITEM and WM_DRAWITEM: true when the item was one
    // of this menu's.
    static bool Measure(HWND owner, MEASUREITEMSTRUCT& item);
    static bool Draw(const DRAWITEMSTRUCT& item);
};

} // namespace ovra
