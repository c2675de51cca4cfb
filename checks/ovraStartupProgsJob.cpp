#include "checks/ovraStartupProgsJob.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraRegView.h"
#include "checks/ovraRegWalk.h"

#include <cctype>
#include <string>

namespace ovra {

namespace {

const char kKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsExeAt(const char* text)
{
    static const char kExe[] = ".exe";
    for (int i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != kExe[i])
            return false;
    return true;
}

// A startup line is a program followed by its arguments. When the whole line
// is not a file, the program is the text up to the first ".exe" that a blank
// follows; if that exists the entry is live.
bool ProgramBeforeArgumentsExists(const char* text)
{
    for (const char* at = text; *at; ++at) {
        if (!IsExeAt(at) || !IsBlank(at[4]))
            continue;
        const std::string program(text, static_cast<size_t>(at + 4 - text));
        return FileUtils::IsFullPath(program.c_str()) && FileUtils::FileExits(program.c_str());
    }
    return false;
}

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
                const char* text = RegText::StringData(value.type, value.data, value.length, expanded);
                if (!text || !FileUtils::IsFullPath(text) || FileUtils::FileExits(text) ||
                    ProgramBeforeArgumentsExists(text))
                    return;
                RegWalk::Report(*this, status, results, root, keyPath, value.name, "Value is invalid", section,
                                RegText::Display("%s = %s", value.name, text), kKindValue);
            });
        }
    }
}

} // namespace ovra
