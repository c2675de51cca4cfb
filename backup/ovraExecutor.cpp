#include "backup/ovraExecutor.h"

#include "backup/ovraContainerKeys.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegView.h"

#include <cstdint>
#include <vector>

namespace ovra {

namespace {

// Read access to walk a key, plus what deleting its values and subkeys needs.
const REGSAM kDeleteAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// The registry reports its longest names in characters; an ANSI name can take
// two bytes for one.
DWORD NameBufferSize(DWORD longest)
{
    return (longest + 1) * 2;
}

} // namespace

bool Executor::DeleteRecords(std::vector<JobResult>& records)
{
    bool all = true;
    for (const JobResult& record : records) {
        if (!record.bSelected || (record.nKind != kKindValue && record.nKind != kKindKey))
            continue;
        if (!BackupManager::IsKnownRoot(record.hRoot)) {
            all = false;
            continue;
        }
        const HKEY root = RegKey::Root(record.hRoot);
        const bool removed = record.nKind == kKindValue
                                 ? DeleteRegistryValue(root, record.sKeyPath.c_str(), record.sName.c_str())
                                 : DeleteRegistryKey(root, record.sKeyPath.c_str(), record.sName.c_str());
        all = removed && all;
    }
    return all;
}

bool Executor::RestoreRecords(void* file, std::vector<JobResult>& records, BackupManager& manager)
{
    bool all = true;
    for (JobResult& record : records) {
        if (!record.bSelected)
            continue;
        if (record.nKind == kKindValue)
            all = manager.RestoreRegistryValue(file, record) && all;
        else if (record.nKind == kKindKey)
            all = manager.RestoreRegistryKey(file, record) && all;
    }
    return all;
}

bool Executor::DeleteRegistryValue(HKEY root, const char* keyPath, const char* valueName)
{
    RegKey key;
    if (!key.Open(root, keyPath, kDeleteAccess))
        return false;
    return RegDeleteValueA(key.Get(), valueName) == ERROR_SUCCESS;
}

// A root, a key a check walks, or a key above one is never deleted, whatever
// record names it: that record fails and the others go on.
bool Executor::DeleteRegistryKey(HKEY root, const char* keyPath, const char* name)
{
    if (ContainerKeys::IsContainer(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(root)), keyPath, name))
        return false;
    RegKey key;
    if (!key.Open(root, keyPath, kDeleteAccess))
        return false;
    return DeleteRegistrySubkey(key.Get(), name);
}

// Depth first, from the highest index down so that removing an entry never
// moves one still to be visited; subkeys, then values, then the key itself.
// A subkey left behind keeps its parent non-empty, so that failure reaches
// the top as the parent's failed deletion.
bool Executor::DeleteRegistrySubkey(HKEY key, const char* subkey)
{
    {
        RegKey opened;
        if (!opened.Open(key, subkey, kDeleteAccess))
            return false;
        DWORD subkeys = 0, longestSubkey = 0, values = 0, longestValueName = 0;
        if (RegQueryInfoKeyA(opened.Get(), nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                             &longestValueName, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        if (subkeys > 0) {
            std::vector<char> name(NameBufferSize(longestSubkey));
            for (DWORD i = subkeys; i-- > 0;) {
                DWORD length = static_cast<DWORD>(name.size());
                if (RegEnumKeyExA(opened.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
                    ERROR_SUCCESS)
                    DeleteRegistrySubkey(opened.Get(), name.data());
            }
        }
        if (values > 0) {
            std::vector<char> name(NameBufferSize(longestValueName));
            for (DWORD i = values; i-- > 0;) {
                DWORD length = static_cast<DWORD>(name.size());
                if (RegEnumValueA(opened.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
                    ERROR_SUCCESS)
                    RegDeleteValueA(opened.Get(), name.data());
            }
        }
    }
    return RegView::DeleteSubkey(key, subkey);
}

} // namespace ovra
