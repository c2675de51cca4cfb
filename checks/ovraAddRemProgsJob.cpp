#include "checks/ovraAddRemProgsJob.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegView.h"
#include "checks/ovraRegWalk.h"
#include "checks/ovraSweepline.h"

#include <windows.h>

namespace ovra {

namespace {

const char kUninstallPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kFoldersPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
const char kProblem[] = "Add/Remove item is invalid";

} // namespace

AddRemProgsJob::AddRemProgsJob()
{
    m_strName = "Add/Remove Programs";
    m_strDescription = "Powerful invalid program entry search using Ovra Sweepline technology.";
    m_nIconId = 122;
}

void AddRemProgsJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    // The installer's folder list is walked beside the programs; its
    // records follow theirs, unless a cancel cut the programs' walk short.
    RegWalk::SideBySide(status, results, {
        [&](std::vector<JobResult>& records) { ScanPrograms(status, records); },
        [&](std::vector<JobResult>& records) {
            if (!status.bCancel)
                ScanFolders(status, records);
        },
    });
}

// The machine's entries, then the user's own, which installers that run
// without elevation write. The cancel flag is read before every entry.
void AddRemProgsJob::ScanPrograms(JobStatus& status, std::vector<JobResult>& results)
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::string& area : RegView::AreaPaths(root, kUninstallPath)) {
            const char* keyPath = area.c_str();
            // The machine's list is shown by its key path alone, as it always
            // was; the user's list, a key of the same name, with its root.
            const std::string section = root == HKEY_LOCAL_MACHINE ? area : RegWalk::Section(root, keyPath);
            RegWalk::SplitSubkeys(root, keyPath, status, results, [&](HKEY uninstall, const char* name,
                                                                      std::vector<JobResult>& records) {
                std::string command;
                if (!IsDeadEntry(uninstall, name, root, command))
                    return;
                // The shown text is cut to its buffer when name and command together
                // do not fit; the record itself names the entry in full.
                RegWalk::Report(*this, status, records, root, keyPath, name, kProblem, section,
                                RegText::Display("%s = %s", name, command.c_str()), kKindKey, uninstall);
            });
        }
    }
}

bool AddRemProgsJob::IsDeadEntry(HKEY uninstall, const char* name, HKEY root, std::string& command)
{
    char data[kRegTextSize];
    char expanded[kRegTextSize];
    RegKey entry;
    if (!entry.Open(uninstall, name, KEY_READ))
        return false;
    // Text that does not fit, that the code page cannot hold exactly, or an
    // expansion that would be cut, is not judged: it names another file.
    const char* text = RegText::QueryString(entry.Get(), "UninstallString", data, expanded, RegText::OwnerOf(root));
    entry.Close();
    if (!text || !IsSuspiciousUninstallString(text))
        return false;
    command = text;
    return true;
}

// Once begun, this walk is short and always finishes.
void AddRemProgsJob::ScanFolders(JobStatus& status, std::vector<JobResult>& results)
{
    for (const std::string& area : RegView::AreaPaths(HKEY_LOCAL_MACHINE, kFoldersPath)) {
        const char* keyPath = area.c_str();
        RegWalk::Values(HKEY_LOCAL_MACHINE, keyPath, RegWalk::Data::kNone, [&](RegValue& value) {
            if (!FileUtils::IsFullPath(value.name) || FileUtils::FileExits(value.name))
                return;
            RegWalk::Report(*this, status, results, HKEY_LOCAL_MACHINE, keyPath, value.name, kProblem, keyPath,
                            value.name, kKindValue, value.key);
        });
    }
}

} // namespace ovra
