#include "records/ovraJob.h"

namespace ovra {

Job::Job()
    : m_strName("Default Job"), m_strDescription("Performs default action"), m_nIconId(107), m_nId(-1)
{
}

Job::~Job() = default;

void Job::OnRun(JobStatus&, std::vector<JobResult>&)
{
}

} // namespace ovra
