#pragma once

// Shared by the backup tests: the backup folder beside the test executable,
// whole files as byte strings, and records written one by one with the
// position where each ends.
#include "backup/ovraBackupManager.h"
#include "backup/ovraExecutor.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace ovratest {

// Random tests print their seed; OVRA_SEED repeats a run.
inline uint32_t SeedFromEnvironment()
{
    const char* text = std::getenv("OVRA_SEED");
    if (text && *text)
        return static_cast<uint32_t>(std::strtoul(text, nullptr, 10));
    return static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

inline std::string BackupFolder()
{
    char path[2048];
    ovra::BackupManager::GetBackupDirectory(path);
    return path;
}

inline std::string BackupPath(const std::string& name)
{
    return BackupFolder() + name;
}

// The file a backup asked for as name became: ".backup3" when its texts did
// not fit the system's code page.
inline std::string WrittenName(std::string name)
{
    if (GetFileAttributesA(BackupPath(name).c_str()) == INVALID_FILE_ATTRIBUTES)
        name.back() = '3';
    return name;
}

// Every backup test starts and ends with no backup folder, so the folder
// beside the test executables is left as it was found.
class BackupFolderTest : public testing::Test {
protected:
    void SetUp() override { RemoveFolder(); }
    void TearDown() override { RemoveFolder(); }
    static void RemoveFolder()
    {
        std::string folder = BackupFolder();
        folder.pop_back();
        if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
            remove_dir_tree(folder.c_str());
    }
};

inline std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

inline ovra::JobResult MakeRecord(HKEY root, const std::string& keyPath, const std::string& name, int32_t kind,
                                  int32_t jobId = 3)
{
    ovra::JobResult record;
    record.hRoot = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(root));
    record.sKeyPath = keyPath;
    record.sName = name;
    record.sProblem = "Value is invalid.";
    record.sSection = "HKEY_CURRENT_USER\\" + keyPath;
    record.sValue = name + " = data";
    record.nJobId = jobId;
    record.nKind = kind;
    record.bSelected = true;
    return record;
}

// Writes a whole backup file the way the store does, noting where each
// record ends; false when any record could not be written.
inline bool WriteRecordsTo(const std::string& path, std::vector<ovra::JobResult>& records,
                           std::vector<uint64_t>* ends = nullptr)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ovra::BackupManager manager;
    const uint32_t count = static_cast<uint32_t>(records.size());
    DWORD written = 0;
    bool ok = WriteFile(file, &count, 4, &written, nullptr) && written == 4;
    for (ovra::JobResult& record : records) {
        ok = ok && manager.WriteRecord(file, record);
        if (ends)
            ends->push_back(SetFilePointer(file, 0, nullptr, FILE_CURRENT));
    }
    CloseHandle(file);
    return ok;
}

inline HANDLE OpenForRestore(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// A registry link to a key that does not exist: it is listed among its
// parent's subkeys but cannot be opened, read or deleted through the ordinary
// functions, a real part of a tree that neither a backup nor a deletion reaches.
inline bool AddDanglingLink(HKEY parent, const wchar_t* name)
{
    HKEY link = nullptr;
    LONG rc = RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr, &link,
                              nullptr);
    if (rc != ERROR_SUCCESS)
        return false;
    const wchar_t target[] = L"\\Registry\\Machine\\Software\\OvraBackupTestNowhere";
    rc = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target),
                        sizeof(target) - sizeof(wchar_t));
    RegCloseKey(link);
    return rc == ERROR_SUCCESS;
}

inline void RemoveDanglingLink(HKEY parent, const wchar_t* name)
{
    HKEY link = nullptr;
    if (RegOpenKeyExW(parent, name, REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS | DELETE, &link) == ERROR_SUCCESS) {
        using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
        auto deleteKey = reinterpret_cast<NtDeleteKeyFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
        if (deleteKey)
            deleteKey(link);
        RegCloseKey(link);
    }
}

// The whole road of a repair: a backup of records, their deletion (after
// which afterRepair looks at the registry), and a restore from that backup.
inline void RepairAndRestore(std::vector<ovra::JobResult>& records, const std::function<void()>& afterRepair)
{
    ovra::BackupManager manager;
    ovra::Executor executor;
    std::string file;
    manager.GetBackupName(file);
    ASSERT_TRUE(manager.WriteBackup(file.c_str(), records));
    file = WrittenName(file);
    EXPECT_TRUE(executor.DeleteRecords(records));
    afterRepair();
    std::vector<ovra::JobResult> read;
    ASSERT_TRUE(manager.ReadBackup(file.c_str(), read));
    HANDLE backup = OpenForRestore(BackupPath(file));
    EXPECT_TRUE(executor.RestoreRecords(backup, read, manager, ovra::BackupManager::TextOf(file)));
    CloseHandle(backup);
}

inline bool SameFields(const ovra::JobResult& a, const ovra::JobResult& b)
{
    return a.hRoot == b.hRoot && a.sKeyPath == b.sKeyPath && a.sName == b.sName && a.sSection == b.sSection &&
           a.sValue == b.sValue && a.sProblem == b.sProblem && a.nJobId == b.nJobId && a.nKind == b.nKind;
}

} // namespace ovratest
