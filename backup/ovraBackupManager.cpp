// One backup record: its fields and the registry data it names (a value
// block for a value, a key block for a whole key tree), written from the live
// registry and read back with every length checked against the file.
#include "backup/ovraBackupManager.h"

#include "backup/ovraBackupFile.h"
#include "platform/ovraCodePage.h"
#include "platform/ovraRegKey.h"

#include <cstring>
#include <vector>

namespace ovra {

namespace {

// Values are read with the wide functions, whose data may take two bytes for
// every byte the file holds of it: a value record's value is asked for with
// room for twice what the file keeps.
const DWORD kWideRecordValue = 2 * BackupFile::kMaxRecordValue;

} // namespace

bool BackupManager::IsKnownRoot(uint32_t root)
{
    return root == 0x80000000u || root == 0x80000001u || root == 0x80000002u;
}

bool BackupManager::WriteString(void* file, const char* text)
{
    BackupFile out(file);
    return out.WriteText(text);
}

void BackupManager::ReadString(void* file, std::string& text)
{
    BackupFile in(file);
    in.ReadText(text);
}

bool BackupManager::WriteRecord(void* file, JobResult& record)
{
    BackupFile out(file);
    return WriteRecordTo(out, record);
}

bool BackupManager::WriteRecordTo(BackupFile& out, JobResult& record)
{
    const bool fields = out.WriteU32(record.hRoot) && out.WriteText(record.sKeyPath) && out.WriteText(record.sName) &&
                        out.WriteText(record.sSection) && out.WriteText(record.sValue) &&
                        out.WriteText(record.sProblem) && out.WriteU32(static_cast<uint32_t>(record.nJobId)) &&
                        out.WriteU32(static_cast<uint32_t>(record.nKind));
    if (!fields)
        return false;
    const HKEY root = RegKey::Root(record.hRoot);
    // A key record that no reader would take back is not saved.
    if (record.nKind == kKindKey && !IsOneKeyName(record.sName))
        return false;
    if (record.nKind == kKindValue)
        return WriteValueBlock(out, root, record.sKeyPath.c_str(), record.sName.c_str());
    if (record.nKind == kKindKey)
        return WriteKeyRecord(out, root, record.sKeyPath.c_str(), record.sName.c_str());
    return true;
}

bool BackupManager::WriteRegistryValue(void* file, HKEY root, const char* keyPath, const char* valueName)
{
    BackupFile out(file);
    return WriteValueBlock(out, root, keyPath, valueName);
}

// Read with the wide functions, so that the file's code page, not the
// program's, decides how the text is kept.
bool BackupManager::WriteValueBlock(BackupFile& out, HKEY root, const char* keyPath, const char* valueName)
{
    RegKey key;
    std::wstring name;
    if (!key.Open(root, keyPath, KEY_READ) || !CodePage::ToWide(valueName, name))
        return false;
    // A value record's value is saved only up to kMaxRecordValue bytes in
    // the file; larger data fails the record.
    std::vector<BYTE> data(kWideRecordValue);
    DWORD type = 0;
    DWORD size = kWideRecordValue;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return false;
    return out.WriteData(type, data.data(), size, BackupFile::kMaxRecordValue);
}

bool BackupManager::WriteRegistryKey(void* file, HKEY root, const char* keyPath, const char* name)
{
    BackupFile out(file);
    return WriteKeyRecord(out, root, keyPath, name);
}

bool BackupManager::WriteKeyRecord(BackupFile& out, HKEY root, const char* keyPath, const char* name)
{
    // Opened in two steps, as the deletion opens it: the ANSI functions take
    // paths of at most 260 characters, so a joined path could fail where the
    // deletion would succeed, and no fixed buffer limits the join either.
    RegKey parent;
    RegKey key;
    std::wstring wideName;
    if (!CodePage::ToWide(name, wideName) || !parent.Open(root, keyPath, KEY_READ) ||
        !key.Open(parent.Get(), wideName.c_str(), KEY_READ))
        return false;
    return WriteKeyBlock(out, key.Get(), wideName, 1);
}

bool BackupManager::HelperWriteKey(void* file, HKEY key, const char* name)
{
    BackupFile out(file);
    std::wstring wideName;
    return CodePage::ToWide(name, wideName) && WriteKeyBlock(out, key, wideName, 1);
}

// The deletion removes everything below the key, so everything must be saved:
// buffers come from the key's own longest name and value, and any entry that
// cannot be read fails the whole tree instead of being left out.
bool BackupManager::WriteKeyBlock(BackupFile& out, HKEY key, const std::wstring& name, int depth)
{
    if (depth > BackupFile::kMaxDepth)
        return false;
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestValueName = 0, longestData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                         &longestValueName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    // A value larger than any reader takes back fails the tree, before a
    // buffer is made for it. Its text in the file can be half its size.
    if (longestData > 2 * BackupFile::kMaxTreeValue)
        return false;
    if (!out.WriteWide(name.data(), name.size()) || !out.WriteU32(values) || !out.WriteU32(subkeys))
        return false;

    std::vector<wchar_t> valueName(longestValueName + 1);
    std::vector<BYTE> data(longestData + 2);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = 0, type = 0, size = 0;
        LONG rc = ERROR_MORE_DATA;
        // A value that grew since the key was asked gets a second, larger try.
        for (int attempt = 0; attempt < 3 && rc == ERROR_MORE_DATA; ++attempt) {
            nameLength = static_cast<DWORD>(valueName.size());
            size = static_cast<DWORD>(data.size());
            rc = RegEnumValueW(key, i, valueName.data(), &nameLength, nullptr, &type, data.data(), &size);
            if (rc == ERROR_MORE_DATA) {
                if (size > 2 * BackupFile::kMaxTreeValue)
                    return false;
                if (size > data.size())
                    data.resize(size);
                valueName.resize(valueName.size() * 2);
            }
        }
        if (rc != ERROR_SUCCESS || !out.WriteWide(valueName.data(), nameLength) ||
            !out.WriteData(type, data.data(), size, BackupFile::kMaxTreeValue))
            return false;
    }

    std::vector<wchar_t> subkeyName(longestSubkey + 1);
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD nameLength = static_cast<DWORD>(subkeyName.size());
        if (RegEnumKeyExW(key, i, subkeyName.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return false;
        const std::wstring child(subkeyName.data(), nameLength);
        RegKey subkey;
        if (!subkey.Open(key, child.c_str(), KEY_READ) || !WriteKeyBlock(out, subkey.Get(), child, depth + 1))
            return false;
    }
    return true;
}

bool BackupManager::ReadRecord(void* file, JobResult& record)
{
    BackupFile in(file);
    return ReadRecordFrom(in, record);
}

bool BackupManager::ReadRecordFrom(BackupFile& in, JobResult& record)
{
    JobResult read;
    uint32_t jobId = 0, kind = 0;
    if (!in.ReadU32(read.hRoot) || !IsKnownRoot(read.hRoot))
        return false;
    // A text that has no exact form in the program's code page (a name in
    // another script, read where the code page is not UTF-8) would name
    // another entry: the record is refused as a damaged one is.
    if (!in.ReadText(read.sKeyPath) || !in.ReadText(read.sName) || !in.ReadText(read.sSection) ||
        !in.ReadText(read.sValue) || !in.ReadText(read.sProblem) || !in.ReadU32(jobId) || !in.ReadU32(kind))
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
    std::wstring name, own;
    return in.Position(start) && in.ReadWide(name) && in.Seek(start) && CodePage::ToWide(record.sName.c_str(), own) &&
           name == own && IsOneKeyName(record.sName);
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

// String data is read as text of the file's code page, so that a restore
// never meets data it cannot write back after it has begun.
bool BackupManager::SkipValueBlock(BackupFile& in, uint32_t cap)
{
    uint32_t type = 0, size = 0;
    if (!in.ReadU32(type) || !in.ReadSize(size, cap))
        return false;
    if (!CodePage::IsStringType(type))
        return in.Skip(size);
    std::vector<BYTE> bytes(size), data;
    DWORD wideSize = 0;
    return in.Read(bytes.data(), size) && in.DecodeData(type, bytes, data, wideSize);
}

// Walks one key block without touching the registry. It is also the check a
// restore runs before it writes anything: a block it accepts is whole, with
// counts the file can hold, names the registry could have produced and no
// deeper nesting than the registry allows.
bool BackupManager::SkipKeyBlock(BackupFile& in, int depth)
{
    if (depth > BackupFile::kMaxDepth)
        return false;
    std::wstring name;
    uint32_t values = 0, subkeys = 0;
    uint64_t remaining = 0;
    // Names are read as characters of the file's code page: a trail byte of
    // a double-byte character may have a backslash's value, and a name that
    // cannot be read as text could not be restored.
    if (!in.ReadWide(name) || !in.ReadU32(values) || !in.ReadU32(subkeys) || !in.Remaining(remaining))
        return false;
    if (depth > 1 && (name.empty() || name.find(L'\\') != std::wstring::npos))
        return false;
    const uint64_t entries = static_cast<uint64_t>(values) + subkeys;
    if (entries * BackupFile::kMinEntry > remaining)
        return false;
    for (uint32_t i = 0; i < values; ++i) {
        if (!in.ReadWide(name) || !SkipValueBlock(in, BackupFile::kMaxTreeValue))
            return false;
    }
    for (uint32_t i = 0; i < subkeys; ++i) {
        if (!SkipKeyBlock(in, depth + 1))
            return false;
    }
    return true;
}

} // namespace ovra
