// The backup store: the folder "backups" beside the executable, the names of
// new backup files, and the listing of the files already there.
#include "backup/ovraBackupManager.h"

#include "checks/ovraFileHandle.h"
#include "scan/ovraAssert.h"

#include <cstdio>
#include <cstring>

namespace ovra {

namespace {

const char kExtension[] = ".backup2";
const int kFirstNumber = 1;
const int kLastNumber = 998;

// Forms the folder path into a 2048-byte buffer. An executable path that does
// not fit leaves the buffer empty and returns false, so that no caller ever
// builds a backup path relative to the current directory.
bool FormBackupDirectory(char* path)
{
    const DWORD size = 2048;
    path[0] = '\0';
    const DWORD length = GetModuleFileNameA(nullptr, path, size);
    if (length == 0 || length >= size) {
        path[0] = '\0';
        return false;
    }
    char* end = std::strrchr(path, '\\');
    OVRA_ASSERT(end, "ovraBackupManager");
    const size_t used = static_cast<size_t>(end - path);
    const int written = std::snprintf(end, size - used, "\\backups\\");
    if (written < 0 || static_cast<size_t>(written) >= size - used) {
        path[0] = '\0';
        return false;
    }
    return true;
}

// Joins the folder path and a file name; false when the result does not fit.
bool JoinPath(char* path, size_t size, const char* folder, const char* name)
{
    const int written = std::snprintf(path, size, "%s%s", folder, name);
    return written >= 0 && static_cast<size_t>(written) < size;
}

// Only an exact ".backup2" after the last dot counts; case matters, so
// "notes.BACKUP2" and "x.backup2.old" are not backups.
bool IsBackupName(const char* name)
{
    const char* dot = std::strrchr(name, '.');
    return dot != nullptr && std::strcmp(dot, kExtension) == 0;
}

} // namespace

void BackupManager::GetBackupDirectory(char* path)
{
    FormBackupDirectory(path);
}

void BackupManager::GetBackupName(std::string& name)
{
    char folder[2048];
    if (!FormBackupDirectory(folder))
        return;
    for (int number = kFirstNumber; number <= kLastNumber; ++number) {
        char fileName[64];
        std::snprintf(fileName, sizeof(fileName), "AutomaticBackup%.3d%s", number, kExtension);
        char path[2048 + 64];
        if (!JoinPath(path, sizeof(path), folder, fileName))
            return;
        // Anything of that name, file or folder, takes the number.
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
            name = fileName;
            return;
        }
    }
}

void BackupManager::GetBackupList(std::vector<std::string>& names)
{
    char folder[2048];
    if (!FormBackupDirectory(folder))
        return;
    CreateDirectoryA(folder, nullptr);

    char pattern[2048 + 2];
    if (!JoinPath(pattern, sizeof(pattern), folder, "*"))
        return;
    WIN32_FIND_DATAA entry;
    FindHandle search(FindFirstFileA(pattern, &entry));
    if (!search.IsOpen())
        return;
    do {
        if (IsBackupName(entry.cFileName))
            names.push_back(entry.cFileName);
    } while (FindNextFileA(search.Get(), &entry));
}

} // namespace ovra
