#include "bench/ovraSeeder.h"

#include "platform/ovraFileHandle.h"
#include "platform/ovraRegKey.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace ovra {

namespace {

const int kSystemServers = 400;
const int kGoneSystemServers = 80;

} // namespace

const int Seeder::kLiveProducts;
const int Seeder::kRemovedProducts;

std::string Seeder::Format(const char* format, ...)
{
    char text[2048];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return n >= 0 && n < static_cast<int>(sizeof(text)) ? std::string(text) : std::string();
}

namespace {

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

} // namespace

bool Seeder::CreateKey(HKEY root, const std::string& path, RegKey& key)
{
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) ==
           ERROR_SUCCESS;
}

Seeder::Seeder(uint32_t seed) : m_rng(seed), m_areas{}, m_nFiles(0), m_bOk(true)
{
    char buffer[MAX_PATH];
    GetWindowsDirectoryA(buffer, MAX_PATH);
    m_strWindows = buffer;
    GetSystemDirectoryA(buffer, MAX_PATH);
    m_strSystem = buffer;
}

// Raw draws of the engine, never a library distribution: those may differ
// between standard libraries, and every build must seed the same machine.
int Seeder::Pick(int count)
{
    return static_cast<int>(m_rng() % static_cast<uint32_t>(count));
}

bool Seeder::Chance(int perThousand)
{
    return Pick(1000) < perThousand;
}

std::string Seeder::Guid()
{
    const uint32_t a = m_rng(), b = m_rng(), c = m_rng(), d = m_rng();
    return Format("{%08X-%04X-%04X-%04X-%04X%08X}", a, b >> 16, (b & 0x0FFF) | 0x4000, (c >> 16 & 0x3FFF) | 0x8000,
                  c & 0xFFFF, d);
}

std::string Seeder::ProductDir(int index, bool live) const
{
    return Format("C:\\Program Files\\Vendor %02d\\%s %04d", index % 40, live ? "Product" : "Removed", index);
}

std::string Seeder::LiveProductFile(int index, const char* file) const
{
    return ProductDir(index, true) + "\\" + file;
}

// Half of what is left behind lies in folders removed whole, half names a
// file deleted from a folder that is still there (the dearer lookup).
std::string Seeder::DeadPath(const char* file)
{
    if (Pick(2) == 0)
        return ProductDir(Pick(kRemovedProducts), false) + "\\" + file;
    return ProductDir(Pick(kLiveProducts), true) + "\\gone_" + file;
}

bool Seeder::MakeFile(const std::string& path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
        std::string dir = path.substr(0, at);
        if (m_dirs.insert(dir).second)
            CreateDirectoryA(dir.c_str(), nullptr);
    }
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        std::fprintf(stderr, "seed: cannot create %s (%lu)\n", path.c_str(), GetLastError());
        return m_bOk = false;
    }
    DWORD written = 0;
    WriteFile(file.Get(), "MZ", 2, &written, nullptr);
    ++m_nFiles;
    return true;
}

bool Seeder::SetText(HKEY key, const char* name, const std::string& text, DWORD type)
{
    if (RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS)
        return true;
    std::fprintf(stderr, "seed: cannot set %s\n", name ? name : "(default)");
    return m_bOk = false;
}

bool Seeder::SetNone(HKEY key, const char* name)
{
    if (RegSetValueExA(key, name, 0, REG_NONE, nullptr, 0) == ERROR_SUCCESS)
        return true;
    return m_bOk = false;
}

bool Seeder::SetNumber(HKEY key, const char* name, DWORD number)
{
    if (RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number)) ==
        ERROR_SUCCESS)
        return true;
    return m_bOk = false;
}

bool Seeder::Run()
{
    SeedFiles();
    SeedClasses();
    SeedUninstall();
    SeedSharedDlls();
    SeedFonts();
    SeedHelp();
    SeedAppPaths();
    SeedMuiCache();
    SeedInstallerFolders();
    SeedUserInstalls();
    SeedUserClasses();
    SeedTypeLibraries();
    SeedShellCache();
    SeedCompatLists();
    SeedFileTypes();
    SeedApplications();
    SeedShellHandlers();
    SeedSoundEvents();
    SeedRegisteredApps();
    return m_bOk;
}

// The live programs and the system folder's libraries.
bool Seeder::SeedFiles()
{
    static const char* const kProductFiles[] = {"app.exe",    "uninst.exe", "Uninst.isu", "INSTALL.LOG",
                                                "ext1.dll",   "ext2.dll",   "ext3.dll",   "Help\\manual.hlp"};
    for (int i = 0; i < kLiveProducts; ++i)
        for (const char* file : kProductFiles)
            MakeFile(LiveProductFile(i, file));
    for (int i = 0; i < kSystemServers; ++i)
        MakeFile(Format("%s\\ovsys%03d.dll", m_strSystem.c_str(), i));
    MakeFile(m_strWindows + "\\IsUninst.exe");
    MakeFile(m_strWindows + "\\unwise.exe");
    return m_bOk;
}

// Classes share their servers: most name one of a few hundred system
// libraries, favouring the first ones as real systems favour theirs; the
// others name a program's own libraries. One in twenty is left by a removed
// program, one in a hundred names a library gone from the system folder.
bool Seeder::SeedClasses()
{
    Area& area = m_areas[0];
    area.name = "COM classes";
    RegKey clsid;
    if (!CreateKey(HKEY_CLASSES_ROOT, "CLSID", clsid))
        return m_bOk = false;
    for (int i = 0; i < 20000; ++i, ++area.nEntries) {
        RegKey cls;
        const std::string id = Guid();
        if (m_classIds.size() < 1000)
            m_classIds.push_back(id);
        if (!CreateKey(clsid.Get(), id, cls))
            return m_bOk = false;
        SetText(cls.Get(), nullptr, Format("Bench Class %05d", i));
        const int r = Pick(1000);
        if (r < 30) { // an out-of-process server only: nothing for the check
            RegKey local;
            if (CreateKey(cls.Get(), "LocalServer32", local))
                SetText(local.Get(), nullptr, LiveProductFile(Pick(kLiveProducts), "app.exe"));
            continue;
        }
        std::string server;
        DWORD type = REG_SZ;
        if (r < 80) {
            server = ProductDir(Pick(kRemovedProducts), false) + Format("\\ext%d.dll", 1 + Pick(3));
            ++area.nDead;
        } else if (r < 90) {
            server = Format("%s\\ovgone%03d.dll", m_strSystem.c_str(), Pick(kGoneSystemServers));
            ++area.nDead;
        } else if (r < 110) {
            server = "ole32.dll"; // a bare name is never judged
        } else if (r < 600) {
            const int lib = Pick(Pick(kSystemServers) + 1);
            server = Format("%s\\ovsys%03d.dll", m_strSystem.c_str(), lib);
            if (Chance(100))
                server = Upper(server); // installers do not agree on case
            else if (Chance(90)) {
                server = Format("%%SystemRoot%%\\system32\\ovsys%03d.dll", lib);
                type = REG_EXPAND_SZ;
            }
        } else {
            server = LiveProductFile(Pick(kLiveProducts), Format("ext%d.dll", 1 + Pick(3)).c_str());
        }
        RegKey inproc;
        if (!CreateKey(cls.Get(), "InprocServer32", inproc))
            return m_bOk = false;
        SetText(inproc.Get(), nullptr, server, type);
        SetText(inproc.Get(), "ThreadingModel", Pick(2) ? "Apartment" : "Both");
        if (Chance(250)) {
            RegKey progId;
            if (CreateKey(cls.Get(), "ProgID", progId))
                SetText(progId.Get(), nullptr, Format("Bench.Class%05d.1", i));
        }
    }
    return m_bOk;
}

// Every style of uninstall command: Windows Installer, quoted, unquoted with
// blanks, InstallShield with -f and setup logs.
bool Seeder::SeedUninstall()
{
    Area& area = m_areas[1];
    area.name = "uninstall entries";
    RegKey uninstall;
    if (!CreateKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", uninstall))
        return m_bOk = false;
    for (int i = 0; i < 2000; ++i, ++area.nEntries) {
        const int style = Pick(100);
        const bool dead = style >= 35 && Chance(154);
        const std::string dir = ProductDir(dead ? Pick(kRemovedProducts) : Pick(kLiveProducts), !dead);
        const std::string guid = Guid();
        std::string command;
        if (style < 35)
            command = "MsiExec.exe /X" + guid;
        else if (style < 60)
            command = "\"" + dir + "\\uninst.exe\" /S";
        else if (style < 75)
            command = dir + "\\uninst.exe";
        else if (style < 87)
            command = m_strWindows + "\\IsUninst.exe -f\"" + dir + "\\Uninst.isu\"";
        else
            command = m_strWindows + "\\unwise.exe " + dir + "\\INSTALL.LOG";
        RegKey entry;
        if (!CreateKey(uninstall.Get(), style < 35 ? guid : Format("Bench Product %04d", i), entry))
            return m_bOk = false;
        SetText(entry.Get(), "DisplayName", Format("Bench Product %04d", i));
        SetText(entry.Get(), "Publisher", Format("Vendor %02d", i % 40));
        SetText(entry.Get(), "InstallLocation", dir);
        SetText(entry.Get(), "UninstallString", command);
        area.nDead += dead ? 1 : 0;
    }
    return m_bOk;
}

bool Seeder::SeedSharedDlls()
{
    Area& area = m_areas[2];
    area.name = "shared DLLs";
    RegKey key;
    if (!CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", key))
        return m_bOk = false;
    for (int i = 0; i < 3000; ++i, ++area.nEntries) {
        std::string path;
        if (Chance(80)) {
            path = DeadPath(Format("shr%04d.dll", i).c_str());
            ++area.nDead;
        } else {
            path = i % 4 == 0 ? Format("%s\\ovshr%04d.dll", m_strSystem.c_str(), i)
                              : LiveProductFile(Pick(kLiveProducts), Format("shr%04d.dll", i).c_str());
            MakeFile(path);
        }
        SetNumber(key.Get(), path.c_str(), 1 + static_cast<DWORD>(Pick(4)));
    }
    return m_bOk;
}

bool Seeder::SeedFonts()
{
    Area& area = m_areas[3];
    area.name = "fonts";
    RegKey key;
    if (!CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", key))
        return m_bOk = false;
    for (int i = 0; i < 1000; ++i, ++area.nEntries) {
        const bool dead = Chance(50);
        const std::string file = Format("bns%04d.ttf", i);
        std::string data = file; // a bare name lives in the fonts folder
        if (Chance(50))
            data = dead ? DeadPath(file.c_str()) : LiveProductFile(Pick(kLiveProducts), file.c_str());
        if (!dead)
            MakeFile(data == file ? m_strWindows + "\\Fonts\\" + file : data);
        area.nDead += dead ? 1 : 0;
        SetText(key.Get(), Format("Bench Sans %04d (TrueType)", i).c_str(), data);
    }
    return m_bOk;
}

bool Seeder::SeedHelp()
{
    Area& area = m_areas[4];
    area.name = "help files";
    RegKey help, html;
    if (!CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\Help", help) ||
        !CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\HTML Help", html))
        return m_bOk = false;
    for (int i = 0; i < 500; ++i, ++area.nEntries) {
        const std::string name = Format(i < 250 ? "prod%04d.hlp" : "prod%04d.chm", i);
        const bool dead = Chance(100);
        std::string folder;
        if (dead)
            folder = ProductDir(Pick(kRemovedProducts), false) + "\\Help";
        else
            folder = Pick(3) ? ProductDir(Pick(kLiveProducts), true) + "\\Help" : m_strWindows + "\\Help";
        if (!dead)
            MakeFile(folder + "\\" + name);
        area.nDead += dead ? 1 : 0;
        SetText(i < 250 ? help.Get() : html.Get(), name.c_str(), Pick(4) ? folder : folder + "\\");
    }
    return m_bOk;
}

bool Seeder::SeedAppPaths()
{
    Area& area = m_areas[5];
    area.name = "application paths";
    RegKey paths;
    if (!CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", paths))
        return m_bOk = false;
    for (int i = 0; i < 500; ++i, ++area.nEntries) {
        const std::string exe = Format("benchapp%04d.exe", i);
        const bool dead = Chance(100);
        const int product = Pick(dead ? kRemovedProducts : kLiveProducts);
        std::string path = ProductDir(product, !dead) + "\\" + exe;
        if (!dead)
            MakeFile(path);
        DWORD type = REG_SZ;
        if (Chance(100)) {
            path = "%ProgramFiles%" + path.substr(std::strlen("C:\\Program Files"));
            type = REG_EXPAND_SZ;
        }
        RegKey app;
        if (!CreateKey(paths.Get(), exe, app))
            return m_bOk = false;
        SetText(app.Get(), nullptr, path, type);
        SetText(app.Get(), "Path", ProductDir(product, !dead));
        area.nDead += dead ? 1 : 0;
    }
    return m_bOk;
}

bool Seeder::SeedMuiCache()
{
    Area& area = m_areas[6];
    area.name = "MUI cache values";
    RegKey cache;
    if (!CreateKey(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache", cache))
        return m_bOk = false;
    for (int i = 0; i < 2000; ++i, ++area.nEntries) {
        std::string name;
        if (Chance(80)) { // resource references are not paths
            name = Format("@%%SystemRoot%%\\system32\\shell32.dll,-%d", 20000 + i);
        } else if (Chance(100)) {
            name = DeadPath(Format("tool%04d.exe", i).c_str());
            ++area.nDead;
        } else {
            name = LiveProductFile(Pick(kLiveProducts), Format("tool%04d.exe", i).c_str());
            MakeFile(name);
        }
        SetText(cache.Get(), name.c_str(), Format("Bench Tool %04d", i));
    }
    return m_bOk;
}

bool Seeder::SeedInstallerFolders()
{
    Area& area = m_areas[7];
    area.name = "installer folders";
    RegKey folders;
    if (!CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders", folders))
        return m_bOk = false;
    for (int i = 0; i < 1000; ++i, ++area.nEntries) {
        std::string folder;
        if (Chance(100)) {
            folder = ProductDir(i % kRemovedProducts, false) + Format("\\Part %04d\\", i);
            ++area.nDead;
        } else if (i < kLiveProducts) {
            folder = ProductDir(i, true) + "\\";
        } else {
            folder = ProductDir(i - kLiveProducts, true) + "\\Data\\";
            MakeFile(folder + "data.bin");
        }
        SetText(folders.Get(), folder.c_str(), "");
    }

    // A short startup list, as the last area.
    Area& run = m_areas[8];
    run.name = "startup programs";
    RegKey key;
    if (!CreateKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", key))
        return m_bOk = false;
    for (int i = 0; i < 20; ++i, ++run.nEntries) {
        const bool dead = i % 10 == 9;
        SetText(key.Get(), Format("BenchTray%02d", i).c_str(),
                dead ? ProductDir(i, false) + "\\app.exe" : LiveProductFile(i, "app.exe"));
        run.nDead += dead ? 1 : 0;
    }
    return m_bOk;
}

// Installers that run without elevation: uninstall entries, a few startup
// programs and application paths of the user's own.
bool Seeder::SeedUserInstalls()
{
    Area& area = m_areas[9];
    area.name = "per-user installs";
    RegKey uninstall, run, paths;
    if (!CreateKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", uninstall) ||
        !CreateKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", run) ||
        !CreateKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths", paths))
        return m_bOk = false;
    for (int i = 0; i < 270; ++i, ++area.nEntries) {
        const bool dead = Chance(100);
        const int product = dead ? Pick(kRemovedProducts) : Pick(kLiveProducts);
        const std::string program = ProductDir(product, !dead) + "\\app.exe";
        area.nDead += dead ? 1 : 0;
        if (i < 200) {
            RegKey entry;
            if (!CreateKey(uninstall.Get(), Format("Bench User Product %04d", i), entry))
                return m_bOk = false;
            SetText(entry.Get(), "DisplayName", Format("Bench User Product %04d", i));
            SetText(entry.Get(), "UninstallString", "\"" + ProductDir(product, !dead) + "\\uninst.exe\" /S");
        } else if (i < 220) {
            SetText(run.Get(), Format("BenchUserTray%02d", i - 200).c_str(), program);
        } else {
            RegKey app;
            if (!CreateKey(paths.Get(), Format("benchuser%04d.exe", i), app))
                return m_bOk = false;
            SetText(app.Get(), nullptr, program);
        }
    }
    return m_bOk;
}

bool Seeder::SeedUserClasses()
{
    Area& area = m_areas[10];
    area.name = "per-user COM classes";
    RegKey clsid;
    if (!CreateKey(HKEY_CURRENT_USER, "Software\\Classes\\CLSID", clsid))
        return m_bOk = false;
    for (int i = 0; i < 200; ++i, ++area.nEntries) {
        const bool dead = Chance(100);
        area.nDead += dead ? 1 : 0;
        RegKey inproc;
        if (!CreateKey(clsid.Get(), Guid() + "\\InprocServer32", inproc))
            return m_bOk = false;
        SetText(inproc.Get(), nullptr,
                ProductDir(dead ? Pick(kRemovedProducts) : Pick(kLiveProducts), !dead) +
                    Format("\\ext%d.dll", 1 + Pick(3)));
        SetText(inproc.Get(), "ThreadingModel", "Apartment");
    }
    return m_bOk;
}

// Libraries with one or two versions, each registered for one or two
// platforms; the file is a program's library, often with a resource index.
bool Seeder::SeedTypeLibraries()
{
    Area& area = m_areas[11];
    area.name = "type libraries";
    RegKey typeLib;
    if (!CreateKey(HKEY_CLASSES_ROOT, "TypeLib", typeLib))
        return m_bOk = false;
    for (int i = 0; i < 1000; ++i, ++area.nEntries) {
        const bool dead = Chance(100);
        area.nDead += dead ? 1 : 0;
        const int product = dead ? Pick(kRemovedProducts) : Pick(kLiveProducts);
        const std::string library = Guid();
        const int versions = 1 + Pick(2);
        for (int v = 1; v <= versions; ++v) {
            const std::string version = library + Format("\\%d.0", v);
            RegKey versionKey, flags, file;
            if (!CreateKey(typeLib.Get(), version, versionKey) || !CreateKey(versionKey.Get(), "FLAGS", flags))
                return m_bOk = false;
            SetText(versionKey.Get(), nullptr, Format("Bench Type Library %04d", i));
            SetText(flags.Get(), nullptr, "0");
            for (const char* platform : {"win32", "win64"}) {
                if (platform[3] == '6' && Pick(2))
                    continue;
                if (!CreateKey(versionKey.Get(), std::string("0\\") + platform, file))
                    return m_bOk = false;
                std::string path = ProductDir(product, !dead) + Format("\\ext%d.dll", 1 + Pick(3));
                if (Pick(2))
                    path += Format("\\%d", 1 + Pick(3));
                SetText(file.Get(), nullptr, path);
            }
        }
    }
    return m_bOk;
}

// Two values per program, the language and resource names beside them.
bool Seeder::SeedShellCache()
{
    Area& area = m_areas[12];
    area.name = "program-name cache";
    RegKey cache;
    if (!CreateKey(HKEY_CURRENT_USER, "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
                   cache))
        return m_bOk = false;
    const BYTE langId[] = {0x09, 0x04};
    if (RegSetValueExA(cache.Get(), "LangID", 0, REG_BINARY, langId, sizeof(langId)) != ERROR_SUCCESS)
        return m_bOk = false;
    for (int i = 0; area.nEntries < 2000; ++i) {
        if (Chance(100)) {
            SetText(cache.Get(), Format("@%%SystemRoot%%\\system32\\shell32.dll,-%d", 30000 + i).c_str(), "Resource");
            ++area.nEntries;
            continue;
        }
        const bool dead = Chance(100);
        const std::string program = dead ? DeadPath(Format("cached%04d.exe", i).c_str())
                                         : LiveProductFile(Pick(kLiveProducts), "app.exe");
        SetText(cache.Get(), (program + ".FriendlyAppName").c_str(), Format("Bench Cached %04d", i));
        SetText(cache.Get(), (program + ".ApplicationCompany").c_str(), Format("Vendor %02d", i % 40));
        area.nEntries += 2;
        area.nDead += dead ? 2 : 0;
    }
    return m_bOk;
}

// The compatibility layers of the user and the machine and the assistant's
// store, one value per program.
bool Seeder::SeedCompatLists()
{
    Area& area = m_areas[13];
    area.name = "compatibility values";
    const char* const layers = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
    RegKey userLayers, machineLayers, store;
    if (!CreateKey(HKEY_CURRENT_USER, layers, userLayers) || !CreateKey(HKEY_LOCAL_MACHINE, layers, machineLayers) ||
        !CreateKey(HKEY_CURRENT_USER,
                   "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Store",
                   store))
        return m_bOk = false;
    BYTE record[512] = {};
    for (int i = 0; i < 500; ++i, ++area.nEntries) {
        const bool dead = Chance(100);
        area.nDead += dead ? 1 : 0;
        const std::string program = dead ? DeadPath(Format("compat%04d.exe", i).c_str())
                                         : LiveProductFile(Pick(kLiveProducts), "app.exe");
        if (i < 300) {
            SetText(i % 3 ? userLayers.Get() : machineLayers.Get(), program.c_str(),
                    i % 2 ? "~ RUNASADMIN" : "~ WIN7RTM HIGHDPIAWARE");
        } else if (RegSetValueExA(store.Get(), program.c_str(), 0, REG_BINARY, record, sizeof(record)) != ERROR_SUCCESS) {
            return m_bOk = false;
        }
    }
    SetText(userLayers.Get(), "SIGN.MEDIA=1A2B3C setup.exe", "WINXPSP3");
    return m_bOk;
}

} // namespace ovra
