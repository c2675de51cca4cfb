// One backup record: its fields and the registry data it names (a value
// block for a value, a key block for a whole key tree), written from the live
// registry and read back with every length checked against the file.
#include "backup/ovraBackupManager.h"

#include "backup/ovraBackupFile.h"
#include "platform/ovraCodePage.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegText.h"

#include <cstring>
#include <vector>

namespace ovra {

namespace {

// Names in the ANSI code page can take two bytes per character, while the
// registry reports its longest names in characters.
DWORD NameBufferSize(DWORD longest)
{
    return (longest + 1) * 2;
}

} // namespace

bool BackupManager::IsKnownRoot(uint32_t root)
{
    return root == 0x80000000u || root == 0x80000001u || root == 0x80000002u;
}

bool BackupManager::WriteString(void* file, const char* text)
{
    BackupFile out(file);
    return out.WriteString(text, std::strlen(text));
}

void BackupManager::ReadString(void* file, std::string& text)
{
    BackupFile in(file);
    in.ReadString(text);
}

bool BackupManager::WriteRecord(void* file, JobResult& record)
{
    BackupFile out(file);
    const bool fields = out.WriteU32(record.hRoot) && WriteString(file, record.sKeyPath.c_str()) &&
                        WriteString(file, record.sName.c_str()) && WriteString(file, record.sSection.c_str()) &&
                        WriteString(file, record.sValue.c_str()) && WriteString(file, record.sProblem.c_str()) &&
                        out.WriteU32(static_cast<uint32_t>(record.nJobId)) &&
                        out.WriteU32(static_cast<uint32_t>(record.nKind));
    if (!fields)
        return false;
    const HKEY root = RegKey::Root(record.hRoot);
    // A key record that no reader would take back is not saved.
    if (record.nKind == kKindKey && !IsOneKeyName(record.sName))
        return false;
    if (record.nKind == kKindValue)
        return WriteRegistryValue(file, root, record.sKeyPath.c_str(), record.sName.c_str());
    if (record.nKind == kKindKey)
        return WriteRegistryKey(file, root, record.sKeyPath.c_str(), record.sName.c_str());
    return true;
}

bool BackupManager::WriteRegistryValue(void* file, HKEY root, const char* keyPath, const char* valueName)
{
    RegKey key;
    // A name or string the code page cannot hold exactly would come back as
    // another text: the record fails, as an unreadable one does.
    if (!key.Open(root, keyPath, KEY_READ) || !RegText::ValueFitsCodePage(key.Get(), valueName))
        return false;
    // A value record's value is saved only up to this size; larger data
    // fails the record.
    std::vector<BYTE> data(BackupFile::kMaxRecordValue);
    DWORD type = 0;
    DWORD size = BackupFile::kMaxRecordValue;
    if (RegQueryValueExA(key.Get(), valueName, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return false;
    BackupFile out(file);
    return out.WriteU32(type) && out.WriteU32(size) && out.Write(data.data(), size);
}

bool BackupManager::WriteRegistryKey(void* file, HKEY root, const char* keyPath, const char* name)
{
    // Opened in two steps, as the deletion opens it: the ANSI functions take
    // paths of at most 260 characters, so a joined path could fail where the
    // deletion would succeed, and no fixed buffer limits the join either.
    RegKey parent;
    RegKey key;
    if (!parent.Open(root, keyPath, KEY_READ) || !key.Open(parent.Get(), name, KEY_READ))
        return false;
    BackupFile out(file);
    return WriteKeyBlock(out, key.Get(), name, 1);
}

bool BackupManager::HelperWriteKey(void* file, HKEY key, const char* name)
{
    BackupFile out(file);
    return WriteKeyBlock(out, key, name, 1);
}

// The deletion removes everything below the key, so everything must be saved:
// buffers come from the key's own longest name and value, and any entry that
// cannot be read fails the whole tree instead of being left out.
bool BackupManager::WriteKeyBlock(BackupFile& out, HKEY key, const char* name, int depth)
{
    if (depth > BackupFile::kMaxDepth)
        return false;
    // The whole tree is checked once, from its top: any key name, value name
    // or string the code page cannot hold exactly fails the tree.
    if (depth == 1 && !RegText::TreeFitsCodePage(key))
        return false;
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestValueName = 0, longestData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                         &longestValueName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    // A value larger than any reader takes back fails the tree, before a
    // buffer is made for it.
    if (longestData > BackupFile::kMaxTreeValue)
        return false;
    if (!out.WriteString(name, std::strlen(name)) || !out.WriteU32(values) || !out.WriteU32(subkeys))
        return false;

    std::vector<char> valueName(NameBufferSize(longestValueName));
    std::vector<BYTE> data(longestData + 1);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = 0, type = 0, size = 0;
        LONG rc = ERROR_MORE_DATA;
        // A value that grew since the key was asked gets a second, larger try.
        for (int attempt = 0; attempt < 3 && rc == ERROR_MORE_DATA; ++attempt) {
            nameLength = static_cast<DWORD>(valueName.size());
            size = static_cast<DWORD>(data.size());
            rc = RegEnumValueA(key, i, valueName.data(), &nameLength, nullptr, &type, data.data(), &size);
            if (rc == ERROR_MORE_DATA) {
                if (size > BackupFile::kMaxTreeValue)
                    return false;
                if (size > data.size())
                    data.resize(size);
                valueName.resize(valueName.size() * 2);
            }
        }
        if (rc != ERROR_SUCCESS || size > BackupFile::kMaxTreeValue)
            return false;
        if (!out.WriteString(valueName.data(), nameLength) || !out.WriteU32(type) || !out.WriteU32(size) ||
            !out.Write(data.data(), size))
            return false;
    }

    std::vector<char> subkeyName(NameBufferSize(longestSubkey));
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD nameLength = static_cast<DWORD>(subkeyName.size());
        if (RegEnumKeyExA(key, i, subkeyName.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return false;
        RegKey subkey;
        if (!subkey.Open(key, subkeyName.data(), KEY_READ))
            return false;
        if (!WriteKeyBlock(out, subkey.Get(), subkeyName.data(), depth + 1))
            return false;
    }
    return true;
}

bool BackupManager::ReadRecord(void* file, JobResult& record)
{
    BackupFile in(file);
    JobResult read;
    uint32_t jobId = 0, kind = 0;
    if (!in.ReadU32(read.hRoot) || !IsKnownRoot(read.hRoot))
        return false;
    if (!in.ReadString(read.sKeyPath) || !in.ReadString(read.sName) || !in.ReadString(read.sSection) ||
        !in.ReadString(read.sValue) || !in.ReadString(read.sProblem) || !in.ReadU32(jobId) || !in.ReadU32(kind))
        return false;
    uint64_t offset = 0;
    if (!in.Position(offset) || offset > 0x7FFFFFFFu)
        return false;
    read.nJobId = static_cast<int32_t>(jobId);
    read.nKind = static_cast<int32_t>(kind);
    read.nDataOffset = static_cast<int32_t>(offset);
    if (read.nKind == kKindValue && !SkipValueBlock(in, BackupFile::kMaxRecordValue))
        return false;
    if (read.nKind == kKindKey && (!NamesOwnKey(in, read) || !SkipKeyBlock(in, 1)))
        return false;

    // Only a whole record reaches the caller; the tick stays the caller's.
    read.bSelected = record.bSelected;
    record = read;
    return true;
}

bool BackupManager::IsOneKeyName(const std::string& name)
{
    return !name.empty() && CodePage::LastBackslash(name.c_str()) == nullptr;
}

// A key block is restored under the name it carries. Only a block that names
// the record's own key, by one key name, is taken: an empty name would put
// the saved values into the parent key itself (into ...\Uninstall, say), and
// a path would reach a key the record does not name. The file is left where
// it was.
bool BackupManager::NamesOwnKey(BackupFile& in, const JobResult& record)
{
    uint64_t start = 0;
    std::string name;
    return in.Position(start) && in.ReadString(name) && in.Seek(start) && name == record.sName &&
           IsOneKeyName(name);
}

void BackupManager::SkipRegistryValue(void* file)
{
    BackupFile in(file);
    SkipValueBlock(in, BackupFile::kMaxRecordValue);
}

void BackupManager::SkipRegistryKey(void* file)
{
    BackupFile in(file);
    SkipKeyBlock(in, 1);
}

bool BackupManager::SkipValueBlock(BackupFile& in, uint32_t cap)
{
    uint32_t type = 0, size = 0;
    return in.ReadU32(type) && in.ReadSize(size, cap) && in.Skip(size);
}

// Walks one key block without touching the registry. It is also the check a
// restore runs before it writes anything: a block it accepts is whole, with
// counts the file can hold, names the registry could have produced and no
// deeper nesting than the registry allows.
bool BackupManager::SkipKeyBlock(BackupFile& in, int depth)
{
    if (depth > BackupFile::kMaxDepth)
        return false;
    std::string name;
    uint32_t values = 0, subkeys = 0;
    uint64_t remaining = 0;
    if (!in.ReadString(name) || !in.ReadU32(values) || !in.ReadU32(subkeys) || !in.Remaining(remaining))
        return false;
    // A backslash character, not a trail byte of that value: double-byte
    // code pages put one inside characters such as U+8868.
    if (depth > 1 && (name.empty() || CodePage::LastBackslash(name.c_str()) != nullptr))
        return false;
    const uint64_t entries = static_cast<uint64_t>(values) + subkeys;
    if (entries * BackupFile::kMinEntry > remaining)
        return false;
    for (uint32_t i = 0; i < values; ++i) {
        if (!in.ReadString(name) || !SkipValueBlock(in, BackupFile::kMaxTreeValue))
            return false;
    }
    for (uint32_t i = 0; i < subkeys; ++i) {
        if (!SkipKeyBlock(in, depth + 1))
            return false;
    }
    return true;
}

} // namespace ovra
