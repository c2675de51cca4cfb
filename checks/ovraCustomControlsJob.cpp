#include "checks/ovraCustomControlsJob.h"

namespace ovra {

CustomControlsJob::CustomControlsJob()
{
    m_strName = "Custom Controls";
    m_strDescription = "Scans for invalid custom controls which no longer exist on your system.";
    m_nIconId = 117;
}

void CustomControlsJob::OnRun(JobStatus&, std::vector<JobResult>&)
{
}

} // namespace ovra
