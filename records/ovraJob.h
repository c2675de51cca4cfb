#pragma once

#include "records/ovraJobResult.h"
#include "records/ovraJobStatus.h"

#include <string>
#include <vector>

namespace ovra {

// Base of the scan jobs. A job appends one record per problem it finds and
// counts each in status.nCount; it never touches records already present.
class Job {
public:
    Job();
    virtual ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    virtual void OnRun(JobStatus& status, std::vector<JobResult>& results);

    std::string m_strName;
    std::string m_strDescription;
    int m_nIconId;
    int m_nId;
};

} // namespace ovra
