#include "checks/ovraWindowsFontsJob.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraFileUtils.h"
#include "platform/ovraRegView.h"
#include "checks/ovraRegWalk.h"

#include <cstring>

namespace ovra {

namespace {

const char kKeyPath[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

bool IsSlash(char c)
{
    return c == '\\' || c == '/';
}

// A font file text names a file inside the fonts folder only as a bare name
// or a relative path. A UNC path, a path on a drive of another kind (or one
// relative to a drive's current folder) and a quoted path name something
// else, which the fonts folder can never hold: such texts are not judged.
bool NamesAnotherPlace(const char* text)
{
    if (IsSlash(text[0]) && IsSlash(text[1]))
        return true;
    return std::strchr(text, ':') != nullptr || std::strchr(text, '"') != nullptr;
}

// Resolves a font file name inside the Windows directory's FONTS folder,
// with exactly one backslash before FONTS. False when it cannot be resolved
// or does not fit.
bool InFontsFolder(const char* text, char* resolved)
{
    const UINT length = GetWindowsDirectoryA(resolved, kRegTextSize);
    if (length == 0 || length >= kRegTextSize)
        return false;
    const UINT end = CodePage::EndsWithBackslash(resolved) ? length - 1 : length;
    char folder[kRegTextSize];
    std::memcpy(folder, resolved, end);
    folder[end] = '\0';
    return RegText::Compose(resolved, "%s\\FONTS\\%s", folder, text);
}

} // namespace

WindowsFontsJob::WindowsFontsJob()
{
    m_strName = "Windows Fonts";
    m_strDescription = "Scans for old records in Windows fonts.";
    m_nIconId = 119;
}

// Each value maps a font's display name to its file; a name that is not a
// full path means a file in the fonts folder. The walk ignores the cancel
// flag: the scan run checks it next.
void WindowsFontsJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    for (const std::string& area : RegView::AreaPaths(HKEY_LOCAL_MACHINE, kKeyPath))
        ScanKey(status, results, area.c_str());
}

void WindowsFontsJob::ScanKey(JobStatus& status, std::vector<JobResult>& results, const char* keyPath)
{
    RegWalk::SplitValues(HKEY_LOCAL_MACHINE, keyPath, RegWalk::Data::kTypeAndData, status, results,
                         [&](RegValue& value, std::vector<JobResult>& records) {
        char expanded[kRegTextSize];
        const char* text = RegText::StringData(value.type, value.data, value.length, expanded,
                                                    RegText::Owner::kMachine);
        if (!text)
            return;
        char resolved[kRegTextSize];
        const char* path = text;
        if (!FileUtils::IsFullPath(text)) {
            if (NamesAnotherPlace(text) || !InFontsFolder(text, resolved) || !FileUtils::IsFullPath(resolved))
                return;
            path = resolved;
        }
        if (FileUtils::FileExits(path))
            return;
        RegWalk::Report(*this, status, records, HKEY_LOCAL_MACHINE, keyPath, value.name, "Font item is invalid",
                        RegText::Display("HKEY_LOCAL_MACHINE\\%s", keyPath),
                        RegText::Display("%s = %s", value.name, text), kKindValue, value.key);
    });
}

} // namespace ovra
