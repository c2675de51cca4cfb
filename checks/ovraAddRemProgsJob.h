#pragma once

#include "records/ovraJob.h"

#include <windows.h>

#include <string>

namespace ovra {

class AddRemProgsJob : public Job {
public:
    AddRemProgsJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;

    void ScanPrograms(JobStatus& status, std::vector<JobResult>& results);
    void ScanFolders(JobStatus& status, std::vector<JobResult>& results);

    // True when the uninstall entry name below uninstall (an open Uninstall
    // key of root) is reported whole: its uninstall command needs a file
    // that is gone. command receives the command's text.
    static bool IsDeadEntry(HKEY uninstall, const char* name, HKEY root, std::string& command);
};

} // namespace ovra
