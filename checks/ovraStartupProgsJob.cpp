#include "checks/ovraStartupProgsJob.h"

namespace ovra {

StartupProgsJob::StartupProgsJob()
{
    m_strName = "Startup Programs";
    m_strDescription = "Performs basic check of registry integrity on your system.";
    m_nIconId = 121;
}

void StartupProgsJob::OnRun(JobStatus&, std::vector<JobResult>&)
{
}

} // namespace ovra
