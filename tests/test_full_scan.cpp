// A whole scan of the prefix: every section seeded with broken and healthy
// entries, all ten jobs run by the scan run on its worker thread, and the
// record list compared whole with the one expected. The prefix's own entries
// (some of its fonts are reported) are taken from a scan made before seeding:
// they must come back unchanged, and everything else must be exactly what
// was seeded broken.
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"
#include "ovraTestWindow.h"
#include "scan/ovraJobEnumerator.h"
#include "ui/ovraCommandIds.h"
#include "ui/ovraProgressPage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace ovratest;

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;
const char kDir[] = "C:\\ovra_full";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kMuiCache[] = "SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
const char kFonts[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kHelp[] = "SOFTWARE\\Microsoft\\Windows\\Help";
const char kHtmlHelp[] = "SOFTWARE\\Microsoft\\Windows\\HTML Help";
const char kShared[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kFolders[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
const char kDeadType[] = "Software\\Classes\\ovra.full.dead";
const char kLiveType[] = "Software\\Classes\\ovra.full.live";

std::string Key(const char* parent, const char* child)
{
    return std::string(parent) + "\\" + child;
}

void AddNumber(HKEY root, const char* key, const char* name)
{
    const DWORD one = 1;
    add_value(root, key, name, REG_DWORD, &one, sizeof(one));
}

// One broken and one healthy entry in every section; the broken ones are
// listed in the order the scan must find them.
std::vector<std::string> SeedEveryArea()
{
    create_dir("C:\\ovra_full\\live_folder");
    for (const char* file : {"present.dll", "present.exe", "present.hlp", "present.ttf"})
        create_file((std::string(kDir) + "\\" + file).c_str(), "x");

    add_sz(kUser, kShellFolders, "ovra full dead", "C:\\ovra_full\\gone_folder");
    add_sz(kUser, kShellFolders, "ovra full live", "C:\\ovra_full\\live_folder");
    add_sz(HKEY_CLASSES_ROOT, "CLSID\\{ovra-full-dead}\\InprocServer32", nullptr, "C:\\ovra_full\\gone.dll");
    add_sz(HKEY_CLASSES_ROOT, "CLSID\\{ovra-full-live}\\InprocServer32", nullptr, "C:\\ovra_full\\present.dll");
    add_sz(kMachine, Key(kAppPaths, "ovra_full_dead.exe").c_str(), nullptr, "C:\\ovra_full\\gone.exe");
    add_sz(kMachine, Key(kAppPaths, "ovra_full_live.exe").c_str(), nullptr, "C:\\ovra_full\\present.exe");
    add_sz(kUser, kMuiCache, "C:\\ovra_full\\gone.exe", "Gone Program");
    add_sz(kUser, kMuiCache, "C:\\ovra_full\\present.exe", "Present Program");
    add_sz(kMachine, kFonts, "ovra full dead (TrueType)", "ovra_full_gone.ttf");
    add_sz(kMachine, kFonts, "ovra full live (TrueType)", "C:\\ovra_full\\present.ttf");
    add_sz(kMachine, kHelp, "ovra_full_gone.hlp", kDir);
    add_sz(kMachine, kHelp, "present.hlp", kDir);
    add_sz(kMachine, kHtmlHelp, "ovra_full_gone.chm", "C:\\ovra_full\\");
    AddNumber(kMachine, kShared, "C:\\ovra_full\\gone.dll");
    AddNumber(kMachine, kShared, "C:\\ovra_full\\present.dll");
    add_sz(kMachine, kRun, "ovra full dead", "C:\\ovra_full\\gone.exe /run");
    add_sz(kMachine, kRun, "ovra full live", "C:\\ovra_full\\present.exe /run");
    add_sz(kMachine, Key(kUninstall, "ovra_full_dead").c_str(), "UninstallString", "C:\\ovra_full\\gone\\unins000.exe");
    add_sz(kMachine, Key(kUninstall, "ovra_full_live").c_str(), "UninstallString",
           "\"C:\\ovra_full\\present.exe\" /uninstall");
    AddNumber(kMachine, kFolders, "C:\\ovra_full\\gone_folder\\");
    AddNumber(kMachine, kFolders, "C:\\ovra_full\\live_folder\\");
    add_sz(kUser, Key(kDeadType, "shell\\open\\command").c_str(), nullptr, "\"C:\\ovra_full\\gone.exe\" \"%1\"");
    add_sz(kUser, Key(kLiveType, "shell\\open\\command").c_str(), nullptr, "\"C:\\ovra_full\\present.exe\" \"%1\"");

    const HKEY classes = HKEY_CLASSES_ROOT;
    return {
        RecordText(ScanRecord(kUser, kShellFolders, "ovra full dead", "Value is invalid.",
                              Key("HKEY_CURRENT_USER", kShellFolders), "ovra full dead = C:\\ovra_full\\gone_folder",
                              1, 0)),
        RecordText(ScanRecord(classes, "CLSID", "{ovra-full-dead}", "Custom control is invalid",
                              "HKEY_CLASSES_ROOT\\CLSID\\{ovra-full-dead}\\InprocServer32",
                              "(Default) = C:\\ovra_full\\gone.dll", 2, 1)),
        RecordText(ScanRecord(kMachine, kAppPaths, "ovra_full_dead.exe", "Value is invalid",
                              Key("HKEY_LOCAL_MACHINE", kAppPaths) + "\\ovra_full_dead.exe",
                              "(Default) = C:\\ovra_full\\gone.exe", 3, 1)),
        RecordText(ScanRecord(kUser, kMuiCache, "C:\\ovra_full\\gone.exe", "Value is invalid",
                              Key("HKEY_CURRENT_USER", kMuiCache), "C:\\ovra_full\\gone.exe = Gone Program", 3, 0)),
        RecordText(ScanRecord(kMachine, kFonts, "ovra full dead (TrueType)", "Font item is invalid",
                              Key("HKEY_LOCAL_MACHINE", kFonts), "ovra full dead (TrueType) = ovra_full_gone.ttf", 4,
                              0)),
        RecordText(ScanRecord(kMachine, kHelp, "ovra_full_gone.hlp", "Help file ovra_full_gone.hlp doesn't exist",
                              Key("HKEY_LOCAL_MACHINE", kHelp), "ovra_full_gone.hlp = C:\\ovra_full\\", 5, 0)),
        RecordText(ScanRecord(kMachine, kHtmlHelp, "ovra_full_gone.chm", "Help file ovra_full_gone.chm doesn't exist",
                              Key("HKEY_LOCAL_MACHINE", kHtmlHelp), "ovra_full_gone.chm = C:\\ovra_full\\", 5, 0)),
        RecordText(ScanRecord(kMachine, kShared, "C:\\ovra_full\\gone.dll", "Value is invalid", kShared,
                              "C:\\ovra_full\\gone.dll", 6, 0)),
        RecordText(ScanRecord(kMachine, kRun, "ovra full dead", "Value is invalid", kRun,
                              "ovra full dead = C:\\ovra_full\\gone.exe /run", 7, 0)),
        RecordText(ScanRecord(kMachine, kUninstall, "ovra_full_dead", "Add/Remove item is invalid", kUninstall,
                              "ovra_full_dead = C:\\ovra_full\\gone\\unins000.exe", 8, 1)),
        RecordText(ScanRecord(kMachine, kFolders, "C:\\ovra_full\\gone_folder\\", "Add/Remove item is invalid",
                              kFolders, "C:\\ovra_full\\gone_folder\\", 8, 0)),
        RecordText(ScanRecord(kUser, "Software\\Classes", "ovra.full.dead", "File type is invalid",
                              Key("HKEY_CURRENT_USER", kDeadType) + "\\shell\\open\\command",
                              "(Default) = \"C:\\ovra_full\\gone.exe\" \"%1\"", 9, 1)),
    };
}

void RemoveSeeds()
{
    for (const char* name : {"ovra full dead", "ovra full live"}) {
        delete_value(kUser, kShellFolders, name);
        delete_value(kMachine, kRun, name);
    }
    for (const char* name : {"ovra full dead (TrueType)", "ovra full live (TrueType)"})
        delete_value(kMachine, kFonts, name);
    for (const char* clsid : {"CLSID\\{ovra-full-dead}", "CLSID\\{ovra-full-live}"})
        delete_tree(HKEY_CLASSES_ROOT, clsid);
    for (const char* program : {"ovra_full_dead.exe", "ovra_full_live.exe"})
        delete_tree(kMachine, Key(kAppPaths, program).c_str());
    for (const char* entry : {"ovra_full_dead", "ovra_full_live"})
        delete_tree(kMachine, Key(kUninstall, entry).c_str());
    for (const char* folder : {"C:\\ovra_full\\gone_folder\\", "C:\\ovra_full\\live_folder\\"})
        delete_value(kMachine, kFolders, folder);
    // Absent from a fresh prefix.
    for (const char* type : {kDeadType, kLiveType})
        delete_tree(kUser, type);
    for (const char* key : {kHelp, kHtmlHelp, kShared})
        delete_tree(kMachine, key);
    delete_tree(kUser, kMuiCache);
    remove_dir_tree(kDir);
}

class FullScan : public testing::Test {
protected:
    void SetUp() override
    {
        RemoveSeeds();
        page.Create(window.Get());
    }
    void TearDown() override { RemoveSeeds(); }

    std::vector<ovra::JobResult> Scan()
    {
        window.commands.clear();
        page.OnEnter();
        page.OnRun();
        EXPECT_TRUE(PumpUntil([&] { return !window.commands.empty(); }));
        page.OnExit();
        EXPECT_EQ(window.commands, std::vector<unsigned int>{ovra::IDC_SCAN_DONE});
        EXPECT_EQ(page.m_run.m_nJobsDone, static_cast<int>(catalogue.m_jobs.size()));
        return page.m_run.m_results;
    }

    ovra::JobEnumerator catalogue;
    CommandWindow window;
    ovra::ProgressPage page;
};

} // namespace

TEST_F(FullScan, EverySeededProblemIsFoundOnceInCatalogueOrderAndNothingElse)
{
    const std::vector<std::string> prefixOwn = RecordTexts(Scan());
    std::printf("the prefix's own entries give %u records\n", static_cast<unsigned>(prefixOwn.size()));
    for (const auto& text : prefixOwn)
        std::printf("  %s\n", text.c_str());

    const std::vector<std::string> expected = SeedEveryArea();
    const std::vector<ovra::JobResult> found = Scan();

    std::vector<std::string> kept, added;
    for (const auto& text : RecordTexts(found)) {
        const bool prefixs = std::find(prefixOwn.begin(), prefixOwn.end(), text) != prefixOwn.end();
        (prefixs ? kept : added).push_back(text);
    }
    EXPECT_EQ(kept, prefixOwn);
    EXPECT_EQ(added, expected);

    // Each row counts what its job appended, and the records come job by job.
    std::vector<int> perJob(catalogue.m_jobs.size(), 0);
    for (const auto& record : found)
        ++perJob.at(static_cast<size_t>(record.nJobId));
    for (size_t i = 0; i < perJob.size(); ++i)
        EXPECT_EQ(page.m_run.m_steps[i].nFound, perJob[i]) << page.m_run.m_steps[i].pJob->m_strName;
    EXPECT_TRUE(std::is_sorted(found.begin(), found.end(),
                               [](const ovra::JobResult& a, const ovra::JobResult& b) { return a.nJobId < b.nJobId; }));
}
