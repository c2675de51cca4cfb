#pragma once

#include "records/ovraJob.h"

namespace ovra {

class SharedProgsJob : public Job {
public:
    SharedProgsJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;
};

} // namespace ovra
