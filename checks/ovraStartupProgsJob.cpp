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

// Only the machine-wide list is walked. The walk ignores the cancel flag: the
// scan run checks it next.
void StartupProgsJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    for (const std::string& area : RegView::AreaPaths(HKEY_LOCAL_MACHINE, kKeyPath)) {
        const char* keyPath = area.c_str();
        RegWalk::Values(HKEY_LOCAL_MACHINE, keyPath, RegWalk::Data::kTypeAndData, [&](RegValue& value) {
            char expanded[kRegTextSize];
            const char* text = RegText::StringData(value.type, value.data, value.length, expanded);
            // A line is read as Windows starts it; bare program names are left
            // to the shell, which also looks in App Paths.
            if (!text || !CommandLine::Read(text, CommandLine::Kind::kStartup).IsDead())
                return;
            RegWalk::Report(*this, status, results, HKEY_LOCAL_MACHINE, keyPath, value.name, "Value is invalid",
                            keyPath, RegText::Display("%s = %s", value.name, text), kKindValue);
        });
    }
}

} // namespace ovra
