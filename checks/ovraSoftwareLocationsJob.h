#pragma once

#include "records/ovraJob.h"

namespace ovra {

class SoftwareLocationsJob : public Job {
public:
    SoftwareLocationsJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;

    void ScanAppFolders(JobStatus& status, std::vector<JobResult>& results);
    void ScanMRUCache(JobStatus& status, std::vector<JobResult>& results);
    void ScanCompatLists(JobStatus& status, std::vector<JobResult>& results);
};

} // namespace ovra
