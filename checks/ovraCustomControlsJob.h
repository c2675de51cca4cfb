#pragma once

#include "records/ovraJob.h"

#include <windows.h>

namespace ovra {

class CustomControlsJob : public Job {
public:
    CustomControlsJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;

    void ScanClasses(JobStatus& status, std::vector<JobResult>& results);
    void ScanUserClasses(JobStatus& status, std::vector<JobResult>& results);
    void ScanTypeLibraries(JobStatus& status, std::vector<JobResult>& results);

private:
    // Reports the class name below keyPath (open as classes) when its
    // in-process server is a missing full path on a fixed drive.
    void ReportDeadServer(HKEY classes, HKEY root, const char* keyPath, const char* name, JobStatus& status,
                          std::vector<JobResult>& results);
};

} // namespace ovra
