#pragma once

#include "records/ovraJob.h"

namespace ovra {

class AddRemProgsJob : public Job {
public:
    AddRemProgsJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;

    void ScanPrograms(JobStatus& status, std::vector<JobResult>& results);
    void ScanFolders(JobStatus& status, std::vector<JobResult>& results);
};

} // namespace ovra
