// The backup store: the folder "backups" beside the executable, the names of
// new backup files, whole backup files (a record count, then the records) and
// the listing of the files already there.
#include "backup/ovraBackupManager.h"

#include "backup/ovraBackupFile.h"
#include "platform/ovraCodePage.h"
#include "platform/ovraFileHandle.h"
#include "platform/ovraFileSecurity.h"
#include "platform/ovraAssert.h"

#include <cstdio>
#include <cstring>

namespace ovra {

namespace {

// The two kinds share one series of numbers: texts in the system's code
// page, or in UTF-8.
const char kExtension[] = ".backup2";
const char kUtf8Extension[] = ".backup3";
// Added to a backup's name while it is being written; never listed.
const char kPartial[] = ".partial";
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
    char* end = CodePage::LastBackslash(path);
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

// Only an exact ".backup2" or ".backup3" after the last dot counts; case
// matters, so "notes.BACKUP2" and "x.backup2.old" are not backups.
bool IsBackupName(const char* name)
{
    const char* dot = std::strrchr(name, '.');
    return dot != nullptr && (std::strcmp(dot, kExtension) == 0 || std::strcmp(dot, kUtf8Extension) == 0);
}

bool EndsWith(const std::string& text, const char* ending)
{
    const size_t length = std::strlen(ending);
    return text.size() >= length && text.compare(text.size() - length, length, ending) == 0;
}

bool Exists(const char* folder, const char* name)
{
    char path[2048 + 64];
    return !JoinPath(path, sizeof(path), folder, name) || GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
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
        char utf8Name[64];
        std::snprintf(fileName, sizeof(fileName), "AutomaticBackup%.3d%s", number, kExtension);
        std::snprintf(utf8Name, sizeof(utf8Name), "AutomaticBackup%.3d%s", number, kUtf8Extension);
        // Anything of either name, file or folder, takes the number.
        if (!Exists(folder, fileName) && !Exists(folder, utf8Name)) {
            name = fileName;
            return;
        }
    }
}

// The repair deletes what this wrote, so true means every byte of every
// ticked record reached the disk; anything less is a failed backup, and a
// failed backup takes its own file away again: a file whose count promises
// more records than it holds would be listed for restore and put back in
// part, after the user was told the backup failed. Only the ticked records
// are saved, and counted: the repair removes nothing else, and a restore of
// this file can then never write old data over a value the repair left alone.
//
// The file is written under a name of its own beside the backup's and takes
// the backup's name only once every byte is on the disk, so no crash, full
// disk or power cut can leave a half-written file under a backup's name. The
// rename never replaces a file: a name taken meanwhile fails the backup.
//
// Every text goes into the system's own code page, as every earlier build
// wrote it, when it fits there exactly; otherwise the whole file is written
// anew in UTF-8 under the same number as ".backup3", which earlier builds do
// not list and so can never misread. No record fails for its text alone.
bool BackupManager::WriteBackup(const char* name, std::vector<JobResult>& records)
{
    char folder[2048];
    if (!FormBackupDirectory(folder) || *name == '\0')
        return false;
    CreateBackupDirectory(folder);
    bool unencodable = false;
    if (WriteBackupFile(folder, name, Text::kSystemCodePage, records, unencodable))
        return true;
    const std::string first(name);
    if (!unencodable || !EndsWith(first, kExtension))
        return false;
    const std::string utf8 = first.substr(0, first.size() - std::strlen(kExtension)) + kUtf8Extension;
    return WriteBackupFile(folder, utf8.c_str(), Text::kUtf8, records, unencodable);
}

bool BackupManager::WriteBackupFile(const char* folder, const char* name, Text text,
                                    std::vector<JobResult>& records, bool& unencodable)
{
    char path[2048 + MAX_PATH];
    char partial[2048 + MAX_PATH + sizeof(kPartial)];
    if (!JoinPath(path, sizeof(path), folder, name) || !JoinPath(partial, sizeof(partial), path, kPartial))
        return false;
    // An existing backup is never overwritten. A partial file left by a
    // crash is only ever rewritten here; one that another instance holds
    // open cannot be opened and fails this backup.
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return false;
    FileHandle file(CreateFileA(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return false;
    BackupFile out(file.Get(), text);
    const bool written = WriteRecords(out, records) && FlushFileBuffers(file.Get()) != 0;
    unencodable = out.Unencodable();
    file.Close();
    if (written && MoveFileExA(partial, path, MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(partial);
    return false;
}

BackupManager::Text BackupManager::TextOf(const std::string& name)
{
    return EndsWith(name, kUtf8Extension) ? Text::kUtf8 : Text::kSystemCodePage;
}

void BackupManager::CreateBackupDirectory(const char* folder)
{
    // An existing folder is kept as it is.
    FileSecurity::CreateProtectedFolder(folder);
}

bool BackupManager::WriteRecords(BackupFile& out, std::vector<JobResult>& records)
{
    uint32_t ticked = 0;
    for (const JobResult& record : records)
        ticked += record.bSelected ? 1 : 0;
    if (!out.WriteU32(ticked))
        return false;
    for (JobResult& record : records) {
        if (record.bSelected && !WriteRecordTo(out, record))
            return false;
    }
    return true;
}

bool BackupManager::ReadBackup(const char* name, std::vector<JobResult>& records)
{
    bool whole = false;
    return ReadBackup(name, records, whole);
}

// A file that ends early or is damaged yields the records before the damage,
// and is not whole.
bool BackupManager::ReadBackup(const char* name, std::vector<JobResult>& records, bool& whole)
{
    whole = false;
    char folder[2048];
    char path[2048 + MAX_PATH];
    if (!FormBackupDirectory(folder) || !JoinPath(path, sizeof(path), folder, name))
        return false;
    FileHandle file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return false;
    BackupFile in(file.Get(), TextOf(name));
    uint32_t count = 0;
    uint64_t remaining = 0;
    if (!in.ReadU32(count) || !in.Remaining(remaining))
        return true;
    // The count is not trusted for anything but an upper bound, and no more
    // records are ever looked for than the file's size can hold; reading
    // stops at the first incomplete or refused record.
    const uint64_t room = remaining / BackupFile::kMinRecord;
    const uint32_t possible = room < count ? static_cast<uint32_t>(room) : count;
    uint32_t read = 0;
    for (; read < possible; ++read) {
        JobResult record;
        if (!ReadRecordFrom(in, record))
            break;
        record.bSelected = true;
        records.push_back(record);
    }
    whole = read == count;
    return true;
}

void BackupManager::GetBackupList(std::vector<std::string>& names)
{
    char folder[2048];
    if (!FormBackupDirectory(folder))
        return;
    CreateBackupDirectory(folder);

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
