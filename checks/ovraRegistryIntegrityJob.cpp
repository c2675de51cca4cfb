#include "checks/ovraRegistryIntegrityJob.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraRegView.h"
#include "checks/ovraRegWalk.h"

namespace ovra {

namespace {
const char kKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
}

RegistryIntegrityJob::RegistryIntegrityJob()
{
    m_strName = "Registry Integrity";
    m_strDescription = "Performs basic check of registry integrity on your system.";
    m_nIconId = 116;
}

// One value per shell folder, its path as data; an existing folder is live.
// The walk ignores the cancel flag: the scan run checks it next.
void RegistryIntegrityJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    for (const std::string& area : RegView::AreaPaths(HKEY_CURRENT_USER, kKeyPath)) {
        const char* keyPath = area.c_str();
        RegWalk::Values(HKEY_CURRENT_USER, keyPath, RegWalk::Data::kTypeAndData, [&](RegValue& value) {
            char expanded[kRegTextSize];
            const char* text = RegText::StringData(value.type, value.data, value.length, expanded,
                                                        RegText::Owner::kUser);
            if (!text || !FileUtils::IsFullPath(text) || FileUtils::FileExits(text))
                return;
            RegWalk::Report(*this, status, results, HKEY_CURRENT_USER, keyPath, value.name, "Value is invalid.",
                            RegText::Display("HKEY_CURRENT_USER\\%s", keyPath),
                            RegText::Display("%s = %s", value.name, text), kKindValue, value.key);
        });
    }
}

} // namespace ovra
