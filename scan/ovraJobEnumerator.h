#pragma once

#include "records/ovraJob.h"

#include <vector>

namespace ovra {

// The process-wide catalogue of the scan jobs; a job's id is its index.
class JobEnumerator {
public:
    JobEnumerator();
    ~JobEnumerator();
    JobEnumerator(const JobEnumerator&) = delete;
    JobEnumerator& operator=(const JobEnumerator&) = delete;

    Job* Find(int id) const;

    std::vector<Job*> m_jobs;
    static JobEnumerator* mSingleton;
};

} // namespace ovra
