#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ovra {

// On 64-bit Windows the registry, like the file system, has a 32-bit and a
// 64-bit view, and 32-bit programs register in the 32-bit twins of the
// machine's keys (SOFTWARE\Wow6432Node\..., Wow6432Node\CLSID in the
// classes). Some keys are one key seen from both views. A 64-bit program
// that scans only its own view never sees the entries of 32-bit programs.
class RegView {
public:
    // The access flag that opens a path in the machine's native view:
    // KEY_WOW64_64KEY for the 32-bit program on 64-bit Windows, 0 for the
    // 64-bit program (its own view is the native one) and on 32-bit
    // Windows. Every key the
    // program opens, creates or deletes goes through it (RegKey adds it), so
    // a key path means one key whichever of the two programs reads it: a
    // 32-bit twin is always spelt with its Wow6432Node, as the 64-bit
    // program sees it, and backups written by either program name the same
    // keys.
    static REGSAM Native();

    // The key paths below root at which the area path is scanned, in native
    // terms: path itself, and on 64-bit Windows the real path of its 32-bit
    // twin when the twin is a key of its own. The 32-bit program scans both
    // as the 64-bit one does, so both find the same records. The registry is
    // asked which keys are one key; nothing here lists them. A twin whose
    // real path cannot be confirmed is left out, so every record names
    // exactly the key it was found in, and backup, deletion and restore act
    // on that key.
    static std::vector<std::string> AreaPaths(HKEY root, const char* path);

    // Deletes the empty subkey name of an open key in the native view.
    static bool DeleteSubkey(HKEY key, const char* name);
    static bool DeleteSubkey(HKEY key, const wchar_t* name);

    // True when the two open keys are one key of the registry: their full
    // names, as the registry gives them, are equal.
    static bool SameKey(HKEY first, HKEY second);

    // The key's full name in the registry's own form
    // (\REGISTRY\MACHINE\...). False when it cannot be read.
    static bool FullName(HKEY key, std::wstring& name);

    // Where the 32-bit twin of path lies by the registry's naming rule:
    // Wow6432Node after "Software\Classes" or "Software" (any case), or first
    // in the classes root. False for a path that has no twin.
    static bool TwinCandidate(HKEY root, const char* path, std::string& twin);
};

} // namespace ovra
