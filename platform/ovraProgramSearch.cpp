#include "platform/ovraProgramSearch.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraFileUtils.h"
#include "platform/ovraPathViews.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ovra {

namespace {

bool AnythingInView(const char* path, bool native)
{
    return FileUtils::LookUp(path, native) != PathKind::kMissing;
}

bool FileInView(const char* path, bool native)
{
    return FileUtils::LookUp(path, native) == PathKind::kFile;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

bool ProgramSearch::HasExtension(const char* path)
{
    const char* part = CodePage::LastBackslash(path);
    part = part ? part + 1 : path;
    const char* dot = nullptr;
    for (const char* at = part; *at != '\0'; ++at) {
        if (*at == '/')
            dot = nullptr;
        else if (*at == '.')
            dot = at;
    }
    return dot != nullptr && dot[1] != '\0';
}

namespace {

// A program at a full path on a fixed drive, in any of its views.
bool LooksUpProgram(const char* path, bool folderCounts)
{
    if (PathViews::Exists(path, folderCounts ? &AnythingInView : &FileInView))
        return true;
    if (ProgramSearch::HasExtension(path))
        return false;
    // CreateProcess runs "c:\app\setup" as "c:\app\setup.exe".
    const std::string withExe = std::string(path) + ".exe";
    return PathViews::Exists(withExe.c_str(), &FileInView);
}

bool InFolder(const char* folder, const char* name)
{
    std::string path(folder);
    if (path.empty())
        return false;
    if (!CodePage::EndsWithBackslash(path.c_str()))
        path += '\\';
    path += name;
    return LooksUpProgram(path.c_str(), false);
}

// The folder of a PATH entry worth asking: "x:\..." on a fixed drive, with
// the quotes and blanks around it taken off. Empty when it is none.
std::string PathEntry(const char* begin, const char* end)
{
    while (begin < end && (*begin == ' ' || *begin == '"'))
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '"'))
        --end;
    if (end - begin < 3 || !IsLetter(begin[0]) || begin[1] != ':' || begin[2] != '\\')
        return std::string();
    const char root[4] = {begin[0], ':', '\\', '\0'};
    if (!FileUtils::IsFullPath(root))
        return std::string();
    return std::string(begin, end);
}

// An entry of nothing but blanks and quotes names no folder at all.
bool IsEmptyEntry(const char* begin, const char* end)
{
    for (; begin < end; ++begin)
        if (*begin != ' ' && *begin != '"')
            return false;
    return true;
}

// No "insert a disk" box for this thread while it searches.
struct QuietDrives {
    QuietDrives() : nOld(0), bSet(SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &nOld) != 0) {}
    ~QuietDrives()
    {
        if (bSet)
            SetThreadErrorMode(nOld, nullptr);
    }
    QuietDrives(const QuietDrives&) = delete;
    QuietDrives& operator=(const QuietDrives&) = delete;
    DWORD nOld;
    bool bSet;
};

} // namespace

bool ProgramSearch::IsElsewhere(const char* path)
{
    if ((path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/'))
        return true;
    if (!IsLetter(path[0]) || path[1] != ':')
        return false;
    const char root[4] = {path[0], ':', '\\', '\0'};
    return !FileUtils::IsFullPath(root);
}

bool ProgramSearch::FindsFile(const char* path)
{
    if (!path || *path == '\0')
        return false;
    return IsElsewhere(path) || PathViews::Exists(path, &AnythingInView);
}

bool ProgramSearch::FindsProgram(const char* path, bool folderCounts)
{
    if (!path || *path == '\0')
        return false;
    return IsElsewhere(path) || LooksUpProgram(path, folderCounts);
}

bool ProgramSearch::FindsBareName(const char* name)
{
    if (!name || *name == '\0')
        return false;
    QuietDrives quiet;
    // The system folder's other view is asked through PathViews.
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || InFolder(folder, name))
        return true;
    length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || InFolder(folder, name))
        return true;
    const DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (size == 0)
        return false;
    std::vector<char> path(size);
    const DWORD read = GetEnvironmentVariableA("PATH", path.data(), size);
    if (read == 0 || read >= size)
        return true; // changed under us: not judged
    // A folder the search cannot look into (a share, a relative folder,
    // another kind of drive) may hold the program: then a name found
    // nowhere else is not judged.
    bool skipped = false;
    const char* entry = path.data();
    for (const char* at = entry;; ++at) {
        if (*at != ';' && *at != '\0')
            continue;
        const std::string folderText = PathEntry(entry, at);
        if (!folderText.empty() && InFolder(folderText.c_str(), name))
            return true;
        skipped = skipped || (folderText.empty() && !IsEmptyEntry(entry, at));
        if (*at == '\0')
            break;
        entry = at + 1;
    }
    return skipped;
}

} // namespace ovra
