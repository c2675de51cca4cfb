// Putting saved records back into the registry from their backup file. A
// value is set only after all of its data has been read, and a key tree is
// checked whole before the first key is created, so damaged data fails its
// record without leaving half of it in the registry. Names and string data
// are turned from the file's code page into UTF-16 and written with the wide
// functions, so that they come back as they were whatever the program's code
// page.
#include "backup/ovraBackupManager.h"

#include "backup/ovraBackupFile.h"
#include "platform/ovraCodePage.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegView.h"

#include <vector>

namespace ovra {

namespace {

// Reads type, size and all data bytes of one saved value, and turns them into
// what the wide functions take; the size is checked against the file and
// against cap, the most the writer saves, before anything is allocated.
bool ReadValueData(BackupFile& in, uint32_t cap, DWORD& type, std::vector<BYTE>& data, DWORD& size)
{
    uint32_t storedType = 0, storedSize = 0;
    if (!in.ReadU32(storedType) || !in.ReadSize(storedSize, cap))
        return false;
    std::vector<BYTE> bytes(storedSize);
    if (!in.Read(bytes.data(), storedSize) || !in.DecodeData(storedType, bytes, data, size))
        return false;
    type = storedType;
    return true;
}

bool SeekToData(BackupFile& in, const JobResult& record)
{
    return record.nDataOffset >= 0 && in.Seek(static_cast<uint64_t>(record.nDataOffset));
}

} // namespace

bool BackupManager::RestoreRegistryValue(void* file, JobResult& record, Text text)
{
    if (!IsKnownRoot(record.hRoot))
        return false;
    // The key is opened, not created: a value goes back only where it was.
    RegKey key;
    std::wstring name;
    if (!key.Open(RegKey::Root(record.hRoot), record.sKeyPath.c_str(), KEY_WRITE) ||
        !CodePage::ToWide(record.sName.c_str(), name))
        return false;
    BackupFile in(file, text);
    DWORD type = 0, size = 0;
    std::vector<BYTE> data;
    if (!SeekToData(in, record) || !ReadValueData(in, BackupFile::kMaxRecordValue, type, data, size))
        return false;
    return RegSetValueExW(key.Get(), name.c_str(), 0, type, data.data(), size) == ERROR_SUCCESS;
}

bool BackupManager::RestoreRegistryKey(void* file, JobResult& record, Text text)
{
    if (!IsKnownRoot(record.hRoot))
        return false;
    RegKey parent;
    if (!parent.Open(RegKey::Root(record.hRoot), record.sKeyPath.c_str(), KEY_WRITE))
        return false;
    BackupFile in(file, text);
    if (!SeekToData(in, record) || !NamesOwnKey(in, record))
        return false;
    return HelperRestoreKey(file, parent.Get(), text);
}

bool BackupManager::HelperRestoreKey(void* file, HKEY parent, Text text)
{
    BackupFile in(file, text);
    uint64_t start = 0;
    if (!in.Position(start) || !SkipKeyBlock(in, 1) || !in.Seek(start))
        return false;
    bool restored = true;
    const bool whole = RestoreKeyBlock(in, parent, 1, restored);
    return whole && restored;
}

// Returns false when the file cannot be read on; `restored` turns false when
// the registry refuses a key or a value, and the rest of the block is still
// written (or, under a key that could not be created, read past).
bool BackupManager::RestoreKeyBlock(BackupFile& in, HKEY parent, int depth, bool& restored)
{
    if (depth > BackupFile::kMaxDepth)
        return false;
    std::wstring name;
    uint32_t values = 0, subkeys = 0;
    if (!in.ReadWide(name) || !in.ReadU32(values) || !in.ReadU32(subkeys))
        return false;

    RegKey key;
    if (parent == nullptr || RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_WRITE | RegView::Native(), nullptr, key.Receive(),
                                             nullptr) != ERROR_SUCCESS)
        restored = false;

    std::wstring valueName;
    std::vector<BYTE> data;
    for (uint32_t i = 0; i < values; ++i) {
        DWORD type = 0, size = 0;
        if (!in.ReadWide(valueName) || !ReadValueData(in, BackupFile::kMaxTreeValue, type, data, size))
            return false;
        if (key && RegSetValueExW(key.Get(), valueName.c_str(), 0, type, data.data(), size) != ERROR_SUCCESS)
            restored = false;
    }
    for (uint32_t i = 0; i < subkeys; ++i) {
        if (!RestoreKeyBlock(in, key.Get(), depth + 1, restored))
            return false;
    }
    return true;
}

} // namespace ovra
