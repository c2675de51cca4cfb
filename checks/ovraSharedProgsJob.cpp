#include "checks/ovraSharedProgsJob.h"

namespace ovra {

SharedProgsJob::SharedProgsJob()
{
    m_strName = "Shared Programs";
    m_strDescription = "Finds the shared files that no longer exist on your computer.";
    m_nIconId = 120;
}

void SharedProgsJob::OnRun(JobStatus&, std::vector<JobResult>&)
{
}

} // namespace ovra
