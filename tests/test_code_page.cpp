// Text outside the system's ANSI code page, and double-byte code pages,
// against the real registry and files: names and data are written with the
// wide functions, so the prefix holds exactly what a user's system would.
// The double-byte cases run where the code page is 932 (ctest's
// test_code_page.cp932 entry starts this program under a Japanese locale).
#include "backup/ovraExecutor.h"
#include "checks/ovraCustomControlsJob.h"
#include "checks/ovraFileTypesJob.h"
#include "checks/ovraHelpresJob.h"
#include "checks/ovraSharedProgsJob.h"
#include "checks/ovraSoftwareLocationsJob.h"
#include "checks/ovraStartupProgsJob.h"
#include "checks/ovraSweepline.h"
#include "ovraBackupTestFiles.h"
#include "ovraTestRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace ovratest;

namespace {

const wchar_t kTopW[] = L"C:\\ovra_cp_test";
const std::wstring kLodz = L"\x0141\x00f3\x64\x017a"; // Łódź
const std::wstring kForeignW = std::wstring(kTopW) + L"\\" + kLodz + L"-\x4e2d\x6587"; // ...\Łódź-中文
const wchar_t kRunW[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kSharedW[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kHelp[] = "SOFTWARE\\Microsoft\\Windows\\Help";
const char kKey[] = "Software\\OvraCodePageTest";
const wchar_t kKeyW[] = L"Software\\OvraCodePageTest";
const wchar_t* const kClasses[] = {L"CLSID\\{ovra-cp-live}", L"CLSID\\{ovra-cp-dead}", L"CLSID\\{ovra-cp-tree}",
                                   L"CLSID\\{ovra-cp-plain}"};

// The text in the code page, checked independently of the program's helper.
bool ToCodePage(const std::wstring& text, std::string& ansi)
{
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr,
                                         &usedDefault);
    ansi.assign(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, &ansi[0], size, nullptr, &usedDefault);
    ansi.resize(std::strlen(ansi.c_str()));
    return size > 0 && !usedDefault;
}

std::string Ansi(const std::wstring& text)
{
    std::string ansi;
    EXPECT_TRUE(ToCodePage(text, ansi));
    return ansi;
}

std::vector<std::string> Names(const std::vector<ovra::JobResult>& records, const std::string& marker)
{
    std::vector<std::string> names;
    for (const ovra::JobResult& r : records)
        if (r.sName.find(marker) != std::string::npos)
            names.push_back(r.sName);
    return names;
}

class CodePageTest : public BackupFolderTest {
protected:
    void SetUp() override
    {
        BackupFolderTest::SetUp();
        CreateDirectoryW(kTopW, nullptr);
    }
    void TearDown() override
    {
        for (const wchar_t* name : {L"OvraForeignLive", L"OvraForeignDead", L"OvraForeignVariable", L"OvraPlainDead"})
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunW, name);
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunW, (L"Ovra" + kLodz).c_str());
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedW, (kForeignW + L"\\gone.dll").c_str());
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedW, L"C:\\ovra_cp_test\\gone.dll");
        for (const wchar_t* key : kClasses)
            delete_tree_w(HKEY_CLASSES_ROOT, key);
        delete_tree_w(HKEY_CURRENT_USER, kKeyW);
        delete_value(HKEY_LOCAL_MACHINE, kHelp, "ovra_cp.hlp");
        SetEnvironmentVariableW(L"OVRA_FOREIGN", nullptr);
        remove_dir_tree_w(kTopW);
        BackupFolderTest::TearDown();
    }
    static bool HoldsForeignText()
    {
        std::string ansi;
        return ToCodePage(kLodz, ansi);
    }
};

} // namespace

// Live and dead entries whose paths or names the code page cannot hold are
// never reported, and a repair with restore of the other findings leaves
// them as they were, UTF-16 for UTF-16.
TEST_F(CodePageTest, ForeignTextIsNeverReportedNorTouched)
{
    if (HoldsForeignText())
        GTEST_SKIP() << "code page " << GetACP() << " holds the test's foreign text";
    CreateDirectoryW(kForeignW.c_str(), nullptr);
    create_file_w((kForeignW + L"\\app.exe").c_str());
    create_file_w((kForeignW + L"\\server.dll").c_str());
    add_sz_w(HKEY_LOCAL_MACHINE, kRunW, L"OvraForeignLive", (kForeignW + L"\\app.exe").c_str());
    add_sz_w(HKEY_LOCAL_MACHINE, kRunW, L"OvraForeignDead", (kForeignW + L"\\gone.exe").c_str());
    ASSERT_TRUE(SetEnvironmentVariableW(L"OVRA_FOREIGN", kForeignW.c_str()));
    add_expand_sz_w(HKEY_LOCAL_MACHINE, kRunW, L"OvraForeignVariable", L"%OVRA_FOREIGN%\\app.exe");
    add_sz_w(HKEY_LOCAL_MACHINE, kRunW, (L"Ovra" + kLodz).c_str(), L"C:\\ovra_cp_test\\gone.exe");
    add_sz_w(HKEY_LOCAL_MACHINE, kRunW, L"OvraPlainDead", L"C:\\ovra_cp_test\\gone.exe");
    add_sz_w(HKEY_CLASSES_ROOT, L"CLSID\\{ovra-cp-live}\\InprocServer32", nullptr, (kForeignW + L"\\server.dll").c_str());
    add_sz_w(HKEY_CLASSES_ROOT, L"CLSID\\{ovra-cp-dead}\\InprocServer32", nullptr, (kForeignW + L"\\gone.dll").c_str());
    add_sz_w(HKEY_CLASSES_ROOT, L"CLSID\\{ovra-cp-tree}\\InprocServer32", nullptr, L"C:\\ovra_cp_test\\gone.dll");
    add_sz_w(HKEY_CLASSES_ROOT, (L"CLSID\\{ovra-cp-tree}\\" + kLodz).c_str(), L"v", L"x");
    add_sz_w(HKEY_CLASSES_ROOT, L"CLSID\\{ovra-cp-plain}\\InprocServer32", nullptr, L"C:\\ovra_cp_test\\gone.dll");
    add_sz_w(HKEY_LOCAL_MACHINE, kSharedW, (kForeignW + L"\\gone.dll").c_str(), L"1");
    add_sz_w(HKEY_LOCAL_MACHINE, kSharedW, L"C:\\ovra_cp_test\\gone.dll", L"1");

    // Only the plain controls are found; they are then repaired.
    ovra::StartupProgsJob startup;
    ovra::CustomControlsJob controls;
    ovra::SharedProgsJob shared;
    const std::vector<std::string> expected = {"OvraPlainDead", "{ovra-cp-plain}", "C:\\ovra_cp_test\\gone.dll"};
    std::vector<ovra::JobResult> found;
    for (ovra::Job* job : std::vector<ovra::Job*>{&startup, &controls, &shared})
        for (const ovra::JobResult& r : RunJob(*job))
            if (r.sName.find("vra") != std::string::npos)
                found.push_back(r);
    EXPECT_EQ(Names(found, ""), expected);

    const std::wstring run = dump_tree_w(HKEY_LOCAL_MACHINE, kRunW);
    const std::wstring sharedBefore = dump_tree_w(HKEY_LOCAL_MACHINE, kSharedW);
    std::vector<std::wstring> classes;
    for (const wchar_t* key : kClasses)
        classes.push_back(dump_tree_w(HKEY_CLASSES_ROOT, key));

    RepairAndRestore(found, [&] {
        EXPECT_EQ(dump_tree_w(HKEY_CLASSES_ROOT, kClasses[3]), L"<missing>");
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(dump_tree_w(HKEY_CLASSES_ROOT, kClasses[i]), classes[i]) << i;
    });
    EXPECT_EQ(dump_tree_w(HKEY_LOCAL_MACHINE, kRunW), run);
    EXPECT_EQ(dump_tree_w(HKEY_LOCAL_MACHINE, kSharedW), sharedBefore);
    for (size_t i = 0; i < classes.size(); ++i)
        EXPECT_EQ(dump_tree_w(HKEY_CLASSES_ROOT, kClasses[i]), classes[i]) << i;
}

// A ticked record whose value or tree holds foreign text is saved whole, in
// UTF-8 (".backup3"), and comes back exactly; unticked, such records neither
// go into the file nor change its kind, and the ticked sibling is repaired
// and restored with the foreign text untouched.
TEST_F(CodePageTest, ForeignTextGoesIntoAUtf8BackupButNeverForUntickedRecords)
{
    if (HoldsForeignText())
        GTEST_SKIP() << "code page " << GetACP() << " holds the test's foreign text";
    add_sz(HKEY_CURRENT_USER, kKey, "plain", "C:\\ovra_cp_test\\gone.exe");
    add_sz_w(HKEY_CURRENT_USER, kKeyW, L"foreign", kLodz.c_str());
    add_sz_w(HKEY_CURRENT_USER, kKeyW, kLodz.c_str(), L"a foreign name");
    add_sz_w(HKEY_CURRENT_USER, (std::wstring(kKeyW) + L"\\Tree\\" + kLodz).c_str(), L"v", L"x");
    add_sz(HKEY_CURRENT_USER, (std::string(kKey) + "\\Plain").c_str(), "v", "x");
    std::vector<ovra::JobResult> records{MakeRecord(HKEY_CURRENT_USER, kKey, "plain", ovra::kKindValue),
                                         MakeRecord(HKEY_CURRENT_USER, kKey, "foreign", ovra::kKindValue),
                                         MakeRecord(HKEY_CURRENT_USER, kKey, "Tree", ovra::kKindKey),
                                         MakeRecord(HKEY_CURRENT_USER, kKey, "Plain", ovra::kKindKey)};
    ovra::BackupManager manager;
    ovra::Executor executor;
    const std::wstring all = dump_tree_w(HKEY_CURRENT_USER, kKeyW);
    for (size_t foreign : {1, 2}) {
        for (size_t i = 0; i < records.size(); ++i)
            records[i].bSelected = i == foreign;
        std::string name;
        manager.GetBackupName(name);
        ASSERT_TRUE(manager.WriteBackup(name.c_str(), records)) << foreign;
        EXPECT_EQ(GetFileAttributesA(BackupPath(name).c_str()), INVALID_FILE_ATTRIBUTES) << foreign;
        name.back() = '3';
        std::vector<ovra::JobResult> saved;
        ASSERT_TRUE(manager.ReadBackup(name.c_str(), saved)) << foreign;
        ASSERT_EQ(saved.size(), 1u) << foreign;
        EXPECT_TRUE(executor.DeleteRecords(saved));
        HANDLE file = OpenForRestore(BackupPath(name));
        EXPECT_TRUE(executor.RestoreRecords(file, saved, manager, ovra::BackupManager::TextOf(name)));
        CloseHandle(file);
        EXPECT_EQ(dump_tree_w(HKEY_CURRENT_USER, kKeyW), all) << foreign;
    }

    records[0].bSelected = records[3].bSelected = true;
    records[1].bSelected = records[2].bSelected = false;
    const std::wstring before = dump_tree_w(HKEY_CURRENT_USER, kKeyW);
    std::string name;
    manager.GetBackupName(name);
    ASSERT_TRUE(manager.WriteBackup(name.c_str(), records));
    std::vector<ovra::JobResult> saved;
    ASSERT_TRUE(manager.ReadBackup(name.c_str(), saved));
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_TRUE(executor.DeleteRecords(records));
    verify_value_missing(HKEY_CURRENT_USER, kKey, "plain");
    HANDLE file = OpenForRestore(BackupPath(name));
    EXPECT_TRUE(executor.RestoreRecords(file, saved, manager));
    CloseHandle(file);
    EXPECT_EQ(dump_tree_w(HKEY_CURRENT_USER, kKeyW), before);
}

// Under code page 932 trail bytes take the values of ASCII letters and of
// the backslash: "ゲ" is 83 51 ('Q'), "表" and "ソ" end in 5C ('\').
TEST_F(CodePageTest, DoubleByteCharactersAreNeverCutApart)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs code page 932, this process runs under " << GetACP()
                     << " (test_code_page.cp932 starts it under ja_JP.UTF-8)";
    // An uninstall command in a folder "ゲーム": folding its 'Q' trail byte
    // would look up "ヒーム" instead.
    const std::wstring game = std::wstring(kTopW) + L"\\\x30b2\x30fc\x30e0";
    CreateDirectoryW(game.c_str(), nullptr);
    create_file_w((game + L"\\uninst.exe").c_str());
    create_file_w((game + L"\\Setup.isu").c_str());
    const struct {
        std::wstring text, program;
    } lines[] = {{L"\"" + game + L"\\uninst.exe\" \"" + game + L"\\Setup.isu\"", game + L"\\uninst.exe"},
                 {game + L"\\UNINST.EXE /S", game + L"\\UNINST.EXE"}};
    for (const auto& l : lines) {
        SCOPED_TRACE(Ansi(l.text));
        const ovra::CommandLine line =
            ovra::CommandLine::Read(Ansi(l.text).c_str(), ovra::CommandLine::Kind::kUninstall);
        EXPECT_FALSE(ovra::IsAnyFileMissing(line));
        EXPECT_EQ(std::string(line.Program()), Ansi(l.program));
    }
    DeleteFileW((game + L"\\uninst.exe").c_str());
    EXPECT_TRUE(ovra::IsSuspiciousUninstallString(Ansi(L"\"" + game + L"\\uninst.exe\"").c_str()));

    // A help file in a folder "表": the folder's last byte is 5C, yet it
    // needs its separator.
    const std::wstring table = std::wstring(kTopW) + L"\\\x8868";
    CreateDirectoryW(table.c_str(), nullptr);
    create_file_w((table + L"\\ovra_cp.hlp").c_str());
    add_sz(HKEY_LOCAL_MACHINE, kHelp, "ovra_cp.hlp", Ansi(table).c_str());
    ovra::HelpresJob help;
    EXPECT_TRUE(Names(RunJob(help), "ovra_cp").empty());
    DeleteFileW((table + L"\\ovra_cp.hlp").c_str());
    EXPECT_EQ(Names(RunJob(help), "ovra_cp"), std::vector<std::string>{"ovra_cp.hlp"});

    // A tree with keys named "ソフト" and "表" goes through backup, removal
    // and restore unchanged.
    add_sz_w(HKEY_CURRENT_USER, (std::wstring(kKeyW) + L"\\Tree\\\x30bd\x30d5\x30c8\\\x8868").c_str(), L"\x80fd",
             L"\x8868\x30bd");
    const std::wstring before = dump_tree_w(HKEY_CURRENT_USER, kKeyW);
    std::vector<ovra::JobResult> records{MakeRecord(HKEY_CURRENT_USER, kKey, "Tree", ovra::kKindKey)};
    ovra::BackupManager manager;
    ovra::Executor executor;
    ASSERT_TRUE(manager.WriteBackup("AutomaticBackup001.backup2", records));
    std::vector<ovra::JobResult> saved;
    ASSERT_TRUE(manager.ReadBackup("AutomaticBackup001.backup2", saved));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(executor.DeleteRecords(saved));
    EXPECT_NE(dump_tree_w(HKEY_CURRENT_USER, kKeyW), before);
    HANDLE file = OpenForRestore(BackupPath("AutomaticBackup001.backup2"));
    EXPECT_TRUE(executor.RestoreRecords(file, saved, manager));
    CloseHandle(file);
    EXPECT_EQ(dump_tree_w(HKEY_CURRENT_USER, kKeyW), before);
}

// A dead entry reported whole is judged by the key its walk holds open: a
// name the code page cannot hold anywhere inside it keeps the entry from
// being reported, in every check that reports whole keys so.
TEST_F(CodePageTest, AForeignNameInsideADeadEntryKeepsItUnreported)
{
    if (HoldsForeignText())
        GTEST_SKIP() << "code page " << GetACP() << " holds the test's foreign text";
    ovra::SoftwareLocationsJob locations;
    ovra::FileTypesJob fileTypes;
    ovra::CustomControlsJob controls;
    const struct {
        ovra::Job* job;
        HKEY root;
        const wchar_t* entry;  // the key reported whole
        const wchar_t* value;  // below it, the key whose default value is dead
        const wchar_t* data;
        const char* name;      // the record's name
        const wchar_t* inside; // where below it the foreign name goes, out of the check's own sight
    } kRows[] = {
        {&locations, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ovra_cp_app.exe",
         L"", L"C:\\ovra_cp_test\\gone\\app.exe", "ovra_cp_app.exe", L""},
        {&fileTypes, HKEY_CURRENT_USER, L"Software\\Classes\\ovra_cp_type", L"shell\\open\\command",
         L"\"C:\\ovra_cp_test\\gone\\app.exe\" \"%1\"", "ovra_cp_type", L"\\shell\\open"},
        {&fileTypes, HKEY_CURRENT_USER,
         L"Software\\Classes\\*\\shellex\\ContextMenuHandlers\\OvraCpHandler", L"",
         L"{0badc0de-0000-4000-8000-00000000c0de}", "OvraCpHandler", L""},
        {&controls, HKEY_CLASSES_ROOT, L"TypeLib\\{0badc0de-0000-4000-8000-00000000c0df}", L"1.0\\0\\win32",
         L"C:\\ovra_cp_test\\gone\\lib.tlb", "{0badc0de-0000-4000-8000-00000000c0df}", L""},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        const std::wstring entry = row.entry;
        add_sz_w(row.root, (*row.value ? entry + L"\\" + row.value : entry).c_str(), nullptr, row.data);
        EXPECT_EQ(Names(RunJob(*row.job), row.name), std::vector<std::string>{row.name}) << "the plain entry";
        add_sz_w(row.root, (entry + row.inside + L"\\" + kLodz).c_str(), L"v", L"x");
        EXPECT_TRUE(Names(RunJob(*row.job), row.name).empty()) << "the entry holding a foreign name";
        delete_tree_w(row.root, row.entry);
    }
}
