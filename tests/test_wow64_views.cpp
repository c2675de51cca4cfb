// The two views of 64-bit Windows: entries written the way 32-bit installers
// write them (in the registry's 32-bit view) are found, once each, and go and
// come back in exactly their own key; entries whose files lie in the other
// view's folders are live. Seeded in the prefix's real registry and folders.
#include "backup/ovraExecutor.h"
#include "checks/ovraAddRemProgsJob.h"
#include "checks/ovraCustomControlsJob.h"
#include "checks/ovraExistenceCache.h"
#include "checks/ovraHelpresJob.h"
#include "checks/ovraRegistryIntegrityJob.h"
#include "checks/ovraSharedProgsJob.h"
#include "checks/ovraSoftwareLocationsJob.h"
#include "checks/ovraStartupProgsJob.h"
#include "checks/ovraSweepline.h"
#include "checks/ovraWindowsFontsJob.h"
#include "ovraBackupTestFiles.h"
#include "ovraTestRecords.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace ovratest;

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kClasses = HKEY_CLASSES_ROOT;
const char kDir[] = "C:\\ovra_wow";
const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kMuiCache[] = "SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
const char kHelp[] = "SOFTWARE\\Microsoft\\Windows\\Help";

bool UnderWow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::string Join(const std::string& parent, const char* child)
{
    return child ? parent + "\\" + child : parent;
}

// Writes as a program of the other width does: view is KEY_WOW64_32KEY or
// KEY_WOW64_64KEY.
void WriteIn(REGSAM view, HKEY root, const std::string& path, const char* name, DWORD type, const char* text)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr))
        << path;
    const DWORD one = 1;
    const bool number = type == REG_DWORD;
    const BYTE* data = number ? reinterpret_cast<const BYTE*>(&one) : reinterpret_cast<const BYTE*>(text);
    const DWORD size = number ? sizeof(one) : static_cast<DWORD>(std::strlen(text) + 1);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, data, size)) << path;
    RegCloseKey(key);
}

bool ValueVisible(HKEY root, const std::string& path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    const bool found = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

// One checked area, its 32-bit twin where Windows keeps one, and a dead
// entry as a 32-bit installer leaves it: in the subkey entry (a key record)
// or as the value name directly in the area (a value record).
struct Area {
    HKEY root;
    const char* path;
    const char* twin;
    const char* entry;     // subkey of a key record; null for a value record
    const char* valuePath; // below entry: where the value lies (null: entry itself)
    const char* name;      // the value written
    DWORD type;
    const char* data;
    int jobId;
    const char* problem;
    const char* sectionFormat; // %s: the real key path
    const char* shown;
};

const Area kAreas[] = {
    {kUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
     "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", nullptr, nullptr,
     "ovra wow dead", REG_SZ, "C:\\ovra_wow\\gone_folder", 1, "Value is invalid.", "HKEY_CURRENT_USER\\%s",
     "ovra wow dead = C:\\ovra_wow\\gone_folder"},
    {kClasses, "CLSID", "Wow6432Node\\CLSID", "{ovra-wow-dead}", "InprocServer32", nullptr, REG_SZ,
     "C:\\ovra_wow\\gone.dll", 2, "Custom control is invalid",
     "HKEY_CLASSES_ROOT\\%s\\{ovra-wow-dead}\\InprocServer32", "(Default) = C:\\ovra_wow\\gone.dll"},
    {kMachine, kAppPaths, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths",
     "ovra_wow_dead.exe", nullptr, nullptr, REG_SZ, "C:\\ovra_wow\\gone.exe", 3, "Value is invalid",
     "HKEY_LOCAL_MACHINE\\%s\\ovra_wow_dead.exe", "(Default) = C:\\ovra_wow\\gone.exe"},
    {kUser, kMuiCache, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\ShellNoRoam\\MUICache", nullptr, nullptr,
     "C:\\ovra_wow\\gone.exe", REG_SZ, "Gone Program", 3, "Value is invalid", "HKEY_CURRENT_USER\\%s",
     "C:\\ovra_wow\\gone.exe = Gone Program"},
    {kMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
     "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", nullptr, nullptr,
     "ovra wow dead (TrueType)", REG_SZ, "C:\\ovra_wow\\gone.ttf", 4, "Font item is invalid",
     "HKEY_LOCAL_MACHINE\\%s", "ovra wow dead (TrueType) = C:\\ovra_wow\\gone.ttf"},
    {kMachine, kHelp, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\Help", nullptr, nullptr, "ovra_wow_gone.hlp",
     REG_SZ, "C:\\ovra_wow", 5, "Help file ovra_wow_gone.hlp doesn't exist", "HKEY_LOCAL_MACHINE\\%s",
     "ovra_wow_gone.hlp = C:\\ovra_wow\\"},
    {kMachine, "SOFTWARE\\Microsoft\\Windows\\HTML Help", "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\HTML Help",
     nullptr, nullptr, "ovra_wow_gone.chm", REG_SZ, "C:\\ovra_wow\\", 5,
     "Help file ovra_wow_gone.chm doesn't exist", "HKEY_LOCAL_MACHINE\\%s", "ovra_wow_gone.chm = C:\\ovra_wow\\"},
    {kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
     "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", nullptr, nullptr,
     "C:\\ovra_wow\\gone.dll", REG_DWORD, nullptr, 6, "Value is invalid", "%s", "C:\\ovra_wow\\gone.dll"},
    {kMachine, kRun, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", nullptr, nullptr,
     "ovra wow dead", REG_SZ, "C:\\ovra_wow\\gone.exe", 7, "Value is invalid", "%s",
     "ovra wow dead = C:\\ovra_wow\\gone.exe"},
    {kMachine, kUninstall, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "ovra_wow_dead",
     nullptr, "UninstallString", REG_SZ, "C:\\ovra_wow\\gone\\unins000.exe", 8, "Add/Remove item is invalid", "%s",
     "ovra_wow_dead = C:\\ovra_wow\\gone\\unins000.exe"},
    {kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
     "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders", nullptr, nullptr,
     "C:\\ovra_wow\\gone_folder\\", REG_DWORD, nullptr, 8, "Add/Remove item is invalid", "%s",
     "C:\\ovra_wow\\gone_folder\\"},
};

std::unique_ptr<ovra::Job> MakeJob(int id)
{
    std::unique_ptr<ovra::Job> job;
    switch (id) {
    case 1: job.reset(new ovra::RegistryIntegrityJob); break;
    case 2: job.reset(new ovra::CustomControlsJob); break;
    case 3: job.reset(new ovra::SoftwareLocationsJob); break;
    case 4: job.reset(new ovra::WindowsFontsJob); break;
    case 5: job.reset(new ovra::HelpresJob); break;
    case 6: job.reset(new ovra::SharedProgsJob); break;
    case 7: job.reset(new ovra::StartupProgsJob); break;
    default: job.reset(new ovra::AddRemProgsJob); break;
    }
    job->m_nId = id;
    return job;
}

// Every check once, inside a scan's existence cache, as a scan runs them.
std::vector<ovra::JobResult> ScanAll()
{
    ovra::ExistenceCache::Scope cache;
    std::vector<ovra::JobResult> results;
    for (int id = 1; id <= 8; ++id) {
        std::vector<ovra::JobResult> found = RunJob(*MakeJob(id));
        results.insert(results.end(), found.begin(), found.end());
    }
    return results;
}

std::vector<std::string> NamesWith(const std::vector<ovra::JobResult>& records, const char* marker)
{
    std::vector<std::string> names;
    for (const ovra::JobResult& record : records)
        if (record.sName.find(marker) != std::string::npos || record.sValue.find(marker) != std::string::npos)
            names.push_back(record.sName);
    return names;
}

class Wow64Views : public BackupFolderTest {
protected:
    void SetUp() override
    {
        BackupFolderTest::SetUp();
        create_dir(kDir);
    }
    void TearDown() override
    {
        remove_dir_tree(kDir);
        BackupFolderTest::TearDown();
    }
};

} // namespace

// In the 64-bit program the record names the 32-bit twin by its real path;
// where the area is one key in both views it is found there, once. The
// 32-bit program sees its own view as before.
TEST_F(Wow64Views, DeadEntryOfEachAreaIsFoundOnceAndComesBackInItsOwnKey)
{
    for (const Area& area : kAreas) {
        SCOPED_TRACE(area.path);
        const std::string valuePath = Join(Join(area.path, area.entry), area.valuePath);
        WriteIn(KEY_WOW64_32KEY, area.root, valuePath, area.name, area.type, area.data);
        // Where the entry really lies, seen from this program.
        const bool inOwnPath = ValueVisible(area.root, valuePath, area.name);
        const std::string real = inOwnPath ? area.path : area.twin;
        ASSERT_TRUE(ValueVisible(area.root, Join(Join(real, area.entry), area.valuePath), area.name))
            << "not at the twin's real path";
        const std::string name = area.entry ? area.entry : area.name;
        const int kind = area.entry ? 1 : 0;

        std::vector<ovra::JobResult> found;
        for (const ovra::JobResult& record : RunJob(*MakeJob(area.jobId)))
            if (record.sName == name)
                found.push_back(record);
        char section[512];
        std::snprintf(section, sizeof(section), area.sectionFormat, real.c_str());
        const std::vector<std::string> expected{RecordText(
            ScanRecord(area.root, real, name, area.problem, section, area.shown, area.jobId, kind))};
        EXPECT_EQ(expected, RecordTexts(found)) << (inOwnPath ? "one key in both views" : "twin key");

        const std::string dumped = kind == 1 ? Join(real, area.entry) : real;
        const std::string before = dump_tree(area.root, dumped.c_str());
        ovra::BackupManager manager;
        ovra::Executor executor;
        std::string file;
        manager.GetBackupName(file);
        ASSERT_TRUE(manager.WriteBackup(file.c_str(), found));
        EXPECT_TRUE(executor.DeleteRecords(found));
        if (kind == 1)
            verify_key_missing(area.root, dumped.c_str());
        else
            verify_value_missing(area.root, real.c_str(), area.name);

        std::vector<ovra::JobResult> read;
        ASSERT_TRUE(manager.ReadBackup(file.c_str(), read));
        HANDLE backup = OpenForRestore(BackupPath(file));
        EXPECT_TRUE(executor.RestoreRecords(backup, read, manager));
        CloseHandle(backup);
        EXPECT_EQ(before, dump_tree(area.root, dumped.c_str()));

        if (kind == 1)
            delete_tree(area.root, dumped.c_str());
        else
            delete_value(area.root, real.c_str(), area.name);
    }
}

// Entries of 32-bit programs naming System32 (their SysWOW64), their
// %ProgramFiles% ("Program Files (x86)") or the Sysnative alias; the literal
// 64-bit spellings of missing files are still dead.
TEST_F(Wow64Views, SixtyFourBitProgramTakesThirtyTwoBitPathsInTheirOwnViews)
{
    if (sizeof(void*) != 8)
        GTEST_SKIP() << "the 64-bit program's case; this is the 32-bit program";
    char x86Folder[MAX_PATH];
    ASSERT_TRUE(GetEnvironmentVariableA("ProgramFiles(x86)", x86Folder, MAX_PATH)) << "no 32-bit program folder";
    char wow64Folder[MAX_PATH];
    ASSERT_TRUE(GetSystemWow64DirectoryA(wow64Folder, MAX_PATH)) << "no 32-bit system folder";
    const std::string x86App = std::string(x86Folder) + "\\ovra_wow_app";
    create_dir(x86App.c_str());
    create_file((x86App + "\\app.exe").c_str(), "x");
    const std::string wowTool = std::string(wow64Folder) + "\\ovra_wow_tool.exe";
    const std::string wowDll = std::string(wow64Folder) + "\\ovra_wow_tool.dll";
    create_file(wowTool.c_str(), "x");
    create_file(wowDll.c_str(), "x");
    create_file("C:\\windows\\system32\\ovra_wow_tool64.exe", "x");

    const char* sys32Tool = "C:\\Windows\\System32\\ovra_wow_tool.exe";
    const struct {
        HKEY root;
        std::string path;
        const char* name;
        DWORD type;
        const char* data;
    } kEntries[] = {
        {kMachine, Join(kAppPaths, "ovra_wow_live_tool.exe"), nullptr, REG_SZ, sys32Tool},
        {kUser, kMuiCache, sys32Tool, REG_SZ, "Tool"},
        {kMachine, kRun, "ovra wow live app", REG_EXPAND_SZ, "%ProgramFiles%\\ovra_wow_app\\app.exe"},
        {kMachine, kRun, "ovra wow live alias", REG_SZ, "C:\\Windows\\Sysnative\\ovra_wow_tool64.exe"},
        {kClasses, "CLSID\\{ovra-wow-live}\\InprocServer32", nullptr, REG_SZ,
         "C:\\Windows\\System32\\ovra_wow_tool.dll"},
        {kMachine, Join(kUninstall, "ovra_wow_live"), "UninstallString", REG_SZ,
         "\"C:\\Windows\\System32\\ovra_wow_tool.exe\" /x"},
        {kMachine, kHelp, "app.exe", REG_EXPAND_SZ, "%ProgramFiles%\\ovra_wow_app"},
        // Written out, C:\Program Files means that folder for both widths.
        {kMachine, kRun, "ovra wow dead literal", REG_SZ, "C:\\Program Files\\ovra_wow_app\\app.exe"},
        {kMachine, kRun, "ovra wow dead system", REG_SZ, "C:\\Windows\\System32\\ovra_wow_gone.exe"},
    };
    for (const auto& entry : kEntries)
        WriteIn(KEY_WOW64_32KEY, entry.root, entry.path, entry.name, entry.type, entry.data);

    std::vector<ovra::JobResult> found = ScanAll();
    const std::vector<std::string> dead{"ovra wow dead literal", "ovra wow dead system"};
    EXPECT_EQ(dead, NamesWith(found, "ovra_wow")) << "only the dead spellings";
    ovra::Executor executor;
    EXPECT_TRUE(executor.DeleteRecords(found));
    for (const auto& entry : kEntries) {
        HKEY key = nullptr;
        const bool live = entry.name == nullptr || std::strstr(entry.name, "dead") == nullptr;
        if (!live)
            continue;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(entry.root, entry.path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key))
            << entry.path << " was touched";
        if (key) {
            EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, entry.name, nullptr, nullptr, nullptr, nullptr))
                << entry.path;
            RegCloseKey(key);
        }
    }

    for (const auto& entry : kEntries) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(entry.root, entry.path.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(key, entry.name);
            RegCloseKey(key);
        }
    }
    delete_tree(kClasses, "Wow6432Node\\CLSID\\{ovra-wow-live}");
    delete_tree(kMachine, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ovra_wow_live");
    // Wherever the registry put the 32-bit program's entry.
    const std::string appPathsTwin = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths";
    delete_tree(kMachine, Join(appPathsTwin, "ovra_wow_live_tool.exe").c_str());
    delete_tree(kMachine, Join(kAppPaths, "ovra_wow_live_tool.exe").c_str());
    remove_dir_tree(x86App.c_str());
    delete_file(wowTool.c_str());
    delete_file(wowDll.c_str());
    delete_file("C:\\windows\\system32\\ovra_wow_tool64.exe");
}

// The 32-bit program keeps its own registry view; a 64-bit program's paths
// in the keys both views share name the 64-bit System32 and the 64-bit
// program folder.
TEST_F(Wow64Views, ThirtyTwoBitProgramTakesSixtyFourBitPathsInTheirOwnViews)
{
    if (sizeof(void*) != 4 || !UnderWow64())
        GTEST_SKIP() << "the 32-bit program's case under WOW64; this is "
                     << (sizeof(void*) == 8 ? "the 64-bit program" : "32-bit Windows");
    char nativeFolder[MAX_PATH];
    ASSERT_TRUE(GetEnvironmentVariableA("ProgramW6432", nativeFolder, MAX_PATH)) << "no 64-bit program folder";
    const std::string nativeApp = std::string(nativeFolder) + "\\ovra_wow_app";
    create_dir(nativeApp.c_str());
    create_file((nativeApp + "\\app.exe").c_str(), "x");
    // Sysnative: the 64-bit System32 as a 32-bit program must name it.
    create_file("C:\\windows\\Sysnative\\ovra_wow_tool64.exe", "x");

    const struct {
        const char* program;
        DWORD type;
        const char* path;
    } kAppPathEntries[] = {
        {"ovra_wow_tool64.exe", REG_SZ, "C:\\Windows\\System32\\ovra_wow_tool64.exe"},
        {"ovra_wow_app.exe", REG_EXPAND_SZ, "%ProgramFiles%\\ovra_wow_app\\app.exe"},
        {"ovra_wow_gone.exe", REG_SZ, "C:\\Windows\\System32\\ovra_wow_gone.exe"},
    };
    for (const auto& entry : kAppPathEntries)
        WriteIn(KEY_WOW64_64KEY, kMachine, Join(kAppPaths, entry.program), nullptr, entry.type, entry.path);

    // The same spelling names another file in each view: the scan's cache
    // must not give one view's answer for the other.
    std::vector<ovra::JobResult> found = ScanAll();
    EXPECT_EQ(std::vector<std::string>{"ovra_wow_gone.exe"}, NamesWith(found, "ovra_wow"));
    EXPECT_FALSE(ovra::IsSuspiciousUninstallString("\"C:\\Windows\\System32\\ovra_wow_tool64.exe\" /x"));
    EXPECT_TRUE(ovra::IsSuspiciousUninstallString("\"C:\\Windows\\System32\\ovra_wow_gone.exe\" /x"));

    for (const auto& entry : kAppPathEntries)
        delete_tree(kMachine, Join(kAppPaths, entry.program).c_str());
    remove_dir_tree(nativeApp.c_str());
    delete_file("C:\\windows\\Sysnative\\ovra_wow_tool64.exe");
}
