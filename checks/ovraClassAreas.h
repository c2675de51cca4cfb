#pragma once

#include "platform/ovraRegText.h"

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
//
// A machine-wide entry may name a class registered for one user only, by an
// installer that wrote both (a per-user shell extension with its overlay or
// handler listed for the machine): the scanning user's classes say nothing
// of the other users'. Such a name is looked up in every user's classes, and
// counts as registered whenever some user's cannot be read (a user who is
// not logged on, or whose keys the scan may not open).
class ClassAreas {
public:
    struct Area {
        HKEY root;
        std::string path; // "Software\Classes", "SOFTWARE\Classes" or a twin below one
    };

    // Finds the class roots to walk and every user's registry.
    ClassAreas();

    // The class roots to walk: the user's, the machine's, then each one's
    // twin where that is a key of its own, in native terms.
    const std::vector<Area>& Walked() const { return m_walked; }

    // True when Classes\<path> (a type's name, "CLSID\{...}",
    // "Applications\<program>") is a key, in either view, in the classes an
    // entry of owner can use: the machine's and the scanning user's for a
    // user's entry; the machine's and every user's for a machine-wide one.
    // A class registered for 32-bit programs only is registered.
    bool Registered(const char* path, RegText::Owner owner) const;

    // True when Classes\<path> is a key, in either view, of some user
    // other than the scanning one, or some user's registry cannot be read.
    bool OtherUserHasClass(const char* path) const;

    // True when path (below a user's root, such as an App Paths entry) is a
    // key of some user other than the scanning one, or some user's registry
    // cannot be read.
    bool OtherUserHas(const char* path) const;

    // The classes path of root, as the program spells it.
    static const char* ClassesPath(HKEY root);

    // True when name is a class identifier in registry form:
    // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}, hexadecimal digits.
    static bool IsClassId(const char* name);

private:
    std::vector<Area> m_walked;
    std::vector<std::string> m_users; // HKEY_USERS\<SID> of every other user's profile whose hive is open to the scan
    bool m_bAllUsers;                 // every profile's hive could be opened
};

} // namespace ovra
