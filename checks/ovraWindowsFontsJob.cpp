#include "checks/ovraWindowsFontsJob.h"

namespace ovra {

WindowsFontsJob::WindowsFontsJob()
{
    m_strName = "Windows Fonts";
    m_strDescription = "Scans for old records in Windows fonts.";
    m_nIconId = 119;
}

void WindowsFontsJob::OnRun(JobStatus&, std::vector<JobResult>&)
{
}

} // namespace ovra
