#pragma once

#include "records/ovraJob.h"

namespace ovra {

class CustomControlsJob : public Job {
public:
    CustomControlsJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;
};

} // namespace ovra
