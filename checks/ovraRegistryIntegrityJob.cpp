#include "checks/ovraRegistryIntegrityJob.h"

namespace ovra {

RegistryIntegrityJob::RegistryIntegrityJob()
{
    m_strName = "Registry Integrity";
    m_strDescription = "Performs basic check of registry integrity on your system.";
    m_nIconId = 116;
}

void RegistryIntegrityJob::OnRun(JobStatus&, std::vector<JobResult>&)
{
}

} // namespace ovra
