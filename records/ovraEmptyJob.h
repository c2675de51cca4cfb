#pragma once

#include "records/ovraJob.h"

namespace ovra {

// "My Computer": stands for all sections together and finds nothing itself.
class EmptyJob : public Job {
public:
    EmptyJob()
    {
        m_strName = "My Computer";
        m_strDescription = "Scans all registry parts on your computer.";
    }
};

} // namespace ovra
