#include "checks/ovraAddRemProgsJob.h"

namespace ovra {

AddRemProgsJob::AddRemProgsJob()
{
    m_strName = "Add/Remove Programs";
    m_strDescription = "Powerful invalid program entry search using Ovra Sweepline technology.";
    m_nIconId = 122;
}

void AddRemProgsJob::OnRun(JobStatus&, std::vector<JobResult>&)
{
}

} // namespace ovra
