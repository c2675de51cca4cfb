#include "checks/ovraRegisteredApps.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraPathViews.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegView.h"
#include "checks/ovraAddRemProgsJob.h"
#include "checks/ovraClassEntry.h"
#include "checks/ovraRegWalk.h"

#include <cstring>
#include <string>
#include <string_view>

namespace ovra {

namespace {

const char kKeyPath[] = "Software\\RegisteredApplications";
const char kUninstallPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// path is prefix itself or a key below it, ASCII letters compared without
// case as the registry does.
bool Below(std::string_view path, std::string_view prefix)
{
    if (path.size() < prefix.size() || (path.size() > prefix.size() && path[prefix.size()] != '\\'))
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (CodePage::FoldAscii(path[i]) != CodePage::FoldAscii(prefix[i]))
            return false;
    return true;
}

bool KeyExists(HKEY root, const char* path)
{
    return RegKey::Exists(root, path, KEY_READ) ||
           (PathViews::TwoViews() && RegKey::Exists(root, path, KEY_READ | KEY_WOW64_32KEY));
}

// True when the key a record names whole holds path below root; the
// classes root is the machine's classes.
bool RecordHolds(const JobResult& record, HKEY root, std::string_view path)
{
    if (record.nKind != kKindKey)
        return false;
    if (record.hRoot == RegWalk::RootValue(HKEY_CLASSES_ROOT)) {
        const std::string_view classes = "SOFTWARE\\Classes";
        if (root != HKEY_LOCAL_MACHINE || !Below(path, classes) || path.size() == classes.size())
            return false;
        path.remove_prefix(classes.size() + 1);
    } else if (record.hRoot != RegWalk::RootValue(root)) {
        return false;
    }
    if (!Below(path, record.sKeyPath) || path.size() == record.sKeyPath.size())
        return false;
    path.remove_prefix(record.sKeyPath.size() + 1);
    return Below(path, record.sName);
}

// An uninstall entry that holds path and that the scan reports whole.
bool InsideDeadUninstallEntry(HKEY root, const char* path)
{
    const std::string prefix(kUninstallPath);
    if (!Below(path, prefix.substr(0, prefix.size() - 1)) || std::strlen(path) <= prefix.size())
        return false;
    const char* name = path + prefix.size();
    const char* end = std::strchr(name, '\\');
    const std::string entry(name, end ? static_cast<size_t>(end - name) : std::strlen(name));
    RegKey uninstall;
    std::string command;
    return uninstall.Open(root, prefix.substr(0, prefix.size() - 1).c_str(), KEY_READ) &&
           AddRemProgsJob::IsDeadEntry(uninstall.Get(), entry.c_str(), root, command);
}

} // namespace

bool RegisteredApps::IsGone(HKEY root, const char* path, const std::vector<JobResult>& found)
{
    if (!KeyExists(root, path))
        return true;
    for (const JobResult& record : found)
        if (RecordHolds(record, root, path))
            return true;
    return ClassEntry::InsideWholeEntry(root, path) || InsideDeadUninstallEntry(root, path);
}

void RegisteredApps::Report(const Job& job, JobStatus& status, std::vector<JobResult>& results)
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::string& area : RegView::AreaPaths(root, kKeyPath)) {
            const std::string section = RegWalk::Section(root, area.c_str());
            RegWalk::Values(root, area.c_str(), RegWalk::Data::kTypeAndData, [&](RegValue& value) {
                char expanded[kRegTextSize];
                const char* path =
                    RegText::StringData(value.type, value.data, value.length, expanded, RegText::OwnerOf(root));
                // A path from the root is what Windows reads; another form
                // ("\...", "HKEY_...\...") is not judged.
                if (!path || !*path || *path == '\\' || std::strncmp(path, "HKEY_", 5) == 0 ||
                    !IsGone(root, path, results))
                    return;
                RegWalk::Report(job, status, results, root, area.c_str(), value.name,
                                "Registered application is invalid", section,
                                RegText::Display("%s = %s", value.name, path), kKindValue, value.key);
            });
        }
    }
}

} // namespace ovra
