#pragma once

// The backups that the two builds hand each other: one value and one key
// tree under HKEY_CURRENT_USER\Software, which both registry views share, and
// whatever a scan of the whole catalogue finds, which on 64-bit Windows
// includes the 32-bit twins of the checked keys, named in native terms.
#include "backup/ovraBackupManager.h"
#include "backup/ovraExecutor.h"
#include "platform/ovraExistenceCache.h"
#include "scan/ovraJobEnumerator.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace ovrapeer {

const char kBase[] = "Software\\OvraPeerBackup";

inline ovra::JobResult Record(const char* name, int32_t kind)
{
    ovra::JobResult r;
    r.hRoot = 0x80000001u;
    r.sKeyPath = kBase;
    r.sName = name;
    r.sProblem = kind ? "Key shared by both builds" : "Value shared by both builds";
    r.sSection = "HKEY_CURRENT_USER\\Software\\OvraPeerBackup";
    r.sValue = name;
    r.nKind = kind;
    r.bSelected = true;
    return r;
}

inline std::vector<ovra::JobResult> Records()
{
    return {Record("v", ovra::kKindValue), Record("K", ovra::kKindKey)};
}

// Every type whose size differs between the builds' natural types, nested.
inline bool Seed()
{
    HKEY base = nullptr, key = nullptr, sub = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kBase, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &base, nullptr))
        return false;
    const unsigned long long qword = 0x0123456789ABCDEFull;
    const DWORD dword = 0xFEEDF00Du;
    const char multi[] = "one\0two\0";
    const BYTE binary[] = {0, 1, 2, 0xFE, 0xFF};
    bool ok = !RegSetValueExA(base, "v", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%SystemRoot%\\x.dll"),
                              19) &&
              !RegCreateKeyExA(base, "K", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) &&
              !RegSetValueExA(key, "q", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&qword), sizeof(qword)) &&
              !RegSetValueExA(key, "d", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), sizeof(dword)) &&
              !RegSetValueExA(key, "m", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof(multi)) &&
              !RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr) &&
              !RegSetValueExA(sub, "", 0, REG_BINARY, binary, sizeof(binary));
    for (HKEY h : {sub, key, base})
        if (h)
            RegCloseKey(h);
    return ok;
}

// Writes the shared records to a backup of this name in the backup folder.
inline bool Write(const char* name)
{
    std::vector<ovra::JobResult> records = Records();
    return ovra::BackupManager().WriteBackup(name, records);
}

// Every check once, inside a scan's existence cache, as a scan runs them;
// with a marker, only the records whose name or value holds it.
inline std::vector<ovra::JobResult> Scan(const char* marker)
{
    ovra::JobEnumerator catalogue;
    ovra::ExistenceCache::Scope cache;
    ovra::JobStatus status;
    std::vector<ovra::JobResult> found, kept;
    for (ovra::Job* job : catalogue.m_jobs)
        job->OnRun(status, found);
    for (const ovra::JobResult& record : found)
        if (!marker || std::strstr(record.sName.c_str(), marker) || std::strstr(record.sValue.c_str(), marker))
            kept.push_back(record);
    return kept;
}

// Scans, and writes what it found to a backup of this name; with remove,
// then deletes it as a repair does.
inline bool ScanAndWrite(const char* name, const char* marker, bool remove)
{
    std::vector<ovra::JobResult> records = Scan(marker);
    if (records.empty() || !ovra::BackupManager().WriteBackup(name, records))
        return false;
    return !remove || ovra::Executor().DeleteRecords(records);
}

// Writes every record of the backup of this name back into the registry.
inline bool Restore(const char* name)
{
    ovra::BackupManager manager;
    std::vector<ovra::JobResult> records;
    if (!manager.ReadBackup(name, records) || records.empty())
        return false;
    char folder[2048], path[4096];
    ovra::BackupManager::GetBackupDirectory(folder);
    const int length = std::snprintf(path, sizeof(path), "%s%s", folder, name);
    if (length < 0 || static_cast<size_t>(length) >= sizeof(path))
        return false;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    for (ovra::JobResult& r : records)
        r.bSelected = true;
    const bool ok = ovra::Executor().RestoreRecords(file, records, manager);
    CloseHandle(file);
    return ok;
}

} // namespace ovrapeer
