#include "backup/ovraLiveEntry.h"

#include "backup/ovraBackupManager.h"
#include "platform/ovraCodePage.h"
#include "platform/ovraRegKey.h"

#include <cstring>
#include <vector>

namespace ovra {

namespace {

using State = LiveEntry::State;

// Reads one saved value's type and data (at most cap bytes in the file) in
// the form the wide functions give it.
bool ReadSaved(BackupFile& in, uint32_t cap, DWORD& type, std::vector<BYTE>& data, DWORD& size)
{
    uint32_t storedType = 0, storedSize = 0;
    if (!in.ReadU32(storedType) || !in.ReadSize(storedSize, cap))
        return false;
    std::vector<BYTE> bytes(storedSize);
    type = storedType;
    return in.Read(bytes.data(), storedSize) && in.DecodeData(type, bytes, data, size);
}

// True when the live value name of key has exactly this type and data.
bool LiveValueIs(HKEY key, const wchar_t* name, DWORD type, const std::vector<BYTE>& data, DWORD size)
{
    DWORD liveType = 0, liveSize = 0;
    if (RegQueryValueExW(key, name, nullptr, &liveType, nullptr, &liveSize) != ERROR_SUCCESS || liveType != type ||
        liveSize != size)
        return false;
    std::vector<BYTE> live(size + 2);
    DWORD read = size + 2;
    return RegQueryValueExW(key, name, nullptr, &liveType, live.data(), &read) == ERROR_SUCCESS && read == size &&
           liveType == type && (size == 0 || std::memcmp(live.data(), data.data(), size) == 0);
}

bool Counts(HKEY key, DWORD& subkeys, DWORD& values)
{
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

// Compares the key block at the file's position with the open key: the same
// values with the same data, and the same subkeys, each alike, nothing more.
bool SameTree(BackupFile& in, HKEY key, int depth)
{
    std::wstring name;
    uint32_t values = 0, subkeys = 0;
    DWORD liveSubkeys = 0, liveValues = 0;
    if (depth > BackupFile::kMaxDepth || !in.ReadWide(name) || !in.ReadU32(values) || !in.ReadU32(subkeys) ||
        !Counts(key, liveSubkeys, liveValues) || liveValues != values || liveSubkeys != subkeys)
        return false;
    std::vector<BYTE> data;
    for (uint32_t i = 0; i < values; ++i) {
        std::wstring valueName;
        DWORD type = 0, size = 0;
        if (!in.ReadWide(valueName) || !ReadSaved(in, BackupFile::kMaxTreeValue, type, data, size) ||
            !LiveValueIs(key, valueName.c_str(), type, data, size))
            return false;
    }
    for (uint32_t i = 0; i < subkeys; ++i) {
        uint64_t start = 0;
        std::wstring subkeyName;
        RegKey subkey;
        if (!in.Position(start) || !in.ReadWide(subkeyName) || !in.Seek(start) ||
            !subkey.Open(key, subkeyName.c_str(), KEY_READ) || !SameTree(in, subkey.Get(), depth + 1))
            return false;
    }
    return true;
}

} // namespace

const char* const LiveEntry::kOtherDataNote = "Exists now with other data";

State LiveEntry::Compare(void* file, const JobResult& record, BackupFile::Text text)
{
    std::wstring name;
    if (!BackupManager::IsKnownRoot(record.hRoot) || record.nDataOffset < 0 ||
        !CodePage::ToWide(record.sName.c_str(), name))
        return State::kOther;
    RegKey parent;
    if (!parent.Open(RegKey::Root(record.hRoot), record.sKeyPath.c_str(), KEY_READ))
        return State::kAbsent;
    BackupFile in(file, text);
    if (!in.Seek(static_cast<uint64_t>(record.nDataOffset)))
        return State::kOther;
    if (record.nKind == kKindValue) {
        if (RegQueryValueExW(parent.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return State::kAbsent;
        DWORD type = 0, size = 0;
        std::vector<BYTE> data;
        return ReadSaved(in, BackupFile::kMaxRecordValue, type, data, size) &&
                       LiveValueIs(parent.Get(), name.c_str(), type, data, size)
                   ? State::kSame
                   : State::kOther;
    }
    RegKey key;
    if (!key.Open(parent.Get(), name.c_str(), KEY_READ))
        return State::kAbsent;
    return SameTree(in, key.Get(), 1) ? State::kSame : State::kOther;
}

void LiveEntry::MarkChanged(void* file, std::vector<JobResult>& records, std::vector<std::string>& notes,
                            BackupFile::Text text)
{
    notes.assign(records.size(), std::string());
    for (size_t i = 0; i < records.size(); ++i) {
        JobResult& record = records[i];
        if ((record.nKind != kKindValue && record.nKind != kKindKey) || Compare(file, record, text) != State::kOther)
            continue;
        record.bSelected = false;
        notes[i] = kOtherDataNote;
    }
}

} // namespace ovra
