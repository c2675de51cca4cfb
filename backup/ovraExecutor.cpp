#include "backup/ovraExecutor.h"

#include "backup/ovraContainerKeys.h"
#include "platform/ovraCodePage.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegView.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ovra {

namespace {

// Read access to walk a key, plus what deleting its values and subkeys needs.
const REGSAM kDeleteAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

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

bool Executor::RestoreRecords(void* file, std::vector<JobResult>& records, BackupManager& manager,
                              BackupManager::Text text)
{
    bool all = true;
    for (JobResult& record : records) {
        if (!record.bSelected)
            continue;
        if (record.nKind == kKindValue)
            all = manager.RestoreRegistryValue(file, record, text) && all;
        else if (record.nKind == kKindKey)
            all = manager.RestoreRegistryKey(file, record, text) && all;
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
    std::wstring name;
    return CodePage::ToWide(subkey, name) && DeleteTree(key, name);
}

// Names below the record's key are taken as UTF-16, so that a name in any
// script is found and deleted whatever the program's code page.
bool Executor::DeleteTree(HKEY key, const std::wstring& subkey)
{
    {
        RegKey opened;
        if (!opened.Open(key, subkey.c_str(), kDeleteAccess))
            return false;
        DWORD subkeys = 0, longestSubkey = 0, values = 0, longestValueName = 0;
        if (RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                             &longestValueName, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        std::vector<wchar_t> name((longestSubkey > longestValueName ? longestSubkey : longestValueName) + 1);
        for (DWORD i = subkeys; i-- > 0;) {
            DWORD length = static_cast<DWORD>(name.size());
            if (RegEnumKeyExW(opened.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
                ERROR_SUCCESS)
                DeleteTree(opened.Get(), std::wstring(name.data(), length));
        }
        for (DWORD i = values; i-- > 0;) {
            DWORD length = static_cast<DWORD>(name.size());
            if (RegEnumValueW(opened.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
                ERROR_SUCCESS)
                RegDeleteValueW(opened.Get(), std::wstring(name.data(), length).c_str());
        }
    }
    return RegView::DeleteSubkey(key, subkey.c_str());
}

} // namespace ovra
