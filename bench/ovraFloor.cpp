#include "bench/ovraFloor.h"

#include "platform/ovraExistenceCache.h"
#include "platform/ovraFileUtils.h"
#include "platform/ovraPathViews.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegText.h"
#include "platform/ovraRegView.h"
#include "bench/ovraStopwatch.h"
#include "checks/ovraCommandLine.h"
#include "checks/ovraSweepline.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace ovra {

namespace {

const DWORD kSize = 2048;

enum How { kNames = 0, kData = 1, kHelpFolder = 2, kFontFile = 3, kNameOfString = 4, kCachedProgram = 5, kCommand = 6 };

long g_questions = 0;

// One spelling in one view, nothing remembered.
bool Attributes(const char* path, bool native)
{
    ++g_questions;
    PathViews::NativeScope view(native);
    if (!view.Active())
        return true;
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES || !FileUtils::IsMissingError(GetLastError());
}

bool SubkeyName(HKEY key, DWORD index, char* name)
{
    DWORD length = kSize;
    return RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The program path of a Vista cache value name, or false.
bool CachedProgram(const char* name, std::string& program)
{
    const char* dot = std::strrchr(name, '.');
    if (!dot || name[0] == '@' || (lstrcmpiA(dot, ".FriendlyAppName") && lstrcmpiA(dot, ".ApplicationCompany")))
        return false;
    program.assign(name, static_cast<size_t>(dot - name));
    return true;
}

bool IsDrivePath(const char* path)
{
    return path[0] && path[1] == ':' && path[2] == '\\' &&
           ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
}

} // namespace

Floor::Floor(bool driveOncePerLetter)
    : m_bDriveOncePerLetter(driveOncePerLetter), m_driveTypes{}, m_szFonts{}, m_jobMs{}, m_pAreas(nullptr)
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
    return !PathViews::Exists(path, &Attributes);
}

bool Floor::MissingFile(const char* path)
{
    if (!Missing(path))
        return false;
    const char* slash = std::strrchr(path, '\\');
    if (!slash || !slash[1] || std::strspn(slash + 1, "0123456789") != std::strlen(slash + 1))
        return true;
    return Missing(std::string(path, static_cast<size_t>(slash - path)).c_str());
}

long Floor::Questions() const
{
    return g_questions;
}

const char* Floor::Text(DWORD type, char* data, DWORD length, char* expanded)
{
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return nullptr;
    data[length < kSize ? length : kSize - 1] = '\0';
    if (type == REG_SZ)
        return data;
    PathViews::NoteExpansion(data);
    const DWORD needed = ExpandEnvironmentStringsA(data, expanded, kSize);
    return needed && needed <= kSize ? expanded : nullptr;
}

int Floor::Values(HKEY root, const char* path, int how)
{
    int missing = 0;
    for (const std::string& area : RegView::AreaPaths(root, path)) {
        RegKey key;
        DWORD count = 0;
        if (!key.Open(root, area.c_str(), KEY_READ) ||
            RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        char name[kSize], data[kSize], expanded[kSize], joined[kSize];
        for (DWORD i = 0; i < count; ++i) {
            DWORD nameLength = kSize, dataLength = kSize, type = 0;
            PathViews::Forget();
            if (how == kNames) {
                if (RegEnumValueA(key.Get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) ==
                        ERROR_SUCCESS &&
                    Missing(name))
                    missing += Reported(key.Get(), name, false);
                continue;
            }
            if (RegEnumValueA(key.Get(), i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                              &dataLength) != ERROR_SUCCESS)
                continue;
            if (how == kNameOfString || how == kCachedProgram) {
                std::string program(name);
                if (type == REG_SZ && (how == kNameOfString || CachedProgram(name, program)) &&
                    Missing(program.c_str()))
                    missing += Reported(key.Get(), name, false);
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
            if (how == kCommand ? CommandLine::Read(text, CommandLine::Kind::kStartup).IsDead() : Missing(text))
                missing += Reported(key.Get(), name, false);
        }
    }
    return missing;
}

// Subkey walks: open each subkey (or the path format makes from the area
// and its name), read one value and test what it names.
int Floor::DefaultValues(HKEY root, const char* path, const char* format, const char* valueName, bool uninstall)
{
    int missing = 0;
    for (const std::string& area : RegView::AreaPaths(root, path)) {
        RegKey key;
        DWORD count = 0;
        if (!key.Open(root, area.c_str(), KEY_READ) ||
            RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        char name[kSize], sub[kSize], data[kSize], expanded[kSize];
        for (DWORD i = 0; i < count; ++i) {
            DWORD nameLength = kSize;
            if (RegEnumKeyExA(key.Get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                continue;
            PathViews::Forget();
            RegKey entry;
            if (format) {
                std::snprintf(sub, kSize, format, area.c_str(), name);
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
            // The searches an uninstall command needs follow from its parse.
            if (uninstall ? IsSuspiciousUninstallString(text) : Missing(text))
                missing += Reported(key.Get(), name, true);
        }
    }
    return missing;
}

// Every registration of every version of every library, each file asked.
int Floor::TypeLibraries()
{
    int missing = 0;
    for (const std::string& area : RegView::AreaPaths(HKEY_CLASSES_ROOT, "TypeLib")) {
        RegKey typeLib;
        if (!typeLib.Open(HKEY_CLASSES_ROOT, area.c_str(), KEY_READ))
            continue;
        char library[kSize], version[kSize], locale[kSize], data[kSize], expanded[kSize];
        for (DWORD i = 0; SubkeyName(typeLib.Get(), i, library); ++i) {
            RegKey libraryKey;
            if (!libraryKey.Open(typeLib.Get(), library, KEY_READ))
                continue;
            for (DWORD v = 0; SubkeyName(libraryKey.Get(), v, version); ++v) {
                RegKey versionKey;
                if (!versionKey.Open(libraryKey.Get(), version, KEY_READ))
                    continue;
                for (DWORD l = 0; SubkeyName(versionKey.Get(), l, locale); ++l) {
                    for (const char* platform : {"win32", "win64"}) {
                        RegKey file;
                        std::snprintf(data, kSize, "%s\\%s", locale, platform);
                        if (!file.Open(versionKey.Get(), data, KEY_READ))
                            continue;
                        DWORD type = 0, length = kSize;
                        PathViews::Forget();
                        if (RegQueryValueExA(file.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                             &length) != ERROR_SUCCESS)
                            continue;
                        if (const char* text = Text(type, data, length, expanded))
                            if (MissingFile(text))
                                missing += Reported(HKEY_CLASSES_ROOT, area + "\\" + library, version, true);
                    }
                }
            }
        }
    }
    return missing;
}

// What every record needs before it is shown: the check that the backup can
// save what it names and put it back the same (the code-page rule). Returns 1.
int Floor::Reported(HKEY root, const std::string& keyPath, const char* name, bool key)
{
    RegText::EntryFitsCodePage(root, keyPath.c_str(), name, key);
    return 1;
}

// The same for an entry of a key the walk holds open, as the checks do.
int Floor::Reported(HKEY parent, const char* name, bool key)
{
    RegText::EntryFitsCodePage(parent, name, key);
    return 1;
}

// Each value names a Capabilities key, looked for in both views.
int Floor::RegisteredApps()
{
    int missing = 0;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::string& area : RegView::AreaPaths(root, "Software\\RegisteredApplications")) {
            RegKey key;
            DWORD count = 0;
            if (!key.Open(root, area.c_str(), KEY_READ) ||
                RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                                 nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                continue;
            char name[kSize], data[kSize];
            for (DWORD i = 0; i < count; ++i) {
                DWORD nameLength = kSize, length = kSize, type = 0;
                if (RegEnumValueA(key.Get(), i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                  &length) != ERROR_SUCCESS || type != REG_SZ)
                    continue;
                data[length < kSize ? length : kSize - 1] = '\0';
                RegKey capabilities;
                if (!capabilities.Open(root, data, KEY_READ) && !capabilities.Open(root, data, KEY_READ | KEY_WOW64_32KEY))
                    missing += Reported(key.Get(), name, false);
            }
        }
    }
    return missing;
}

// The user's sound events, three levels down.
int Floor::Sounds()
{
    int missing = 0;
    RegKey apps;
    if (!apps.Open(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps", KEY_READ))
        return 0;
    char app[kSize], event[kSize], scheme[kSize], data[kSize], expanded[kSize];
    for (DWORD a = 0; SubkeyName(apps.Get(), a, app); ++a) {
        RegKey appKey;
        if (!appKey.Open(apps.Get(), app, KEY_READ))
            continue;
        for (DWORD e = 0; SubkeyName(appKey.Get(), e, event); ++e) {
            RegKey eventKey;
            if (!eventKey.Open(appKey.Get(), event, KEY_READ))
                continue;
            for (DWORD s = 0; SubkeyName(eventKey.Get(), s, scheme); ++s) {
                RegKey schemeKey;
                DWORD type = 0, length = kSize;
                PathViews::Forget();
                if (!schemeKey.Open(eventKey.Get(), scheme, KEY_READ) ||
                    RegQueryValueExA(schemeKey.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                     &length) != ERROR_SUCCESS)
                    continue;
                const char* text = Text(type, data, length, expanded);
                if (text && Missing(text))
                    missing += Reported(HKEY_CURRENT_USER,
                                        std::string("AppEvents\\Schemes\\Apps\\") + app + "\\" + event + "\\" + scheme, "",
                                        false);
            }
        }
    }
    return missing;
}

int Floor::Run()
{
    g_questions = 0;
    for (unsigned& type : m_driveTypes)
        type = 0;
    for (double& ms : m_jobMs)
        ms = 0.0;
    // The command-line parse shared with the checks asks drive types too:
    // for the tighter floor, there as well each letter once per run, every
    // path afresh.
    std::unique_ptr<ExistenceCache::Scope> drives;
    if (m_bDriveOncePerLetter)
        drives.reset(new ExistenceCache::Scope(false));
    Stopwatch watch;
    const auto lap = [&](int job) {
        m_jobMs[job] = watch.Ms();
        watch.Restart();
    };
    const HKEY user = HKEY_CURRENT_USER, machine = HKEY_LOCAL_MACHINE;
    const char* const appPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
    const char* const layers = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
    const char* const run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const char* const uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    const char* const server = "%s\\%s\\InprocServer32";
    int missing = 0;
    missing += Values(user, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", kData);
    lap(1);
    missing += DefaultValues(HKEY_CLASSES_ROOT, "CLSID", server, nullptr, false);
    missing += DefaultValues(user, "Software\\Classes\\CLSID", server, nullptr, false);
    missing += TypeLibraries();
    lap(2);
    for (HKEY root : {machine, user})
        missing += DefaultValues(root, appPaths, nullptr, nullptr, false);
    missing += Values(user, "SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache", kNameOfString);
    missing += Values(user, "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
                      kCachedProgram);
    missing += Values(user, layers, kNames);
    missing += Values(machine, layers, kNames);
    missing += Values(user, "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Store",
                      kNames);
    missing += RegisteredApps();
    lap(3);
    missing += Values(machine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", kFontFile);
    lap(4);
    missing += Values(machine, "SOFTWARE\\Microsoft\\Windows\\Help", kHelpFolder);
    missing += Values(machine, "SOFTWARE\\Microsoft\\Windows\\HTML Help", kHelpFolder);
    missing += Sounds();
    lap(5);
    missing += Values(machine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", kNames);
    lap(6);
    for (HKEY root : {machine, user})
        missing += Values(root, run, kCommand);
    lap(7);
    for (HKEY root : {machine, user})
        missing += DefaultValues(root, uninstall, nullptr, "UninstallString", true);
    missing += Values(machine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders", kNames);
    lap(8);
    missing += FileTypes();
    lap(9);
    return missing;
}

} // namespace ovra
