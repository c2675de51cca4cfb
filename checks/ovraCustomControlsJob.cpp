#include "checks/ovraCustomControlsJob.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegView.h"
#include "checks/ovraLocalServer.h"
#include "checks/ovraRegWalk.h"
#include "checks/ovraTypeLibVersion.h"

#include <set>
#include <string>

namespace ovra {

namespace {

const char kKeyPath[] = "CLSID";
const char kUserClasses[] = "Software\\Classes\\";
const char kMachineClasses[] = "SOFTWARE\\Classes\\";
const char kTypeLibPath[] = "TypeLib";
const char kProblem[] = "Custom control is invalid";

std::string Folded(const char* name)
{
    std::string text(name);
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

CustomControlsJob::CustomControlsJob()
{
    m_strName = "Custom Controls";
    m_strDescription = "Scans for invalid custom controls which no longer exist on your system.";
    m_nIconId = 117;
}

// The machine's classes, the user's own, then the type libraries. Each walk
// reads the cancel flag before each entry.
void CustomControlsJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    ScanClasses(status, results);
    ScanUserClasses(status, results);
    ScanTypeLibraries(status, results);
}

// A class whose in-process server library is gone is reported as a whole
// key, in the key it was found in. The classes root of Windows merges the
// user's classes over the machine's: a class the user has a key of is
// judged by the machine's own key (if any) here and by the user's key in
// ScanUserClasses, so that each key is found once, and a repair never
// removes the one through the other's name. Wine does not merge; the same
// rule finds the same keys there.
void CustomControlsJob::ScanClasses(JobStatus& status, std::vector<JobResult>& results)
{
    for (const std::string& area : RegView::AreaPaths(HKEY_CLASSES_ROOT, kKeyPath)) {
        std::set<std::string> userClasses;
        const std::string userArea = kUserClasses + area;
        RegWalk::Subkeys(HKEY_CURRENT_USER, userArea.c_str(), &status.bCancel,
                         [&](HKEY, const char* name) { userClasses.insert(Folded(name)); });
        const std::string machineArea = kMachineClasses + area;
        RegKey machine;
        if (!userClasses.empty())
            machine.Open(HKEY_LOCAL_MACHINE, machineArea.c_str(), KEY_READ);
        RegWalk::SplitSubkeys(HKEY_CLASSES_ROOT, area.c_str(), status, results,
                              [&](HKEY classes, const char* name, std::vector<JobResult>& records) {
                                  if (!userClasses.count(Folded(name)))
                                      ReportDeadServer(classes, HKEY_CLASSES_ROOT, area.c_str(), name, status, records);
                                  else if (machine)
                                      ReportDeadServer(machine.Get(), HKEY_LOCAL_MACHINE, machineArea.c_str(), name,
                                                       status, records);
                              });
    }
}

// Classes registered for the user alone, by installers that run without
// elevation.
void CustomControlsJob::ScanUserClasses(JobStatus& status, std::vector<JobResult>& results)
{
    const std::string path = std::string(kUserClasses) + kKeyPath;
    for (const std::string& area : RegView::AreaPaths(HKEY_CURRENT_USER, path.c_str()))
        RegWalk::SplitSubkeys(HKEY_CURRENT_USER, area.c_str(), status, results,
                              [&](HKEY classes, const char* name, std::vector<JobResult>& records) {
                                  ReportDeadServer(classes, HKEY_CURRENT_USER, area.c_str(), name, status, records);
                              });
}

void CustomControlsJob::ReportDeadServer(HKEY classes, HKEY root, const char* keyPath, const char* name,
                                         JobStatus& status, std::vector<JobResult>& results)
{
    char serverKey[kRegTextSize];
    if (!RegText::Compose(serverKey, "%s\\InprocServer32", name))
        return;
    char data[kRegTextSize];
    char expanded[kRegTextSize];
    const char* path = RegText::DefaultValue(classes, serverKey, data, expanded, RegText::OwnerOf(root));
    if (!path || !FileUtils::IsFullPath(path) || FileUtils::FileExits(path))
        return;
    const std::string section = RegWalk::Section(root, RegText::Display("%s\\%s", keyPath, serverKey).c_str());
    const std::string value = RegText::Display("(Default) = %s", path);
    // A class whose own key cannot be read is not judged: what it holds is
    // unknown. Once open, the key is asked all that follows.
    RegKey classKey;
    if (!classKey.Open(classes, name, KEY_READ))
        return;
    // A class that a program or a service still serves loses only its dead
    // library's key; deleting the class would break the working server.
    if (LocalServer::MayServe(classKey.Get(), root, keyPath)) {
        // Named as the key spells itself, so a restore brings back the same
        // name.
        std::string spelt;
        RegWalk::Subkeys(classes, name, nullptr, [&](HKEY, const char* subkey) {
            if (lstrcmpiA(subkey, "InprocServer32") == 0)
                spelt = subkey;
        });
        char classPath[kRegTextSize];
        if (!spelt.empty() && RegText::Compose(classPath, "%s\\%s", keyPath, name))
            RegWalk::Report(*this, status, results, root, classPath, spelt.c_str(), kProblem, section, value, kKindKey,
                            classKey.Get());
        return;
    }
    RegWalk::Report(*this, status, results, root, keyPath, name, kProblem, section, value, kKindKey, classes,
                    classKey.Get());
}

// The smallest key that holds only dead registrations: the library's key
// when every version is dead, else each dead version's key. The TypeLib key
// itself is never reported.
void CustomControlsJob::ScanTypeLibraries(JobStatus& status, std::vector<JobResult>& results)
{
    for (const std::string& area : RegView::AreaPaths(HKEY_CLASSES_ROOT, kTypeLibPath)) {
        RegWalk::SplitSubkeys(HKEY_CLASSES_ROOT, area.c_str(), status, results, [&](HKEY typeLib, const char* library,
                                                                                    std::vector<JobResult>& records) {
            struct Dead {
                std::string version, registration, path;
            };
            std::vector<Dead> dead;
            int versions = 0;
            RegWalk::Subkeys(typeLib, library, nullptr, [&](HKEY libraryKey, const char* version) {
                ++versions;
                Dead found{version, std::string(), std::string()};
                if (TypeLibVersion::IsDead(libraryKey, version, found.registration, found.path))
                    dead.push_back(found);
            });
            char libraryPath[kRegTextSize];
            if (dead.empty() || !RegText::Compose(libraryPath, "%s\\%s", area.c_str(), library))
                return;
            const bool whole = static_cast<int>(dead.size()) == versions;
            for (const Dead& version : dead) {
                const std::string section = RegWalk::Section(
                    HKEY_CLASSES_ROOT,
                    RegText::Display("%s\\%s\\%s", libraryPath, version.version.c_str(), version.registration.c_str())
                        .c_str());
                RegWalk::Report(*this, status, records, HKEY_CLASSES_ROOT, whole ? area.c_str() : libraryPath,
                                whole ? library : version.version.c_str(), kProblem, section,
                                RegText::Display("(Default) = %s", version.path.c_str()), kKindKey,
                                whole ? typeLib : nullptr);
                if (whole)
                    break;
            }
        });
    }
}

} // namespace ovra
