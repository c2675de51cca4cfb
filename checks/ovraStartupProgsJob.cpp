#include "checks/ovraStartupProgsJob.h"

#include "platform/ovraRegView.h"
#include "checks/ovraCommandLine.h"
#include "checks/ovraRegWalk.h"

#include <string>

namespace ovra {

namespace {

const char kKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

} // namespace

StartupProgsJob::StartupProgsJob()
{
    m_strName = "Startup Programs";
    m_strDescription = "Performs basic check of registry integrity on your system.";
    m_nIconId = 121;
}

// The machine-wide list and, since installers that run without elevation
// write there, the user's own. The walk ignores the cancel flag: the scan
// run checks it next.
void StartupProgsJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::string& area : RegView::AreaPaths(root, kKeyPath)) {
            const char* keyPath = area.c_str();
            // The machine's list is shown by its key path alone, as it always
            // was; the user's list, a key of the same name, with its root.
            const std::string section = root == HKEY_LOCAL_MACHINE ? area : RegWalk::Section(root, keyPath);
            RegWalk::Values(root, keyPath, RegWalk::Data::kTypeAndData, [&](RegValue& value) {
                char expanded[kRegTextSize];
                const char* text = RegText::StringData(value.type, value.data, value.length, expanded,
                                                        RegText::OwnerOf(root));
                // A line is read as Windows starts it; bare program names are
                // left to the shell, which also looks in App Paths.
                if (!text || !CommandLine::Read(text, CommandLine::Kind::kStartup).IsDead())
                    return;
                RegWalk::Report(*this, status, results, root, keyPath, value.name, "Value is invalid", section,
                                RegText::Display("%s = %s", value.name, text), kKindValue, value.key);
            });
        }
    }
}

} // namespace ovra
