#include "checks/ovraWindowsFontsJob.h"

#include "checks/ovraFileUtils.h"
#include "checks/ovraRegWalk.h"

#include <cctype>
#include <cstring>

namespace ovra {

namespace {

const char kKeyPath[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

bool IsSlash(char c)
{
    return c == '\\' || c == '/';
}

// A drive-letter path that is not a full path lies on a drive of another
// kind (or is relative to a drive's current folder), and a UNC path on
// another machine: neither means a file inside the fonts folder, so neither
// is judged.
bool NamesAnotherPlace(const char* text)
{
    if (IsSlash(text[0]) && IsSlash(text[1]))
        return true;
    return std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
}

// Resolves a font file name inside the Windows directory's FONTS folder,
// with exactly one backslash before FONTS. False when it cannot be resolved
// or does not fit.
bool InFontsFolder(const char* text, char* resolved)
{
    const UINT length = GetWindowsDirectoryA(resolved, kRegTextSize);
    if (length == 0 || length >= kRegTextSize)
        return false;
    const UINT end = resolved[length - 1] == '\\' ? length - 1 : length;
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
    RegWalk::Values(HKEY_LOCAL_MACHINE, kKeyPath, RegWalk::Data::kTypeAndData, [&](RegValue& value) {
        char expanded[kRegTextSize];
        const char* text = RegText::StringData(value.type, value.data, value.length, expanded);
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
        RegWalk::Report(*this, status, results, HKEY_LOCAL_MACHINE, kKeyPath, value.name, "Font item is invalid",
                        RegText::Display("HKEY_LOCAL_MACHINE\\%s", kKeyPath),
                        RegText::Display("%s = %s", value.name, text), kKindValue);
    });
}

} // namespace ovra
