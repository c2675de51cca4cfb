// Shapes of live entries that a scan must never report: per-user folders in
// machine-wide entries, files a program writes itself, bare names where the
// search order cannot be looked through, COM classes a program still serves,
// and names spelt in another case than the file's. Beside them, dead entries
// of the same places are still found.
#include "checks/ovraSweepline.h"
#include "ovraBackupTestFiles.h"
#include "ovraTestKeys.h"
#include "ovraTestRecords.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace ovratest;

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;
const char kMachineClsid[] = "SOFTWARE\\Classes\\CLSID";
const char kSharedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kHelpKey[] = "SOFTWARE\\Microsoft\\Windows\\Help";
const char kFontsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kDir[] = "C:\\ovra_live";

// One entry; its token, in a key or value name, is how its records are told.
// A null name is the key's default value.
struct Row {
    const char* token;
    HKEY root;
    const char* key;
    const char* name;
    DWORD type;
    const char* data;
    bool dead; // a control: the same place with a dead entry, which is found
};

const Row kRows[] = {
    // Per-user variables in machine-wide places name another folder for
    // every user: not judged, though nothing is there for this user.
    {"ovra_live_01", kMachine, kRunKey, "ovra_live_01", REG_EXPAND_SZ, "%APPDATA%\\ovra_live_other\\tray.exe", false},
    {"ovra_live_02", kMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ovra_live_02",
     "UninstallString", REG_EXPAND_SZ, "\"%LOCALAPPDATA%\\Programs\\ovra_live_other\\unins.exe\" /S", false},
    {"ovra_live_03", kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ovra_live_03.exe", nullptr,
     REG_EXPAND_SZ, "%USERPROFILE%\\ovra_live_other\\app.exe", false},
    {"ovra_live_04", kMachine, "SOFTWARE\\Classes\\CLSID\\{ovra_live_04}\\InprocServer32", nullptr, REG_EXPAND_SZ,
     "%TEMP%\\ovra_live_other\\x.dll", false},
    {"ovra_live_05", kMachine, "SOFTWARE\\Classes\\TypeLib\\{ovra_live_05}\\1.0\\0\\win32", nullptr, REG_EXPAND_SZ,
     "%TMP%\\ovra_live_other\\x.tlb", false},
    {"ovra_live_06", kMachine, kSharedKey, "%HOMEDRIVE%%HOMEPATH%\\ovra_live_06\\x.dll", REG_DWORD, nullptr, false},
    {"ovra_live_07", kMachine, kHelpKey, "ovra_live_07.hlp", REG_EXPAND_SZ, "%OneDrive%\\ovra_live_other", false},
    {"ovra_live_08", kMachine, kFontsKey, "ovra_live_08 (TrueType)", REG_EXPAND_SZ,
     "%LOCALAPPDATA%\\Microsoft\\Windows\\Fonts\\ovra_live_other.ttf", false},
    {"ovra_live_09", kMachine, kRunKey, "ovra_live_09", REG_EXPAND_SZ, "C:\\Users\\%USERNAME%\\ovra_live\\x.exe", false},
    {"ovra_dead_01", kMachine, kRunKey, "ovra_dead_01", REG_EXPAND_SZ, "%ProgramFiles%\\ovra_live_gone\\gone.exe", true},
    {"ovra_dead_02", kUser, kRunKey, "ovra_dead_02", REG_EXPAND_SZ, "%APPDATA%\\ovra_live_gone\\gone.exe", true},
    {"ovra_dead_03", kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ovra_dead_03.exe", nullptr,
     REG_EXPAND_SZ, "%ProgramFiles%\\ovra_live_gone\\app.exe", true},
    // Files the program writes when it runs.
    {"ovra_live_10", kMachine, kRunKey, "ovra_live_10", REG_SZ,
     "\"C:\\ovra_live\\app.exe\" --log-file=\"C:\\ovra_live\\gone.log\" -c \"C:\\ovra_live\\gone.ini\"", false},
    {"ovra_live_11", kMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ovra_live_11",
     "UninstallString", REG_SZ, "C:\\ovra_live\\app.exe /LOGFILE=\"C:\\ovra_live\\u.log\" > \"C:\\ovra_live\\rm.log\"",
     false},
    {"ovra_dead_04", kMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ovra_dead_04",
     "UninstallString", REG_SZ, "C:\\ovra_live\\app.exe -f\"C:\\ovra_live\\gone.log\"", true},
    // A line in another case than the file's name.
    {"ovra_live_12", kUser, kRunKey, "ovra_live_12", REG_SZ, "C:\\OVRA_LIVE\\App.EXE /background", false},
    {"ovra_live_13", kUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ovra_live_13",
     "UninstallString", REG_SZ, "\"c:\\Ovra_Live\\APP.exe\" /x", false},
};

bool Names(const ovra::JobResult& record, const char* token)
{
    return (record.sKeyPath + "\\" + record.sName).find(token) != std::string::npos;
}

void Seed(const Row& row)
{
    const DWORD number = 1;
    if (row.data)
        add_value(row.root, row.key, row.name, row.type, row.data, static_cast<DWORD>(strlen(row.data) + 1));
    else
        add_value(row.root, row.key, row.name, row.type, &number, sizeof(number));
}

// The key of a row's own that a test removes again: the subkey below the
// walked key, or the value itself.
void Unseed(const Row& row)
{
    const std::string key = row.key;
    const size_t at = key.find(row.token);
    const size_t brace = key.find('{');
    if (at != std::string::npos || brace != std::string::npos) {
        const size_t from = brace != std::string::npos ? brace : at;
        delete_tree(row.root, key.substr(0, key.find('\\', from)).c_str());
    } else {
        delete_value(row.root, row.key, row.name);
    }
}

class LiveShapes : public BackupFolderTest {
protected:
    void SetUp() override
    {
        BackupFolderTest::SetUp();
        create_dir(kDir);
        create_file("C:\\ovra_live\\app.exe", "x");
        SetEnvironmentVariableA("OneDrive", "C:\\ovra_live_onedrive");
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("OneDrive", nullptr);
        remove_dir_tree(kDir);
        BackupFolderTest::TearDown();
    }
};

} // namespace

TEST_F(LiveShapes, LiveShapesAreNeverReportedAndDeadOnesAre)
{
    for (const Row& row : kRows)
        Seed(row);
    const std::vector<ovra::JobResult> found = ScanAll();
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.token);
        size_t records = 0;
        for (const ovra::JobResult& record : found)
            records += Names(record, row.token) ? 1 : 0;
        EXPECT_EQ(records, row.dead ? 1u : 0u);
    }
    for (const Row& row : kRows)
        Unseed(row);
}

// A bare uninstaller's name is judged only when every folder of the search
// order could be looked into.
TEST_F(LiveShapes, UnsearchablePathEntriesLeaveBareNamesUnjudged)
{
    char saved[32768] = "";
    GetEnvironmentVariableA("PATH", saved, sizeof(saved));
    const char kLine[] = "ovra_live_bare.exe /x";
    EXPECT_TRUE(ovra::IsSuspiciousUninstallString(kLine));
    for (const char* entry : {"\\\\ovra-no-host\\share", "tools", ".\\bin", "R:\\ovra_tools", "C:relative", "C:/tools"}) {
        SCOPED_TRACE(entry);
        SetEnvironmentVariableA("PATH", (std::string(saved) + ";" + entry).c_str());
        EXPECT_FALSE(ovra::IsSuspiciousUninstallString(kLine));
    }
    // Empty entries hide no folder.
    SetEnvironmentVariableA("PATH", (std::string(saved) + ";;\"\";").c_str());
    EXPECT_TRUE(ovra::IsSuspiciousUninstallString(kLine));
    SetEnvironmentVariableA("PATH", saved);
}

// A class whose library is gone but that a program or a service still serves
// loses only its InprocServer32 key; its server keys stay, and a restore puts
// the library's key back as it was. With every server gone the class goes.
TEST_F(LiveShapes, ClassesStillServedLoseOnlyTheirLibraryKey)
{
    const char kAppIds[] = "SOFTWARE\\Classes\\AppID";
    const std::string program = std::string(kMachineClsid) + "\\{ovra_live_program}";
    const std::string service = std::string(kMachineClsid) + "\\{ovra_live_service}";
    const std::string gone = std::string(kMachineClsid) + "\\{ovra_live_gone}";
    for (const std::string& cls : {program, service, gone})
        add_sz(kMachine, (cls + "\\InProcServer32").c_str(), nullptr, "C:\\ovra_live\\gone.dll");
    add_sz(kMachine, (program + "\\LocalServer32").c_str(), nullptr, "\"C:\\ovra_live\\app.exe\" /automation");
    add_sz(kMachine, service.c_str(), "AppID", "{ovra_live_appid}");
    add_sz(kMachine, (std::string(kAppIds) + "\\{ovra_live_appid}").c_str(), "LocalService", "OvraLiveService");
    add_sz(kMachine, (gone + "\\LocalServer32").c_str(), nullptr, "C:\\ovra_live\\gone.exe");

    std::vector<ovra::JobResult> found;
    for (const ovra::JobResult& record : ScanAll())
        if (Names(record, "ovra_live"))
            found.push_back(record);
    // Found through the classes root, where the machine's classes show.
    const auto expected = [](const std::string& keyPath, const char* name, const char* cls) {
        return RecordText(ScanRecord(HKEY_CLASSES_ROOT, keyPath, name, "Custom control is invalid",
                                     std::string("HKEY_CLASSES_ROOT\\CLSID\\") + cls + "\\InprocServer32",
                                     "(Default) = C:\\ovra_live\\gone.dll", 2, ovra::kKindKey));
    };
    const std::vector<std::string> texts = RecordTexts(found);
    EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()),
              (std::set<std::string>{expected("CLSID\\{ovra_live_program}", "InProcServer32", "{ovra_live_program}"),
                                     expected("CLSID\\{ovra_live_service}", "InProcServer32", "{ovra_live_service}"),
                                     expected("CLSID", "{ovra_live_gone}", "{ovra_live_gone}")}));

    const std::string before = dump_tree(kMachine, kMachineClsid);
    RepairAndRestore(found, [&] {
        verify_key_missing(kMachine, (program + "\\InProcServer32").c_str());
        verify_key(kMachine, (program + "\\LocalServer32").c_str());
        verify_key(kMachine, service.c_str());
        verify_key_missing(kMachine, gone.c_str());
    });
    EXPECT_EQ(before, dump_tree(kMachine, kMachineClsid));
    for (const std::string& cls : {program, service, gone})
        delete_tree(kMachine, cls.c_str());
    delete_tree(kMachine, (std::string(kAppIds) + "\\{ovra_live_appid}").c_str());
}
