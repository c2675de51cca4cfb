#pragma once

#include "platform/ovraCriticalSection.h"
#include "platform/ovraRegText.h"
#include "records/ovraJob.h"

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ovra {

class ClassAreas;

// The Open With lists of one extension (Microsoft: "File Types",
// "Application Registration"). OpenWithProgids names document types by its
// value names; OpenWithList names programs, by subkeys (older installers) or
// by value names (NSIS writes them with WriteRegNone). The extension's own
// default value and everything under Explorer\FileExts are never judged:
// Windows ignores a default that names no type, and the user's choices
// there are protected by a hash that a wrong change resets. A list entry
// whose type or program the same scan reports whole is dead too: the
// repair would leave it naming nothing.
class OpenWith {
public:
    // What the scan found of the Applications entries or the types, by
    // folded name.
    struct Entries {
        std::set<std::string> seen; // walked
        std::set<std::string> live; // walked and not reported whole
    };

    OpenWith(const ClassAreas& areas, const Entries& applications);

    // The lists below extension (the key path of ".ext" under root). The
    // types OpenWithProgids names are kept for ReportProgIds: only once the
    // classes are walked is it known which exist and which the scan reports
    // whole.
    void Report(const Job& job, JobStatus& status, std::vector<JobResult>& records, HKEY root,
                const std::string& extension, unsigned holds);

    // The OpenWithProgids values kept by Report whose type exists in
    // neither kind of classes, in neither view, or is reported whole
    // wherever the walk saw it, in key order. types: every key the walk of
    // the class roots saw, and those it did not report whole.
    void ReportProgIds(const Job& job, JobStatus& status, std::vector<JobResult>& results, const Entries& types);

    // True when an OpenWithList name resolves to a live program: an
    // Applications entry this scan keeps, an App Paths entry whose program
    // is not missing, or the system's search order, which answers "found"
    // whenever a place it would search could not be searched. A
    // machine-wide list's program may also be any user's.
    bool ProgramLives(const char* name, RegText::Owner owner);

    // The name folded as the registry compares names.
    static std::string Folded(const char* name);

private:
    void ReportPrograms(const Job& job, JobStatus& status, std::vector<JobResult>& records, HKEY root,
                        const std::string& list);
    bool Resolves(const char* name, const std::string& folded, RegText::Owner owner) const;

    bool HasLiveAppPath(const char* name) const;

    struct AppPaths {
        HKEY root;
        std::string path;
    };
    struct Named {
        HKEY root;
        std::string list, name;
    };
    void ReportProgIds(const Job& job, JobStatus& status, std::vector<JobResult>& records, HKEY root,
                       const std::string& list);
    const ClassAreas& m_areas;
    const Entries& m_applications;
    std::vector<AppPaths> m_appPaths; // both roots, both views
    CriticalSection m_lock;           // guards m_named and m_programs: extensions are walked side by side
    std::vector<Named> m_named;       // OpenWithProgids values, judged after the walk
    std::map<std::pair<std::string, RegText::Owner>, bool> m_programs; // ProgramLives answers, by folded name and owner
};

} // namespace ovra
