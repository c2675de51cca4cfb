// The two views of 64-bit Windows: entries written the way 32-bit installers
// write them (in the registry's 32-bit view) are found once each and go and
// come back in exactly their own key; entries whose files lie in the other
// view's folders are live. Seeded in the prefix's real registry and folders.
#include "backup/ovraExecutor.h"
#include "platform/ovraExistenceCache.h"
#include "platform/ovraRegView.h"
#include "checks/ovraRegWalk.h"
#include "checks/ovraSweepline.h"
#include "ovraBackupTestFiles.h"
#include "ovraTestKeys.h"
#include "ovraTestRecords.h"
#include "scan/ovraJobEnumerator.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ovratest;

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kClasses = HKEY_CLASSES_ROOT;

std::string Join(const std::string& parent, const char* child)
{
    return child ? parent + "\\" + child : parent;
}

// Writes as a program of the other width does (view KEY_WOW64_32KEY or
// KEY_WOW64_64KEY); null data writes the number 1.
void WriteIn(REGSAM view, HKEY root, const std::string& path, const char* name, DWORD type, const char* data)
{
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr)) << path;
    const DWORD one = 1;
    EXPECT_EQ(0, data ? RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data),
                                       static_cast<DWORD>(std::strlen(data) + 1))
                      : RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one)));
    RegCloseKey(key);
}

void EraseIn(REGSAM view, HKEY root, const std::string& path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE | view, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
}


// A checked area and a dead entry as a 32-bit installer leaves it: the value name with data (null: a
// number) in the subkey entry\below (a key record) or in the area itself.
struct Area {
    HKEY root;
    const char* path;
    const char* entry;
    const char* below;
    const char* name;
    const char* data;
    int jobId;
    const char* section; // %s: the real key path
};

const Area kAreas[] = {
    {kUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", nullptr, nullptr,
     "ovra wow dead", "C:\\ovra_wow\\gone_folder", 1, "HKEY_CURRENT_USER\\%s"},
    {kClasses, "CLSID", "{ovra-wow-dead}", "InprocServer32", nullptr, "C:\\ovra_wow\\gone.dll", 2,
     "HKEY_CLASSES_ROOT\\%s\\{ovra-wow-dead}\\InprocServer32"},
    {kMachine, kAppPathsKey, "ovra_wow_dead.exe", nullptr, nullptr, "C:\\ovra_wow\\gone.exe", 3,
     "HKEY_LOCAL_MACHINE\\%s\\ovra_wow_dead.exe"},
    {kUser, kMuiCacheKey, nullptr, nullptr, "C:\\ovra_wow\\gone.exe", "Gone", 3, "HKEY_CURRENT_USER\\%s"},
    {kMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", nullptr, nullptr, "ovra wow dead (TrueType)",
     "C:\\ovra_wow\\gone.ttf", 4, "HKEY_LOCAL_MACHINE\\%s"},
    {kMachine, "SOFTWARE\\Microsoft\\Windows\\Help", nullptr, nullptr, "ovra_wow_gone.hlp", "C:\\ovra_wow", 5,
     "HKEY_LOCAL_MACHINE\\%s"},
    {kMachine, "SOFTWARE\\Microsoft\\Windows\\HTML Help", nullptr, nullptr, "ovra_wow_gone.chm", "C:\\ovra_wow\\", 5,
     "HKEY_LOCAL_MACHINE\\%s"},
    {kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", nullptr, nullptr,
     "C:\\ovra_wow\\gone.dll", nullptr, 6, "%s"},
    {kMachine, kRunKey, nullptr, nullptr, "ovra wow dead", "C:\\ovra_wow\\gone.exe", 7, "%s"},
    {kMachine, kUninstallKey, "ovra_wow_dead", nullptr, "UninstallString", "C:\\ovra_wow\\gone\\unins000.exe", 8, "%s"},
    {kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders", nullptr, nullptr,
     "C:\\ovra_wow\\gone_folder\\", nullptr, 8, "%s"},
    // The places of today's Windows.
    {kUser, kRunKey, nullptr, nullptr, "ovra wow dead", "C:\\ovra_wow\\gone.exe", 7, "HKEY_CURRENT_USER\\%s"},
    {kUser, kUninstallKey, "ovra_wow_dead", nullptr, "UninstallString", "C:\\ovra_wow\\gone\\unins000.exe", 8,
     "HKEY_CURRENT_USER\\%s"},
    {kUser, kAppPathsKey, "ovra_wow_dead.exe", nullptr, nullptr, "C:\\ovra_wow\\gone.exe", 3,
     "HKEY_CURRENT_USER\\%s\\ovra_wow_dead.exe"},
    {kUser, kUserClassesKey, "{ovra-wow-dead}", "InprocServer32", nullptr, "C:\\ovra_wow\\gone.dll", 2,
     "HKEY_CURRENT_USER\\%s\\{ovra-wow-dead}\\InprocServer32"},
    {kClasses, "TypeLib", "{ovra-wow-dead}", "1.0\\0\\win32", nullptr, "C:\\ovra_wow\\gone.tlb", 2,
     "HKEY_CLASSES_ROOT\\%s\\{ovra-wow-dead}\\1.0\\0\\win32"},
    {kUser, kShellCacheKey, nullptr, nullptr, "C:\\ovra_wow\\gone.exe.FriendlyAppName", "Gone", 3,
     "HKEY_CURRENT_USER\\%s"},
    {kUser, kLayersKey, nullptr, nullptr, "C:\\ovra_wow\\gone.exe", "~ RUNASADMIN", 3, "HKEY_CURRENT_USER\\%s"},
    {kMachine, kLayersKey, nullptr, nullptr, "C:\\ovra_wow\\gone.exe", "~ RUNASADMIN", 3, "HKEY_LOCAL_MACHINE\\%s"},
    {kUser, kAssistantKey, nullptr, nullptr, "C:\\ovra_wow\\gone.exe", "x", 3, "HKEY_CURRENT_USER\\%s"},
};

// Where a 32-bit program's view of path lies when it is a key of its own:
// Wow6432Node after the first part (after the classes in the user's), or
// first in the classes.
std::string TwinOf(HKEY root, const std::string& path)
{
    if (root == kClasses)
        return "Wow6432Node\\" + path;
    const std::string classes = "Software\\Classes\\";
    if (_strnicmp(path.c_str(), classes.c_str(), classes.size()) == 0)
        return classes + "Wow6432Node\\" + path.substr(classes.size());
    const size_t slash = path.find('\\');
    return path.substr(0, slash) + "\\Wow6432Node" + path.substr(slash);
}

// Where a record points, as one line.
std::string Place(const ovra::JobResult& r)
{
    return std::to_string(r.nJobId) + " " + std::to_string(r.nKind) + " [" + r.sKeyPath + "] [" + r.sName + "] [" +
           r.sSection + "]";
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
        create_dir("C:\\ovra_wow");
    }
    void TearDown() override
    {
        remove_dir_tree("C:\\ovra_wow");
        BackupFolderTest::TearDown();
    }

    // Every check once, inside a scan's existence cache, as a scan runs them.
    std::vector<ovra::JobResult> ScanAll()
    {
        ovra::ExistenceCache::Scope cache;
        std::vector<ovra::JobResult> results;
        for (ovra::Job* job : catalogue.m_jobs) {
            const std::vector<ovra::JobResult> found = RunJob(*job);
            results.insert(results.end(), found.begin(), found.end());
        }
        return results;
    }

    ovra::JobEnumerator catalogue;
};

} // namespace

// Either program's record names a twin by its real path in native terms,
// and a key both views share is found there, once; on 32-bit Windows there
// is one view and the path is the key itself.
TEST_F(Wow64Views, DeadEntryOfEachAreaIsFoundOnceAndComesBackInItsOwnKey)
{
    for (const Area& area : kAreas) {
        SCOPED_TRACE(area.path);
        const std::string valuePath = Join(Join(area.path, area.entry), area.below);
        WriteIn(KEY_WOW64_32KEY, area.root, valuePath, area.name, REG_SZ, area.data);
        const bool own = value_present(area.root, valuePath.c_str(), area.name);
        const std::string real = own ? area.path : TwinOf(area.root, area.path);
        ASSERT_TRUE(value_present(area.root, Join(Join(real, area.entry), area.below).c_str(), area.name)) << "not at " << real;

        const std::string name = area.entry ? area.entry : area.name;
        const int kind = area.entry ? 1 : 0;
        std::vector<ovra::JobResult> found;
        for (const ovra::JobResult& record : RunJob(*catalogue.Find(area.jobId)))
            if (record.sName == name)
                found.push_back(record);
        ovra::JobResult expected;
        expected.nJobId = area.jobId;
        expected.nKind = kind;
        expected.sKeyPath = real;
        expected.sName = name;
        expected.sSection = ovra::RegText::Display(area.section, real.c_str());
        ASSERT_EQ(1u, found.size()) << (own ? "one key in both views" : "twin key");
        EXPECT_EQ(Place(expected), Place(found[0]));
        EXPECT_EQ(ovra::RegWalk::RootValue(area.root), found[0].hRoot);

        const std::string dumped = Join(real, area.entry);
        const std::string before = dump_tree(area.root, dumped.c_str());
        RepairAndRestore(found, [&] {
            EXPECT_FALSE(value_present(area.root, Join(Join(real, area.entry), area.below).c_str(), area.name));
        });
        EXPECT_EQ(before, dump_tree(area.root, dumped.c_str()));

        if (area.entry)
            delete_tree(area.root, dumped.c_str());
        else
            delete_value(area.root, real.c_str(), area.name);
    }
}

// Entries of 32-bit programs naming System32 (their SysWOW64), their
// %ProgramFiles% ("Program Files (x86)") or the Sysnative alias are live; the
// 64-bit spellings of missing files are still dead.
TEST_F(Wow64Views, SixtyFourBitProgramTakesThirtyTwoBitPathsInTheirOwnViews)
{
    if (sizeof(void*) != 8)
        GTEST_SKIP() << "the 64-bit program's case; this is the 32-bit program";
    char x86[MAX_PATH];
    char wow64[MAX_PATH];
    ASSERT_TRUE(GetEnvironmentVariableA("ProgramFiles(x86)", x86, MAX_PATH));
    ASSERT_TRUE(GetSystemWow64DirectoryA(wow64, MAX_PATH));
    const std::string app = std::string(x86) + "\\ovra_wow_app";
    create_dir(app.c_str());
    const std::vector<std::string> files{app + "\\app.exe", std::string(wow64) + "\\ovra_wow_tool.exe",
                                         std::string(wow64) + "\\ovra_wow_tool.dll",
                                         "C:\\windows\\system32\\ovra_wow_tool64.exe"};
    for (const std::string& file : files)
        create_file(file.c_str(), "x");

    const char* tool = "C:\\Windows\\System32\\ovra_wow_tool.exe";
    const struct {
        HKEY root;
        std::string path;
        const char* name;
        DWORD type;
        const char* data;
    } kEntries[] = {
        {kMachine, Join(kAppPathsKey, "ovra_wow_live.exe"), nullptr, REG_SZ, tool},
        {kUser, kMuiCacheKey, tool, REG_SZ, "Tool"},
        {kMachine, kRunKey, "ovra wow live app", REG_EXPAND_SZ, "%ProgramFiles%\\ovra_wow_app\\app.exe"},
        {kMachine, kRunKey, "ovra wow live alias", REG_SZ, "C:\\Windows\\Sysnative\\ovra_wow_tool64.exe"},
        {kClasses, "CLSID\\{ovra-wow-live}\\InprocServer32", nullptr, REG_SZ,
         "C:\\Windows\\System32\\ovra_wow_tool.dll"},
        {kMachine, Join(kUninstallKey, "ovra_wow_live"), "UninstallString", REG_SZ,
         "\"C:\\Windows\\System32\\ovra_wow_tool.exe\" /x"},
        {kMachine, "SOFTWARE\\Microsoft\\Windows\\Help", "app.exe", REG_EXPAND_SZ, "%ProgramFiles%\\ovra_wow_app"},
        // Written out, C:\Program Files is that folder for both widths.
        {kMachine, kRunKey, "ovra wow dead literal", REG_SZ, "C:\\Program Files\\ovra_wow_app\\app.exe"},
        {kMachine, kRunKey, "ovra wow dead system", REG_SZ, "C:\\Windows\\System32\\ovra_wow_gone.exe"},
    };
    for (const auto& entry : kEntries)
        WriteIn(KEY_WOW64_32KEY, entry.root, entry.path, entry.name, entry.type, entry.data);

    std::vector<ovra::JobResult> found = ScanAll();
    const std::vector<std::string> dead{"ovra wow dead literal", "ovra wow dead system"};
    EXPECT_EQ(dead, NamesWith(found, "ovra_wow"));
    ovra::Executor executor;
    EXPECT_TRUE(executor.DeleteRecords(found));
    for (const auto& entry : kEntries) {
        HKEY key = nullptr;
        const bool live = !entry.name || !std::strstr(entry.name, "dead");
        EXPECT_EQ(live, RegOpenKeyExA(entry.root, entry.path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) == 0 &&
                            RegQueryValueExA(key, entry.name, nullptr, nullptr, nullptr, nullptr) == 0)
            << entry.path << " " << (entry.name ? entry.name : "");
        if (key)
            RegCloseKey(key);
        EraseIn(KEY_WOW64_32KEY, entry.root, entry.path, entry.name);
    }
    delete_tree(kClasses, "Wow6432Node\\CLSID\\{ovra-wow-live}");
    delete_tree(kMachine, Join(TwinOf(kMachine, kUninstallKey), "ovra_wow_live").c_str());
    delete_tree(kMachine, Join(TwinOf(kMachine, kAppPathsKey), "ovra_wow_live.exe").c_str());
    delete_tree(kMachine, Join(kAppPathsKey, "ovra_wow_live.exe").c_str());
    for (const std::string& file : files)
        delete_file(file.c_str());
    remove_dir_tree(app.c_str());
}

// A 64-bit program's paths in the keys both views share name the 64-bit
// System32 and program folder; the scan's cache must not give one view's
// answer for the same spelling in the other.
TEST_F(Wow64Views, ThirtyTwoBitProgramTakesSixtyFourBitPathsInTheirOwnViews)
{
    BOOL wow64 = FALSE;
    if (sizeof(void*) != 4 || !IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "the 32-bit program's case under WOW64; this is "
                     << (sizeof(void*) == 8 ? "the 64-bit program" : "32-bit Windows");
    char native[MAX_PATH];
    ASSERT_TRUE(GetEnvironmentVariableA("ProgramW6432", native, MAX_PATH)) << "no 64-bit program folder";
    const std::string app = std::string(native) + "\\ovra_wow_app";
    create_dir(app.c_str());
    create_file((app + "\\app.exe").c_str(), "x");
    create_file("C:\\windows\\Sysnative\\ovra_wow_tool64.exe", "x"); // the 64-bit System32

    const char* const kPrograms[][3] = {
        {"ovra_wow_tool64.exe", "C:\\Windows\\System32\\ovra_wow_tool64.exe", nullptr},
        {"ovra_wow_app.exe", "%ProgramFiles%\\ovra_wow_app\\app.exe", "expand"},
        {"ovra_wow_gone.exe", "C:\\Windows\\System32\\ovra_wow_gone.exe", nullptr},
    };
    for (const auto& program : kPrograms)
        WriteIn(KEY_WOW64_64KEY, kMachine, Join(kAppPathsKey, program[0]), nullptr,
                program[2] ? REG_EXPAND_SZ : REG_SZ, program[1]);

    EXPECT_EQ(std::vector<std::string>{"ovra_wow_gone.exe"}, NamesWith(ScanAll(), "ovra_wow"));
    EXPECT_FALSE(ovra::IsSuspiciousUninstallString("\"C:\\Windows\\System32\\ovra_wow_tool64.exe\" /x"));
    EXPECT_TRUE(ovra::IsSuspiciousUninstallString("\"C:\\Windows\\System32\\ovra_wow_gone.exe\" /x"));

    for (const auto& program : kPrograms)
        delete_tree(kMachine, Join(kAppPathsKey, program[0]).c_str());
    delete_file("C:\\windows\\Sysnative\\ovra_wow_tool64.exe");
    remove_dir_tree(app.c_str());
}
