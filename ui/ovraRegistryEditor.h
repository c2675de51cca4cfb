#pragma once

#include <string>

namespace ovra {

// The system's Registry Editor, opened at a key. It opens where its value
// LastKey (in kSettings below HKEY_CURRENT_USER) says; that value is the
// key's full name, under the name the editor gives its tree's top
// ("Computer" on Windows 10 and 11, in the user's language). An editor
// already running keeps its own window and key.
class RegistryEditor {
public:
    // Writes LastKey for key (a root's long name and the path below it) and
    // starts regedit.exe from the Windows folder. False when either failed.
    static bool OpenAt(const std::wstring& key);

    // What LastKey becomes for key: the top's name taken from what the
    // editor last wrote there (a name before "\HKEY_"), and none when it
    // never wrote a key.
    static std::wstring LastKeyFor(const std::wstring& key, const std::wstring& previous);

    static const wchar_t kSettings[];
};

} // namespace ovra
