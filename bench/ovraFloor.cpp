#include "bench/ovraFloor.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraRegKey.h"
#include "checks/ovraSweepline.h"

#include <cstdio>
#include <cstring>

namespace ovra {

namespace {

const DWORD kSize = 2048;

enum How { kNames = 0, kData = 1, kHelpFolder = 2, kFontFile = 3, kNameOfString = 4 };

bool IsDrivePath(const char* path)
{
    return path[0] && path[1] == ':' && path[2] == '\\' &&
           ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
}

} // namespace

Floor::Floor(bool driveOncePerLetter)
    : m_bDriveOncePerLetter(driveOncePerLetter), m_driveTypes{}, m_nQuestions(0), m_szFonts{}
{
    const UINT length = GetWindowsDirectoryA(m_szFonts, MAX_PATH);
    std::snprintf(m_szFonts + length, MAX_PATH - length, "%sFONTS\\", length && m_szFonts[length - 1] == '\\' ? "" : "\\");
}

bool Floor::Missing(const char* path)
{
    if (!IsDrivePath(path))
        return false;
    const char root[4] = {path[0], ':', '\\', '\0'};
    unsigned& type = m_driveTypes[(path[0] | 0x20) - 'a'];
    if (!m_bDriveOncePerLetter || type == 0)
        type = GetDriveTypeA(root) + 1;
    if (type != DRIVE_FIXED + 1)
        return false;
    ++m_nQuestions;
    return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && FileUtils::IsMissingError(GetLastError());
}

const char* Floor::Text(DWORD type, char* data, DWORD length, char* expanded)
{
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return nullptr;
    data[length < kSize ? length : kSize - 1] = '\0';
    if (type == REG_SZ)
        return data;
    const DWORD needed = ExpandEnvironmentStringsA(data, expanded, kSize);
    return needed && needed <= kSize ? expanded : nullptr;
}

int Floor::Values(HKEY root, const char* path, int how)
{
    RegKey key;
    DWORD count = 0;
    if (!key.Open(root, path, KEY_READ) || RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                                            nullptr, &count, nullptr, nullptr, nullptr,
                                                            nullptr) != ERROR_SUCCESS)
        return 0;
    int missing = 0;
    char name[kSize], data[kSize], expanded[kSize], joined[kSize];
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLength = kSize, dataLength = kSize, type = 0;
        if (how == kNames) {
            if (RegEnumValueA(key.Get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
                missing += Missing(name);
            continue;
        }
        if (RegEnumValueA(key.Get(), i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &dataLength) != ERROR_SUCCESS)
            continue;
        if (how == kNameOfString) {
            if (type == REG_SZ)
                missing += Missing(name);
            continue;
        }
        const char* text = Text(type, data, dataLength, expanded);
        if (!text)
            continue;
        if (how == kHelpFolder) {
            const size_t n = std::strlen(text);
            std::snprintf(joined, kSize, "%s%s%s", text, n && text[n - 1] != '\\' ? "\\" : "", name);
            text = joined;
        } else if (how == kFontFile && !IsDrivePath(text)) {
            std::snprintf(joined, kSize, "%s%s", m_szFonts, text);
            text = joined;
        }
        missing += Missing(text);
    }
    return missing;
}

// Subkey walks: open each subkey (or the path format makes from its name),
// read one value and test what it names.
int Floor::DefaultValues(HKEY root, const char* path, const char* format, const char* valueName, bool uninstall)
{
    RegKey key;
    DWORD count = 0;
    if (!key.Open(root, path, KEY_READ) || RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &count, nullptr,
                                                            nullptr, nullptr, nullptr, nullptr, nullptr,
                                                            nullptr) != ERROR_SUCCESS)
        return 0;
    int missing = 0;
    char name[kSize], sub[kSize], data[kSize], expanded[kSize];
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLength = kSize;
        if (RegEnumKeyExA(key.Get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        RegKey entry;
        if (format) {
            std::snprintf(sub, kSize, format, name);
            if (!entry.Open(root, sub, KEY_READ))
                continue;
        } else if (!entry.Open(key.Get(), name, KEY_READ)) {
            continue;
        }
        DWORD type = 0, length = kSize;
        if (RegQueryValueExA(entry.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &length) !=
            ERROR_SUCCESS)
            continue;
        entry.Close();
        const char* text = Text(type, data, length, expanded);
        if (!text)
            continue;
        if (uninstall) {
            // The searches an uninstall command needs follow from its parse.
            missing += IsSuspiciousUninstallString(text);
            continue;
        }
        missing += Missing(text);
    }
    return missing;
}

int Floor::Run()
{
    m_nQuestions = 0;
    for (unsigned& type : m_driveTypes)
        type = 0;
    int missing = 0;
    missing += Values(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                      kData);
    missing += DefaultValues(HKEY_CLASSES_ROOT, "CLSID", "CLSID\\%s\\InprocServer32", nullptr, false);
    missing += DefaultValues(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", nullptr,
                             nullptr, false);
    missing += Values(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache", kNameOfString);
    missing += Values(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", kFontFile);
    missing += Values(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\Help", kHelpFolder);
    missing += Values(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\HTML Help", kHelpFolder);
    missing += Values(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", kNames);
    missing += Values(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", kData);
    missing += DefaultValues(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", nullptr,
                             "UninstallString", true);
    missing += Values(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders", kNames);
    return missing;
}

} // namespace ovra
