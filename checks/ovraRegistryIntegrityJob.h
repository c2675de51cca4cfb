#pragma once

#include "records/ovraJob.h"

namespace ovra {

class RegistryIntegrityJob : public Job {
public:
    RegistryIntegrityJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;
};

} // namespace ovra
