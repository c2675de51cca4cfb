#include "checks/ovraCustomControlsJob.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraRegView.h"
#include "checks/ovraRegWalk.h"

namespace ovra {

namespace {
const char kKeyPath[] = "CLSID";
}

CustomControlsJob::CustomControlsJob()
{
    m_strName = "Custom Controls";
    m_strDescription = "Scans for invalid custom controls which no longer exist on your system.";
    m_nIconId = 117;
}

// A class whose in-process server library is gone is reported as a whole
// key. The walk reads the cancel flag before each class.
void CustomControlsJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    for (const std::string& area : RegView::AreaPaths(HKEY_CLASSES_ROOT, kKeyPath)) {
        const char* keyPath = area.c_str();
        RegWalk::Subkeys(HKEY_CLASSES_ROOT, keyPath, &status.bCancel, [&](HKEY, const char* name) {
            char serverKeyPath[kRegTextSize];
            if (!RegText::Compose(serverKeyPath, "%s\\%s\\InprocServer32", keyPath, name))
                return;
            char data[kRegTextSize];
            char expanded[kRegTextSize];
            const char* path = RegText::DefaultValue(HKEY_CLASSES_ROOT, serverKeyPath, data, expanded);
            if (!path || !FileUtils::IsFullPath(path) || FileUtils::FileExits(path))
                return;
            RegWalk::Report(*this, status, results, HKEY_CLASSES_ROOT, keyPath, name, "Custom control is invalid",
                            RegText::Display("HKEY_CLASSES_ROOT\\%s", serverKeyPath),
                            RegText::Display("(Default) = %s", path), kKindKey);
        });
    }
}

} // namespace ovra
