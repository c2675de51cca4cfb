#pragma once

#include <windows.h>

#include <string>

namespace ovra {

// The system's clipboard, for text.
class Clipboard {
public:
    // Puts text on the clipboard as Unicode text; false when the clipboard
    // could not be had.
    static bool PutText(HWND owner, const std::wstring& text);
};

} // namespace ovra
