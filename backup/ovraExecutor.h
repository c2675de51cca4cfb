#pragma once

#include "backup/ovraBackupManager.h"
#include "records/ovraJobResult.h"

#include <windows.h>

#include <vector>

namespace ovra {

// Carries out the user's choice on the registry: deletes every ticked record,
// or writes every ticked record back from the backup it was read from. Each
// folds the outcome of all records into one result.
class Executor {
public:
    bool DeleteRecords(std::vector<JobResult>& records);
    bool RestoreRecords(void* file, std::vector<JobResult>& records, BackupManager& manager);
    bool DeleteRegistryValue(HKEY root, const char* keyPath, const char* valueName);
    bool DeleteRegistryKey(HKEY root, const char* keyPath, const char* name);
    bool DeleteRegistrySubkey(HKEY key, const char* subkey);
};

} // namespace ovra
