#pragma once

#include <cstdint>

namespace ovra {

// The keys that hold what the checks walk: the roots, every key a check
// walks (the COM classes and type libraries, application paths, uninstall
// entries, installer folders, shared DLLs, startup programs, fonts, help
// files, the shell's program caches, the compatibility lists, the shell
// folders, the classes' Applications and SystemFileAssociations lists, the
// shell objects' verbs and handler lists, the icon overlay identifiers, the
// approved shell extensions, registered applications, sound events), in the
// machine's and the user's SOFTWARE alike, and every key above one of them. No record may delete such a key, however its path is
// spelt: case, doubled or trailing backslashes, the 32-bit twins under
// Wow6432Node, and the classes root seen as HKEY_LOCAL_MACHINE\SOFTWARE\Classes
// (or the user's own classes under HKEY_CURRENT_USER) all name the same
// container.
class ContainerKeys {
public:
    // True when the subkey name of keyPath under root (a record's 32-bit root
    // value) is such a key, or when the path cannot be read as text.
    static bool IsContainer(uint32_t root, const char* keyPath, const char* name);
};

} // namespace ovra
