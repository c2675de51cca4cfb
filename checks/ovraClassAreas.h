#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ovra {

// Where classes are registered. Windows shows the user's classes
// (HKEY_CURRENT_USER\Software\Classes) merged over the machine's
// (HKEY_LOCAL_MACHINE\SOFTWARE\Classes) as HKEY_CLASSES_ROOT; Wine's classes
// root shows only the machine's. Each kind is therefore read in its own key:
// every class key is found once, in the key it lives in, and a record names
// exactly that key. On 64-bit Windows each kind has a 32-bit twin
// (Software\Classes\Wow6432Node) where 32-bit programs registered classes
// (Microsoft: "File Types", "Programmatic Identifiers").
class ClassAreas {
public:
    struct Area {
        HKEY root;
        std::string path; // "Software\Classes", "SOFTWARE\Classes" or a twin below one
    };

    // The class roots to walk: the user's, the machine's, then each one's
    // twin where that is a key of its own, in native terms.
    static std::vector<Area> Walked();

    // True when Classes\<path> (a type's name, "CLSID\{...}",
    // "Applications\<program>") is a key in either kind of classes, in
    // either view. A class registered for 32-bit programs only is
    // registered.
    static bool Registered(const char* path);

    // The classes path of root, as the program spells it.
    static const char* ClassesPath(HKEY root);

    // True when name is a class identifier in registry form:
    // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}, hexadecimal digits.
    static bool IsClassId(const char* name);
};

} // namespace ovra
