#pragma once

#include "backup/ovraBackupFile.h"
#include "records/ovraJobResult.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ovra {

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
    // The restores take the code page of the file's texts (the system's for
    // ".backup2", UTF-8 for ".backup3": TextOf).
    using Text = BackupFile::Text;
    bool RestoreRegistryValue(void* file, JobResult& record, Text text = Text::kSystemCodePage);
    bool RestoreRegistryKey(void* file, JobResult& record, Text text = Text::kSystemCodePage);
    bool HelperRestoreKey(void* file, HKEY parent, Text text = Text::kSystemCodePage);

    // Store.
    static void GetBackupDirectory(char* path); // 2048 bytes, ends with a backslash
    // A name whose number no backup of either kind has ("...NNN.backup2").
    void GetBackupName(std::string& name);
    // Writes name when every text fits the system's code page; otherwise the
    // same number as ".backup3", its texts in UTF-8.
    bool WriteBackup(const char* name, std::vector<JobResult>& records);
    // The code page of a backup file's texts, by its name's extension.
    static Text TextOf(const std::string& name);
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
    bool WriteRecords(BackupFile& out, std::vector<JobResult>& records);
    bool WriteBackupFile(const char* folder, const char* name, Text text, std::vector<JobResult>& records,
                         bool& unencodable);
    bool WriteRecordTo(BackupFile& out, JobResult& record);
    bool WriteValueBlock(BackupFile& out, HKEY root, const char* keyPath, const char* valueName);
    bool WriteKeyRecord(BackupFile& out, HKEY root, const char* keyPath, const char* name);
    bool WriteKeyBlock(BackupFile& out, HKEY key, const std::wstring& name, int depth);
    bool ReadRecordFrom(BackupFile& in, JobResult& record);
    bool SkipValueBlock(BackupFile& in, uint32_t cap);
    bool SkipKeyBlock(BackupFile& in, int depth);
    bool NamesOwnKey(BackupFile& in, const JobResult& record);
    bool RestoreKeyBlock(BackupFile& in, HKEY parent, int depth, bool& restored);
};

} // namespace ovra
