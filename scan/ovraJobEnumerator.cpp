#include "scan/ovraJobEnumerator.h"

#include "checks/ovraAddRemProgsJob.h"
#include "checks/ovraCustomControlsJob.h"
#include "checks/ovraFileTypesJob.h"
#include "checks/ovraHelpresJob.h"
#include "checks/ovraRegistryIntegrityJob.h"
#include "checks/ovraSharedProgsJob.h"
#include "checks/ovraSoftwareLocationsJob.h"
#include "checks/ovraStartupProgsJob.h"
#include "checks/ovraWindowsFontsJob.h"
#include "platform/ovraAssert.h"
#include "records/ovraEmptyJob.h"

namespace ovra {

JobEnumerator* JobEnumerator::mSingleton = nullptr;

JobEnumerator::JobEnumerator()
{
    OVRA_ASSERT(mSingleton == 0, "ovraJobEnumerator");
    mSingleton = this;

    m_jobs.push_back(new EmptyJob);
    m_jobs.push_back(new RegistryIntegrityJob);
    m_jobs.push_back(new CustomControlsJob);
    m_jobs.push_back(new SoftwareLocationsJob);
    m_jobs.push_back(new WindowsFontsJob);
    m_jobs.push_back(new HelpresJob);
    m_jobs.push_back(new SharedProgsJob);
    m_jobs.push_back(new StartupProgsJob);
    m_jobs.push_back(new AddRemProgsJob);
    m_jobs.push_back(new FileTypesJob);

    for (size_t i = 0; i < m_jobs.size(); ++i)
        m_jobs[i]->m_nId = static_cast<int>(i);
}

JobEnumerator::~JobEnumerator()
{
    for (Job* job : m_jobs)
        delete job;
    m_jobs.clear();
    OVRA_ASSERT(mSingleton == this, "ovraJobEnumerator");
    mSingleton = nullptr;
}

Job* JobEnumerator::Find(int id) const
{
    for (Job* job : m_jobs) {
        if (job->m_nId == id)
            return job;
    }
    return nullptr;
}

} // namespace ovra
