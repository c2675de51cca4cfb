#include "checks/ovraSoftwareLocationsJob.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraRegView.h"
#include "checks/ovraRegWalk.h"
#include "checks/ovraRegisteredApps.h"

#include <cstring>
#include <string>

namespace ovra {

namespace {
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kMuiCacheKey[] = "SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
// Vista and later keep the shell's program-name cache here instead.
const char kShellMuiCacheKey[] = "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
const char kLayersKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
const char kAssistantKey[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Store";
const char kProblem[] = "Value is invalid";

// The program path of a Vista cache value: the name before its last dot
// when what follows is one of the two things the shell caches per program.
// Anything else (LangID, resource names, unknown suffixes) has none.
bool CachedProgram(const char* name, std::string& program)
{
    const char* dot = std::strrchr(name, '.');
    if (!dot || name[0] == '@')
        return false;
    if (lstrcmpiA(dot, ".FriendlyAppName") != 0 && lstrcmpiA(dot, ".ApplicationCompany") != 0)
        return false;
    program.assign(name, static_cast<size_t>(dot - name));
    return true;
}

bool IsDead(const char* path)
{
    return path && FileUtils::IsFullPath(path) && !FileUtils::FileExits(path);
}

} // namespace

SoftwareLocationsJob::SoftwareLocationsJob()
{
    m_strName = "Software Locations";
    m_strDescription = "Checks software locations.";
    m_nIconId = 118;
}

// The first three walks run side by side, their records kept as if run one
// after the other in this order; the registered applications come last, as
// they are judged against the records before them. The cancel flag is read
// between the walks, never before the first; each walk, once begun, runs to
// its end.
void SoftwareLocationsJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    RegWalk::SideBySide(status, results, {
        [&](std::vector<JobResult>& records) { ScanAppFolders(status, records); },
        [&](std::vector<JobResult>& records) {
            if (!status.bCancel)
                ScanMRUCache(status, records);
        },
        [&](std::vector<JobResult>& records) {
            if (!status.bCancel)
                ScanCompatLists(status, records);
        },
    });
    if (!status.bCancel)
        RegisteredApps::Report(*this, status, results);
}

// One subkey per program, its path in the default value; a dead one is
// reported as the whole subkey. The machine's list, then the user's own.
void SoftwareLocationsJob::ScanAppFolders(JobStatus& status, std::vector<JobResult>& results)
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::string& area : RegView::AreaPaths(root, kAppPathsKey)) {
            const char* keyPath = area.c_str();
            RegWalk::Subkeys(root, keyPath, nullptr, [&](HKEY parent, const char* name) {
                char data[kRegTextSize];
                char expanded[kRegTextSize];
                const char* path = RegText::DefaultValue(parent, name, data, expanded, RegText::OwnerOf(root));
                if (!IsDead(path))
                    return;
                RegWalk::Report(*this, status, results, root, keyPath, name, kProblem,
                                RegText::Display("%s\\%s\\%s", RegWalk::RootName(root), keyPath, name),
                                RegText::Display("(Default) = %s", path), kKindKey, parent);
            });
        }
    }
}

// The value names are program paths; the data (the program's display name)
// is only shown. The XP cache names the program whole; the Vista cache keeps
// two values per program, each reported on its own.
void SoftwareLocationsJob::ScanMRUCache(JobStatus& status, std::vector<JobResult>& results)
{
    for (const char* cacheKey : {kMuiCacheKey, kShellMuiCacheKey}) {
        const bool perValue = cacheKey == kShellMuiCacheKey;
        for (const std::string& area : RegView::AreaPaths(HKEY_CURRENT_USER, cacheKey)) {
            const char* keyPath = area.c_str();
            const std::string section = RegWalk::Section(HKEY_CURRENT_USER, keyPath);
            RegWalk::SplitValues(HKEY_CURRENT_USER, keyPath, RegWalk::Data::kTypeAndData, status, results,
                                 [&](RegValue& value, std::vector<JobResult>& records) {
                if (value.type != REG_SZ)
                    return;
                std::string program(value.name);
                if (perValue && !CachedProgram(value.name, program))
                    return;
                const char* shown = RegText::StringData(REG_SZ, value.data, value.length, nullptr,
                                                                 RegText::Owner::kUser);
                if (!shown || !IsDead(program.c_str()))
                    return;
                RegWalk::Report(*this, status, records, HKEY_CURRENT_USER, keyPath, value.name, kProblem, section,
                                RegText::Display("%s = %s", value.name, shown), kKindValue, value.key);
            });
        }
    }
}

// The compatibility layers (user and machine) and the Program Compatibility
// Assistant keep one value per program, named by its path; the data (layer
// flags, or the assistant's binary record) is never judged. Names that are
// not full paths (the layers' SIGN.MEDIA=... entries) are not judged.
void SoftwareLocationsJob::ScanCompatLists(JobStatus& status, std::vector<JobResult>& results)
{
    const struct {
        HKEY root;
        const char* path;
    } kLists[] = {{HKEY_CURRENT_USER, kLayersKey}, {HKEY_LOCAL_MACHINE, kLayersKey}, {HKEY_CURRENT_USER, kAssistantKey}};
    for (const auto& list : kLists) {
        for (const std::string& area : RegView::AreaPaths(list.root, list.path)) {
            const char* keyPath = area.c_str();
            const std::string section = RegWalk::Section(list.root, keyPath);
            // The assistant's records may be larger than the data buffer:
            // only the names are read there.
            const bool shown = list.path == kLayersKey;
            const RegWalk::Data what = shown ? RegWalk::Data::kTypeAndData : RegWalk::Data::kNone;
            RegWalk::SplitValues(list.root, keyPath, what, status, results,
                                 [&](RegValue& value, std::vector<JobResult>& records) {
                if (!IsDead(value.name))
                    return;
                const char* flags =
                    shown && value.type == REG_SZ ? RegText::StringData(REG_SZ, value.data, value.length, nullptr,
                                                                                      RegText::OwnerOf(list.root))
                                                  : nullptr;
                RegWalk::Report(*this, status, records, list.root, keyPath, value.name, kProblem, section,
                                flags ? RegText::Display("%s = %s", value.name, flags) : std::string(value.name),
                                kKindValue, value.key);
            });
        }
    }
}

} // namespace ovra
