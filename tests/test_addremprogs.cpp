// The uninstall-entries and installer-folders check against the prefix's
// real registry and files.
#include "checks/ovraAddRemProgsJob.h"
#include "platform/ovraRegView.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using ovra::JobResult;
using ovra::JobStatus;

namespace {

const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kFolders[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
const char kDir[] = "C:\\ovra_sweep_test";
const char kProblem[] = "Add/Remove item is invalid";
const int kJobId = 8;

void AddEntry(const std::string& name, const std::string& command, DWORD type = REG_SZ)
{
    const std::string path = std::string(kUninstall) + "\\" + name;
    add_value(HKEY_LOCAL_MACHINE, path.c_str(), "UninstallString", type, command.c_str(),
              static_cast<DWORD>(command.size() + 1));
}

void AddFolder(const std::string& folder)
{
    add_sz(HKEY_LOCAL_MACHINE, kFolders, folder.c_str(), "");
}

void ExpectProgram(const JobResult& r, const std::string& name, const std::string& command)
{
    EXPECT_EQ(r.hRoot, 0x80000002u);
    EXPECT_EQ(r.sKeyPath, kUninstall);
    EXPECT_EQ(r.sName, name);
    EXPECT_EQ(r.sProblem, kProblem);
    EXPECT_EQ(r.sSection, kUninstall);
    EXPECT_EQ(r.sValue, name + " = " + command);
    EXPECT_EQ(r.nJobId, kJobId);
    EXPECT_EQ(r.nKind, 1);
    EXPECT_EQ(r.nDataOffset, 0);
    EXPECT_TRUE(r.bSelected);
}

void ExpectFolder(const JobResult& r, const std::string& folder)
{
    EXPECT_EQ(r.hRoot, 0x80000002u);
    EXPECT_EQ(r.sKeyPath, kFolders);
    EXPECT_EQ(r.sName, folder);
    EXPECT_EQ(r.sProblem, kProblem);
    EXPECT_EQ(r.sSection, kFolders);
    EXPECT_EQ(r.sValue, folder);
    EXPECT_EQ(r.nJobId, kJobId);
    EXPECT_EQ(r.nKind, 0);
    EXPECT_EQ(r.nDataOffset, 0);
    EXPECT_TRUE(r.bSelected);
}

// Names under a key in the registry's own enumeration order, in the native
// view where the check reads it.
std::vector<std::string> Enumerate(const char* path, bool values)
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | ovra::RegView::Native(), &key) != ERROR_SUCCESS)
        return names;
    char name[4096];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        const LONG rc = values ? RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr)
                               : RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

std::vector<std::string> Names(const std::vector<JobResult>& results)
{
    std::vector<std::string> names;
    for (const JobResult& r : results)
        names.push_back(r.sName);
    return names;
}

// The given uninstall entries in the registry's enumeration order.
std::vector<std::string> InOrder(const std::vector<std::string>& wanted)
{
    std::vector<std::string> names;
    for (const std::string& name : Enumerate(kUninstall, false))
        for (const std::string& w : wanted)
            if (name == w)
                names.push_back(name);
    return names;
}

const JobResult& ByName(const std::vector<JobResult>& results, const std::string& name)
{
    for (const JobResult& r : results)
        if (r.sName == name)
            return r;
    static const JobResult none;
    ADD_FAILURE() << "no record named " << name;
    return none;
}

class AddRemProgs : public testing::Test {
protected:
    void SetUp() override
    {
        delete_tree(HKEY_LOCAL_MACHINE, kUninstall);
        delete_tree(HKEY_LOCAL_MACHINE, kFolders);
        create_dir(kDir);
        job.m_nId = kJobId;
    }
    void TearDown() override
    {
        delete_tree(HKEY_LOCAL_MACHINE, kUninstall);
        delete_tree(HKEY_LOCAL_MACHINE, kFolders);
        remove_dir_tree(kDir);
    }

    std::vector<JobResult> Run()
    {
        JobStatus status;
        std::vector<JobResult> results;
        job.OnRun(status, results);
        EXPECT_EQ(status.nCount, static_cast<int32_t>(results.size()));
        return results;
    }

    ovra::AddRemProgsJob job;
};

} // namespace

TEST_F(AddRemProgs, MissingOrEmptyKeysGiveNothing)
{
    EXPECT_TRUE(Run().empty());
    add_key(HKEY_LOCAL_MACHINE, kUninstall);
    add_key(HKEY_LOCAL_MACHINE, kFolders);
    EXPECT_TRUE(Run().empty());
}

TEST_F(AddRemProgs, ADeadEntryGivesOneRecord)
{
    create_file("C:\\ovra_sweep_test\\live.exe");
    AddEntry("Dead App", "\"C:\\ovra_sweep_test\\Gone.exe\" /S");
    AddEntry("Live App", "\"C:\\ovra_sweep_test\\live.exe\" /S");
    AddEntry("Live Msi", "MsiExec.exe /X{12345678-ABCD-1234-ABCD-123456789012}");
    add_sz(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\No Command").c_str(), "DisplayName", "x");

    const std::vector<JobResult> results = Run();
    ASSERT_EQ(results.size(), 1u);
    ExpectProgram(results[0], "Dead App", "\"C:\\ovra_sweep_test\\Gone.exe\" /S");
}

TEST_F(AddRemProgs, OnlyStringsAreJudgedAndExpandedOnesAfterExpansion)
{
    const char dead[] = "C:\\ovra_sweep_test\\gone.exe";
    AddEntry("Binary", dead, REG_BINARY);
    AddEntry("Multi", dead, REG_MULTI_SZ);
    const DWORD number = 1;
    add_value(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\Number").c_str(), "UninstallString", REG_DWORD,
              &number, sizeof(number));
    // Stored as plain text, "%SystemRoot%\..." is neither a full path nor a
    // bare name: the program is not judged, as any relative path.
    AddEntry("Plain", "%SystemRoot%\\ovra_sweep_unins.exe");
    AddEntry("Expanded Live", "%SystemRoot%\\system32\\msiexec.exe", REG_EXPAND_SZ);
    AddEntry("Expanded Dead", "%SystemRoot%\\ovra_sweep_unins.exe", REG_EXPAND_SZ);

    char expanded[MAX_PATH];
    ASSERT_NE(ExpandEnvironmentStringsA("%SystemRoot%\\ovra_sweep_unins.exe", expanded, sizeof(expanded)), 0u);
    const std::vector<JobResult> results = Run();
    ASSERT_EQ(Names(results), InOrder({"Expanded Dead"}));
    ExpectProgram(ByName(results, "Expanded Dead"), "Expanded Dead", expanded);
}

TEST_F(AddRemProgs, TextsThatDoNotFitAreSkippedAndShownTextsCut)
{
    // 2047 characters and the terminator fill the buffer: judged, and the
    // shown "name = command" is cut to the same buffer.
    const std::string fits = "\"\" " + std::string(2044, 'a');
    AddEntry("Fits", fits);
    AddEntry("Too Long", fits + "a");
    std::string unterminated(2048, 'b');
    unterminated.replace(0, 3, "\"\" ");
    add_value(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\Unterminated").c_str(), "UninstallString", REG_SZ,
              unterminated.data(), 2048);

    // An expansion that does not fit is skipped: its cut text would name
    // another file. The same entry with a short expansion is judged.
    SetEnvironmentVariableA("OVRA_SWEEP_LONG", std::string(2100, 'x').c_str());
    SetEnvironmentVariableA("OVRA_SWEEP_SHORT", "x");
    const std::string gone = "\"C:\\ovra_sweep_test\\gone.exe\" ";
    SetEnvironmentVariableA("OVRA_SWEEP_EDGE", std::string(2047 - gone.size(), 'x').c_str());
    AddEntry("Expands Long", gone + "%OVRA_SWEEP_LONG%", REG_EXPAND_SZ);
    AddEntry("Expands Short", gone + "%OVRA_SWEEP_SHORT%", REG_EXPAND_SZ);
    AddEntry("Expands Edge", gone + "%OVRA_SWEEP_EDGE%", REG_EXPAND_SZ);

    const std::vector<JobResult> results = Run();
    ASSERT_EQ(Names(results), InOrder({"Expands Edge", "Expands Short", "Fits"}));
    EXPECT_EQ(ByName(results, "Expands Edge").sValue.size(), 2047u);
    ExpectProgram(ByName(results, "Expands Short"), "Expands Short", gone + "x");
    EXPECT_EQ(ByName(results, "Fits").sValue, ("Fits = " + fits).substr(0, 2047));
    SetEnvironmentVariableA("OVRA_SWEEP_LONG", nullptr);
    SetEnvironmentVariableA("OVRA_SWEEP_SHORT", nullptr);
    SetEnvironmentVariableA("OVRA_SWEEP_EDGE", nullptr);
}

TEST_F(AddRemProgs, FoldersOnFixedDrivesOnly)
{
    create_dir("C:\\ovra_sweep_test\\Live");
    const std::string dead = "C:\\ovra_sweep_test\\Gone\\";
    AddFolder(dead);
    AddFolder("C:\\ovra_sweep_test\\Live\\");
    AddFolder("R:\\ovra_sweep_gone\\");
    AddFolder("N:\\ovra_sweep_gone\\");
    AddFolder("\\\\server\\share\\ovra_sweep_gone\\");
    AddFolder("ovra_sweep_gone");
    AddFolder("C:\\ovra_sweep_test\\Gone\\" + std::string(2100, 'a') + "\\");

    const std::vector<JobResult> results = Run();
    ASSERT_EQ(results.size(), 1u);
    ExpectFolder(results[0], dead);
}

TEST_F(AddRemProgs, RecordsAreAppendedInEnumerationOrder)
{
    for (const char* name : {"Zeta", "alpha", "Mid", "beta"})
        AddEntry(name, std::string("C:\\ovra_sweep_test\\") + name + ".exe");
    create_file("C:\\ovra_sweep_test\\beta.exe");
    for (const char* folder : {"C:\\ovra_sweep_test\\z\\", "C:\\ovra_sweep_test\\a\\", "C:\\ovra_sweep_test\\m\\"})
        AddFolder(folder);

    std::vector<std::string> expected;
    for (const std::string& name : Enumerate(kUninstall, false))
        if (name != "beta")
            expected.push_back(name);
    for (const std::string& folder : Enumerate(kFolders, true))
        expected.push_back(folder);

    JobResult earlier;
    earlier.sName = "earlier";
    earlier.nJobId = 3;
    std::vector<JobResult> results{earlier};
    JobStatus status;
    status.nCount = 5;
    job.OnRun(status, results);

    ASSERT_EQ(results.size(), 1 + expected.size());
    EXPECT_EQ(results[0].sName, "earlier");
    EXPECT_EQ(results[0].nJobId, 3);
    const std::vector<std::string> names = Names(results);
    EXPECT_EQ(std::vector<std::string>(names.begin() + 1, names.end()), expected);
    EXPECT_EQ(status.nCount, 5 + static_cast<int32_t>(expected.size()));
}

TEST_F(AddRemProgs, CancelIsReadBeforeEachEntryAndBetweenWalksOnly)
{
    AddEntry("Dead", "C:\\ovra_sweep_test\\dead.exe");
    AddFolder("C:\\ovra_sweep_test\\gone\\");

    JobStatus status;
    status.bCancel = true;
    std::vector<JobResult> results;
    job.OnRun(status, results);
    EXPECT_TRUE(results.empty());
    job.ScanPrograms(status, results);
    EXPECT_TRUE(results.empty());
    // The folder walk does not look at the flag: once begun it finishes.
    job.ScanFolders(status, results);
    ASSERT_EQ(results.size(), 1u);
    ExpectFolder(results[0], "C:\\ovra_sweep_test\\gone\\");
    EXPECT_EQ(status.nCount, 1);
}

TEST_F(AddRemProgs, ACancelDuringTheScanKeepsAWholePrefix)
{
    // Wherever the flag lands, the records are the first ones of the full
    // list, and the folder walk gives all of its records or none.
    for (int i = 0; i < 40; ++i)
        AddEntry("Dead " + std::to_string(100 + i), "C:\\ovra_sweep_test\\dead.exe");
    for (int i = 0; i < 5; ++i)
        AddFolder("C:\\ovra_sweep_test\\gone" + std::to_string(i) + "\\");
    const std::vector<std::string> full = Names(Run());
    ASSERT_EQ(full.size(), 45u);

    for (int round = 0; round < 20; ++round) {
        JobStatus status;
        std::vector<JobResult> results;
        std::thread canceller([&status] { status.bCancel = true; });
        job.OnRun(status, results);
        canceller.join();
        const std::vector<std::string> got = Names(results);
        ASSERT_LE(got.size(), full.size());
        EXPECT_EQ(got, std::vector<std::string>(full.begin(), full.begin() + got.size()));
        EXPECT_TRUE(got.size() <= 40 || got.size() == 45) << got.size();
        EXPECT_EQ(status.nCount, static_cast<int32_t>(got.size()));
    }
}
