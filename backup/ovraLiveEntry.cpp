#include "backup/ovraLiveEntry.h"

#include "backup/ovraBackupFile.h"
#include "backup/ovraBackupManager.h"
#include "platform/ovraRegKey.h"

#include <cstring>
#include <vector>

namespace ovra {

namespace {

using State = LiveEntry::State;

// Reads one saved value's type and data (at most cap bytes).
bool ReadSaved(BackupFile& in, uint32_t cap, DWORD& type, std::vector<BYTE>& data)
{
    uint32_t storedType = 0, size = 0;
    if (!in.ReadU32(storedType) || !in.ReadSize(size, cap))
        return false;
    data.resize(size);
    type = storedType;
    return size == 0 || in.Read(data.data(), size);
}

// True when the live value name of key has exactly this type and data.
bool LiveValueIs(HKEY key, const char* name, DWORD type, const std::vector<BYTE>& data)
{
    DWORD liveType = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &liveType, nullptr, &size) != ERROR_SUCCESS || liveType != type ||
        size != data.size())
        return false;
    std::vector<BYTE> live(size + 1);
    DWORD read = size + 1;
    return RegQueryValueExA(key, name, nullptr, &liveType, live.data(), &read) == ERROR_SUCCESS && read == size &&
           liveType == type && (size == 0 || std::memcmp(live.data(), data.data(), size) == 0);
}

bool Counts(HKEY key, DWORD& subkeys, DWORD& values)
{
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

// Compares the key block at the file's position with the open key: the same
// values with the same data, and the same subkeys, each alike, nothing more.
bool SameTree(BackupFile& in, HKEY key, int depth)
{
    std::string name;
    uint32_t values = 0, subkeys = 0;
    DWORD liveSubkeys = 0, liveValues = 0;
    if (depth > BackupFile::kMaxDepth || !in.ReadString(name) || !in.ReadU32(values) || !in.ReadU32(subkeys) ||
        !Counts(key, liveSubkeys, liveValues) || liveValues != values || liveSubkeys != subkeys)
        return false;
    std::vector<BYTE> data;
    for (uint32_t i = 0; i < values; ++i) {
        std::string valueName;
        DWORD type = 0;
        if (!in.ReadString(valueName) || !ReadSaved(in, BackupFile::kMaxTreeValue, type, data) ||
            !LiveValueIs(key, valueName.c_str(), type, data))
            return false;
    }
    for (uint32_t i = 0; i < subkeys; ++i) {
        uint64_t start = 0;
        std::string subkeyName;
        RegKey subkey;
        if (!in.Position(start) || !in.ReadString(subkeyName) || !in.Seek(start) ||
            !subkey.Open(key, subkeyName.c_str(), KEY_READ) || !SameTree(in, subkey.Get(), depth + 1))
            return false;
    }
    return true;
}

} // namespace

const char* const LiveEntry::kOtherDataNote = "Exists now with other data";

State LiveEntry::Compare(void* file, const JobResult& record)
{
    if (!BackupManager::IsKnownRoot(record.hRoot) || record.nDataOffset < 0)
        return State::kOther;
    RegKey parent;
    if (!parent.Open(RegKey::Root(record.hRoot), record.sKeyPath.c_str(), KEY_READ))
        return State::kAbsent;
    BackupFile in(file);
    if (!in.Seek(static_cast<uint64_t>(record.nDataOffset)))
        return State::kOther;
    if (record.nKind == kKindValue) {
        if (RegQueryValueExA(parent.Get(), record.sName.c_str(), nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return State::kAbsent;
        DWORD type = 0;
        std::vector<BYTE> data;
        return ReadSaved(in, BackupFile::kMaxRecordValue, type, data) &&
                       LiveValueIs(parent.Get(), record.sName.c_str(), type, data)
                   ? State::kSame
                   : State::kOther;
    }
    RegKey key;
    if (!key.Open(parent.Get(), record.sName.c_str(), KEY_READ))
        return State::kAbsent;
    return SameTree(in, key.Get(), 1) ? State::kSame : State::kOther;
}

void LiveEntry::MarkChanged(void* file, std::vector<JobResult>& records, std::vector<std::string>& notes)
{
    notes.assign(records.size(), std::string());
    for (size_t i = 0; i < records.size(); ++i) {
        JobResult& record = records[i];
        if ((record.nKind != kKindValue && record.nKind != kKindKey) || Compare(file, record) != State::kOther)
            continue;
        record.bSelected = false;
        notes[i] = kOtherDataNote;
    }
}

} // namespace ovra
