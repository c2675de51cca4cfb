#pragma once

#include "records/ovraJob.h"

namespace ovra {

class WindowsFontsJob : public Job {
public:
    WindowsFontsJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;

    // Scans one view of the font list.
    void ScanKey(JobStatus& status, std::vector<JobResult>& results, const char* keyPath);
};

} // namespace ovra
