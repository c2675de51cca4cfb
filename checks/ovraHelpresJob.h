#pragma once

#include "records/ovraJob.h"

namespace ovra {

class HelpresJob : public Job {
public:
    HelpresJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;

    void ScanHelp(JobStatus& status, std::vector<JobResult>& results, const char* keyPath);
    void ScanSoundEvents(JobStatus& status, std::vector<JobResult>& results);
};

} // namespace ovra
