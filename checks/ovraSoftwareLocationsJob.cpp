#include "checks/ovraSoftwareLocationsJob.h"

namespace ovra {

SoftwareLocationsJob::SoftwareLocationsJob()
{
    m_strName = "Software Locations";
    m_strDescription = "Checks software locations.";
    m_nIconId = 118;
}

void SoftwareLocationsJob::OnRun(JobStatus&, std::vector<JobResult>&)
{
}

} // namespace ovra
