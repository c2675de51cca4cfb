#pragma once

#include "backup/ovraBackupManager.h"
#include "records/ovraJobResult.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ovra {

// Carries out the user's choice on the registry: deletes every ticked record,
// or writes every ticked record back from the backup it was read from. Each
// folds the outcome of all records into one result.
class Executor {
public:
    bool DeleteRecords(std::vector<JobResult>& records);
    // text: the code page of the file's texts (BackupManager::TextOf).
    bool RestoreRecords(void* file, std::vector<JobResult>& records, BackupManager& manager,
                        BackupManager::Text text = BackupManager::Text::kSystemCodePage);
    bool DeleteRegistryValue(HKEY root, const char* keyPath, const char* valueName);
    bool DeleteRegistryKey(HKEY root, const char* keyPath, const char* name);
    bool DeleteRegistrySubkey(HKEY key, const char* subkey);

private:
    bool DeleteTree(HKEY key, const std::wstring& subkey);
};

} // namespace ovra
