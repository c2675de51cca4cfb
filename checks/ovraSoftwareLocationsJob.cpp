#include "checks/ovraSoftwareLocationsJob.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraRegView.h"
#include "checks/ovraRegWalk.h"

namespace ovra {

namespace {
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kMuiCacheKey[] = "SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
} // namespace

SoftwareLocationsJob::SoftwareLocationsJob()
{
    m_strName = "Software Locations";
    m_strDescription = "Checks software locations.";
    m_nIconId = 118;
}

// The cancel flag is read once, between the two walks; each walk, once
// begun, runs to its end.
void SoftwareLocationsJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    ScanAppFolders(status, results);
    if (!status.bCancel)
        ScanMRUCache(status, results);
}

// One subkey per program, its path in the default value; a dead one is
// reported as the whole subkey.
void SoftwareLocationsJob::ScanAppFolders(JobStatus& status, std::vector<JobResult>& results)
{
    for (const std::string& area : RegView::AreaPaths(HKEY_LOCAL_MACHINE, kAppPathsKey)) {
        const char* keyPath = area.c_str();
        RegWalk::Subkeys(HKEY_LOCAL_MACHINE, keyPath, nullptr, [&](HKEY parent, const char* name) {
            char data[kRegTextSize];
            char expanded[kRegTextSize];
            const char* path = RegText::DefaultValue(parent, name, data, expanded);
            if (!path || !FileUtils::IsFullPath(path) || FileUtils::FileExits(path))
                return;
            RegWalk::Report(*this, status, results, HKEY_LOCAL_MACHINE, keyPath, name, "Value is invalid",
                            RegText::Display("HKEY_LOCAL_MACHINE\\%s\\%s", keyPath, name),
                            RegText::Display("(Default) = %s", path), kKindKey);
        });
    }
}

// The value names are program paths; the data (the program's display name)
// is only shown.
void SoftwareLocationsJob::ScanMRUCache(JobStatus& status, std::vector<JobResult>& results)
{
    for (const std::string& area : RegView::AreaPaths(HKEY_CURRENT_USER, kMuiCacheKey)) {
        const char* keyPath = area.c_str();
        RegWalk::Values(HKEY_CURRENT_USER, keyPath, RegWalk::Data::kTypeAndData, [&](RegValue& value) {
            if (value.type != REG_SZ)
                return;
            const char* shown = RegText::StringData(REG_SZ, value.data, value.length, nullptr);
            if (!shown || !FileUtils::IsFullPath(value.name) || FileUtils::FileExits(value.name))
                return;
            RegWalk::Report(*this, status, results, HKEY_CURRENT_USER, keyPath, value.name, "Value is invalid",
                            RegText::Display("HKEY_CURRENT_USER\\%s", keyPath),
                            RegText::Display("%s = %s", value.name, shown), kKindValue);
        });
    }
}

} // namespace ovra
