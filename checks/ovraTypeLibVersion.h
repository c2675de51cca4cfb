#pragma once

#include <windows.h>

#include <string>

namespace ovra {

// One version of a registered type library: HKCR\TypeLib\{LIBID}\<version>
// holds a key per locale (a hexadecimal number), each with a win32 and/or
// win64 key whose default value names the library's file, sometimes with
// "\N", the index of the type library resource in it, after the name. The
// version's other keys (FLAGS, HELPDIR) name no file.
class TypeLibVersion {
public:
    // True when the version holds at least one registration and every one
    // names a full path on a fixed drive that does not exist. A registration
    // that cannot be read, or that names anything else, keeps it live.
    // registration then holds the first one's key path below the version
    // ("0\win32"), and path its text (expanded when expandable).
    static bool IsDead(HKEY library, const char* version, std::string& registration, std::string& path);

    // True when text is a full path on a fixed drive naming no file, as
    // written nor, when it ends in "\N", without that ending.
    static bool NamesMissingFile(const char* text);
};

} // namespace ovra
