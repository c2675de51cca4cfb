#pragma once

#include <windows.h>

#include <string>

namespace ovra {

// Size of every name, data, expansion, path and display buffer of the checks.
constexpr DWORD kRegTextSize = 2048;

// Turns registry data into text the checks can judge or show, always within
// kRegTextSize bytes.
class RegText {
public:
    // The text of string data read into data (kRegTextSize bytes, length bytes
    // used): REG_SZ as stored, REG_EXPAND_SZ expanded into expanded (also
    // kRegTextSize bytes). Null for any other type, for data with no room left
    // for its end, and for an expansion that does not fit: a cut path would
    // name something else and could call a live entry dead.
    static const char* StringData(DWORD type, char* data, DWORD length, char* expanded);

    // The default value of the key path below parent as text, read into data
    // and expanded into expanded as StringData does; null when the key does
    // not open or the value is absent, too long or not a string. The key is
    // open only inside this call.
    static const char* DefaultValue(HKEY parent, const char* path, char* data, char* expanded);

    // Writes a path or key path into buffer (kRegTextSize bytes). False when
    // it does not fit: such a path is never judged or opened.
    static bool Compose(char* buffer, const char* format, ...);

    // A display text; one longer than kRegTextSize - 1 characters is cut
    // there, since it is only shown.
    static std::string Display(const char* format, ...);
};

} // namespace ovra
