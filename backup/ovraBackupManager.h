#pragma once

#include "records/ovraJobResult.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ovra {

class BackupFile;

// Writes records with the registry data they name to backup files, reads
// them back, restores them, and keeps the folder of backups beside the
// executable. No state: every operation works on the file handle it is given
// (a Windows file handle passed as void*) or forms the folder path afresh.
class BackupManager {
public:
    // Record format.
    bool WriteString(void* file, const char* text);
    void ReadString(void* file, std::string& text);
    bool WriteRecord(void* file, JobResult& record);
    bool WriteRegistryValue(void* file, HKEY root, const char* keyPath, const char* valueName);
    bool WriteRegistryKey(void* file, HKEY root, const char* keyPath, const char* name);
    bool HelperWriteKey(void* file, HKEY key, const char* name);
    bool ReadRecord(void* file, JobResult& record);
    void SkipRegistryValue(void* file);
    void SkipRegistryKey(void* file);
    bool RestoreRegistryValue(void* file, JobResult& record);
    bool RestoreRegistryKey(void* file, JobResult& record);
    bool HelperRestoreKey(void* file, HKEY parent);

    // Store.
    static void GetBackupDirectory(char* path); // 2048 bytes, ends with a backslash
    void GetBackupName(std::string& name);
    bool WriteBackup(const char* name, std::vector<JobResult>& records);
    bool ReadBackup(const char* name, std::vector<JobResult>& records);
    // The same; whole tells whether the file held every record its count
    // promises.
    bool ReadBackup(const char* name, std::vector<JobResult>& records, bool& whole);
    void GetBackupList(std::vector<std::string>& names);
    // Creates the backup folder, when it is missing, so that only
    // administrators and the system can change what is in it.
    static void CreateBackupDirectory(const char* folder);

    // The three roots a record may name: HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
    // HKEY_LOCAL_MACHINE. Any other value read from a file is damage, never a
    // handle to pass on to the registry.
    static bool IsKnownRoot(uint32_t root);

    // One key's name: not empty and no backslash in it.
    static bool IsOneKeyName(const std::string& name);

private:
    // The count of ticked records, then each of them.
    bool WriteRecords(void* file, std::vector<JobResult>& records);
    bool WriteKeyBlock(BackupFile& out, HKEY key, const char* name, int depth);
    bool SkipValueBlock(BackupFile& in, uint32_t cap);
    bool SkipKeyBlock(BackupFile& in, int depth);
    bool NamesOwnKey(BackupFile& in, const JobResult& record);
    bool RestoreKeyBlock(BackupFile& in, HKEY parent, int depth, bool& restored);
};

} // namespace ovra
