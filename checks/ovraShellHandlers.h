#pragma once

#include "records/ovraJob.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ovra {

class ClassAreas;

// Shell extension handlers (Microsoft: "Registering Shell Extension
// Handlers"). A handler in one of the lists below a key's shellex key names
// its class in its default value, or by its own key name; so do the
// machine's icon overlay identifiers. The approved list names classes by
// its value names. A handler is dead when its class is registered in
// neither kind of classes and in neither view; a class registered for
// 32-bit programs only is live. A name or default value that is no class
// identifier ("--{...}", a word) is not judged.
class ShellHandlers {
public:
    // The five handler lists below entryPath\shellex.
    static void ReportLists(const Job& job, JobStatus& status, std::vector<JobResult>& records,
                            const ClassAreas& areas, HKEY root, const std::string& entryPath);

    // The machine's ShellIconOverlayIdentifiers, and the approved lists of
    // the machine and the user.
    static void ReportMachineLists(const Job& job, JobStatus& status, std::vector<JobResult>& records,
                                   const ClassAreas& areas);

private:
    // Each handler key below list: reported whole when its class is gone.
    static void ReportHandlers(const Job& job, JobStatus& status, std::vector<JobResult>& records,
                               const ClassAreas& areas, HKEY root, const std::string& list);
};

} // namespace ovra
