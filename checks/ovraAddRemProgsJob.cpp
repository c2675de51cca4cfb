#include "checks/ovraAddRemProgsJob.h"

#include "checks/ovraFileUtils.h"
#include "checks/ovraRegKey.h"
#include "checks/ovraSweepline.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace ovra {

namespace {

const char kUninstallPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kFoldersPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
const char kProblem[] = "Add/Remove item is invalid";
constexpr DWORD kBufferSize = 2048;

// Reads the uninstall command of one entry into command as text; false when
// the entry has none that fits, or stores it as anything but a string.
bool ReadUninstallCommand(HKEY entry, char (&command)[kBufferSize])
{
    char data[kBufferSize];
    DWORD type = 0;
    DWORD length = kBufferSize;
    if (RegQueryValueExA(entry, "UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(data), &length) !=
        ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;

    // Data stored without its terminator fits only when there is room to
    // add one; a text that fills the whole buffer is too long to judge.
    if (!std::memchr(data, '\0', length)) {
        if (length >= kBufferSize)
            return false;
        data[length] = '\0';
    }

    if (type == REG_SZ) {
        std::memcpy(command, data, std::strlen(data) + 1);
        return true;
    }
    // A cut expansion would name another file and could call a live entry
    // dead: an expansion that does not fit is not judged at all.
    const DWORD expanded = ExpandEnvironmentStringsA(data, command, kBufferSize);
    if (expanded == 0 || expanded > kBufferSize || !std::memchr(command, '\0', kBufferSize))
        return false;
    return true;
}

JobResult MakeRecord(const char* keyPath, const char* name, const char* value, int jobId, int32_t kind)
{
    JobResult record;
    record.hRoot = 0x80000002u; // HKEY_LOCAL_MACHINE
    record.sKeyPath = keyPath;
    record.sName = name;
    record.sProblem = kProblem;
    record.sSection = keyPath;
    record.sValue = value;
    record.nJobId = jobId;
    record.nKind = kind;
    record.bSelected = true;
    return record;
}

} // namespace

AddRemProgsJob::AddRemProgsJob()
{
    m_strName = "Add/Remove Programs";
    m_strDescription = "Powerful invalid program entry search using Ovra Sweepline technology.";
    m_nIconId = 122;
}

void AddRemProgsJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    ScanPrograms(status, results);
    if (!status.bCancel)
        ScanFolders(status, results);
}

void AddRemProgsJob::ScanPrograms(JobStatus& status, std::vector<JobResult>& results)
{
    RegKey uninstall;
    if (!uninstall.Open(HKEY_LOCAL_MACHINE, kUninstallPath, KEY_READ))
        return;
    DWORD count = 0;
    if (RegQueryInfoKeyA(uninstall.Get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;

    for (DWORD index = 0; index < count && !status.bCancel; ++index) {
        char name[kBufferSize];
        DWORD nameLength = kBufferSize;
        if (RegEnumKeyExA(uninstall.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;

        char command[kBufferSize];
        {
            RegKey entry;
            if (!entry.Open(uninstall.Get(), name, KEY_READ))
                continue;
            if (!ReadUninstallCommand(entry.Get(), command))
                continue;
        }
        if (!IsSuspiciousUninstallString(command))
            continue;

        // The shown text is cut to its buffer when name and command together
        // do not fit; the record itself names the entry in full.
        char value[kBufferSize];
        std::snprintf(value, sizeof(value), "%s = %s", name, command);
        results.push_back(MakeRecord(kUninstallPath, name, value, m_nId, kKindKey));
        ++status.nCount;
    }
}

void AddRemProgsJob::ScanFolders(JobStatus& status, std::vector<JobResult>& results)
{
    RegKey folders;
    if (!folders.Open(HKEY_LOCAL_MACHINE, kFoldersPath, KEY_READ))
        return;
    DWORD count = 0;
    if (RegQueryInfoKeyA(folders.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;

    // Once begun, this walk is short and always finishes.
    for (DWORD index = 0; index < count; ++index) {
        char name[kBufferSize];
        DWORD nameLength = kBufferSize;
        if (RegEnumValueA(folders.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        if (!FileUtils::IsFullPath(name) || FileUtils::FileExits(name))
            continue;
        results.push_back(MakeRecord(kFoldersPath, name, name, m_nId, kKindValue));
        ++status.nCount;
    }
}

} // namespace ovra
