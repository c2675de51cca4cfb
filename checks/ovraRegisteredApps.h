#pragma once

#include "records/ovraJob.h"

#include <windows.h>

#include <vector>

namespace ovra {

// Registered applications (Microsoft: "Default Programs"): each value of
// Software\RegisteredApplications, in the machine's and the user's root,
// names the application's Capabilities key below the same root. Such a
// value is dead when that key exists in neither registry view, or lies
// inside an entry this scan reports whole, so that a repair would leave the
// value naming nothing.
class RegisteredApps {
public:
    // results holds what the scan found so far; the checks that run later
    // (file types, uninstall entries) are asked about their entries here.
    static void Report(const Job& job, JobStatus& status, std::vector<JobResult>& results);

    // True when the key path below root is gone for a registration, given
    // the records found so far.
    static bool IsGone(HKEY root, const char* path, const std::vector<JobResult>& found);
};

} // namespace ovra
