#pragma once

#include "records/ovraJob.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ovra {

// One key of the classes as the shell reads it: a document type (ProgID), a
// URL protocol (a key with a "URL Protocol" value), an
// Applications\<program> entry, or an extension, SystemFileAssociations
// entry or shell object whose verbs and icon are judged alone. Its
// registrations are its verbs (shell\<verb>\command) and its icon
// (DefaultIcon). Report names the smallest key that holds only dead
// registrations: the whole entry when every registration is dead and it
// holds nothing else the check does not understand, else each dead verb's
// shell\<verb> key and a dead DefaultIcon key (Microsoft: "File Types",
// "Programmatic Identifiers", "Application Registration").
class ClassEntry {
public:
    enum class Kind {
        kType,        // may go whole: a document type or a URL protocol
        kApplication, // may go whole: Applications\<program>
        kPartsOnly,   // only its dead parts go
    };

    // Subkeys the walk looks into, besides the registrations.
    enum Holds : unsigned {
        kShellex = 1,
        kOpenWithProgids = 2,
        kOpenWithList = 4,
        kBackground = 8,
    };

    // The entry name below parentPath (under root); nothing is read yet.
    ClassEntry(HKEY root, const std::string& parentPath, const char* name, Kind kind);

    // How the walk of a class root treats one of its keys: false for the
    // keys it never judges as a type (the Applications and
    // SystemFileAssociations lists, the 32-bit twin, packaged apps' AppX
    // types), else kind is set.
    static bool KindOf(const char* name, Kind& kind);

    // Reads the entry below parent, the open key of parentPath.
    void Read(HKEY parent);

    bool IsWhole() const { return m_bWhole; }
    unsigned Holding() const { return m_nHolds; }
    const std::string& Path() const { return m_strPath; }

    // Appends the entry's records: the whole entry or its dead parts.
    // parent is the key the entry is in, open.
    void Report(const Job& job, JobStatus& status, std::vector<JobResult>& records, HKEY parent) const;

    // True when the key path below root (HKEY_CURRENT_USER or
    // HKEY_LOCAL_MACHINE) lies inside a class entry that a scan reports
    // whole.
    static bool InsideWholeEntry(HKEY root, const char* path);

private:
    struct Part {
        std::string keyPath, name, section, value;
        const char* problem;
    };

    void ListSubkeys(HKEY entry, DWORD count);
    void ReadVerbs(HKEY base, const char* path);
    void ReadIcon(HKEY base, const char* path);
    bool OnlyDescriptiveValues(HKEY entry) const;

    HKEY m_hRoot;
    std::string m_strParent;
    std::string m_strName;
    std::string m_strPath; // parent\name
    Kind m_kind;
    unsigned m_nHolds;
    bool m_bOther, m_bWhole;
    int m_nRegistrations;
    std::vector<Part> m_dead;
};

} // namespace ovra
