#pragma once

#include "records/ovraJob.h"

namespace ovra {

class StartupProgsJob : public Job {
public:
    StartupProgsJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;
};

} // namespace ovra
