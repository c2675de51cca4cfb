#pragma once

#include "scan/ovraJob.h"

namespace ovra {

class WindowsFontsJob : public Job {
public:
    WindowsFontsJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;
};

} // namespace ovra
