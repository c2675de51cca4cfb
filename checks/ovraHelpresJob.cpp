#include "checks/ovraHelpresJob.h"

namespace ovra {

HelpresJob::HelpresJob()
{
    m_strName = "Help and Resources";
    m_strDescription = "Performs basic check of help and resources on your system.";
    m_nIconId = 108;
}

void HelpresJob::OnRun(JobStatus&, std::vector<JobResult>&)
{
}

} // namespace ovra
