#include "checks/ovraSharedProgsJob.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraRegView.h"
#include "checks/ovraRegWalk.h"

namespace ovra {

namespace {
const char kKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
}

SharedProgsJob::SharedProgsJob()
{
    m_strName = "Shared Programs";
    m_strDescription = "Finds the shared files that no longer exist on your computer.";
    m_nIconId = 120;
}

// Each value is named after a shared file; its data (a use count) is never
// read. The walk ignores the cancel flag: the scan run checks it next.
void SharedProgsJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    for (const std::string& area : RegView::AreaPaths(HKEY_LOCAL_MACHINE, kKeyPath)) {
        const char* keyPath = area.c_str();
        RegWalk::SplitValues(HKEY_LOCAL_MACHINE, keyPath, RegWalk::Data::kNone, status, results,
                             [&](RegValue& value, std::vector<JobResult>& records) {
            if (!FileUtils::IsFullPath(value.name) || FileUtils::FileExits(value.name))
                return;
            RegWalk::Report(*this, status, records, HKEY_LOCAL_MACHINE, keyPath, value.name, "Value is invalid",
                            keyPath, value.name, kKindValue, value.key);
        });
    }
}

} // namespace ovra
