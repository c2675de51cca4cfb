// The installer built with the program, run silently as an administrator's
// deployment would: it installs into Program Files with a shortcut and an
// uninstall entry that a scan never reports; the entry's own command removes
// every installed file again and keeps the backups.
#include "ovraTestProgram.h"
#include "ovraTestRegistry.h"
#include "scan/ovraJobEnumerator.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ovratest;

namespace {

const char kEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ovra Hivemend";

std::string Special(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string EntryText(const char* name)
{
    char data[2048] = "";
    DWORD size = sizeof(data);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kEntry, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return "<missing>";
    return data;
}

bool EntryExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEntry, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Runs a command line and waits for its process; false when it cannot start
// or does not end.
bool RunToEnd(std::string command, DWORD& exitCode)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    const bool ended = WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ended;
}

// Every check of the catalogue, run the way a scan runs them.
std::vector<ovra::JobResult> Scan()
{
    ovra::JobEnumerator catalogue;
    ovra::JobStatus status;
    std::vector<ovra::JobResult> records;
    for (ovra::Job* job : catalogue.m_jobs)
        job->OnRun(status, records);
    return records;
}

class Installer : public testing::Test {
protected:
    void SetUp() override
    {
        folder = Special(CSIDL_PROGRAM_FILES) + "\\Ovra Hivemend";
        shortcut = Special(CSIDL_COMMON_PROGRAMS) + "\\Ovra Hivemend.lnk";
        remove_dir_tree(folder.c_str());
        delete_tree(HKEY_LOCAL_MACHINE, kEntry);
    }
    void TearDown() override
    {
        remove_dir_tree(folder.c_str());
        delete_tree(HKEY_LOCAL_MACHINE, kEntry);
        delete_file(shortcut.c_str());
    }

    std::string folder, shortcut;
};

} // namespace

TEST_F(Installer, InstallsSilentlyAndUninstallsKeepingTheBackups)
{
    std::string setup = ProgramPath();
    setup.replace(setup.rfind('\\') + 1, std::string::npos, "OvraHivemend-Setup.exe");
    ASSERT_TRUE(Exists(setup)) << setup;
    DWORD code = 1;
    ASSERT_TRUE(RunToEnd("\"" + setup + "\" /S", code));
    EXPECT_EQ(code, 0u);

    // Installed into Program Files, with a shortcut for all users.
    for (const char* file : {"OvraHivemend.exe", "help.html", "uninstall.exe"})
        EXPECT_TRUE(Exists(folder + "\\" + file)) << file;
    EXPECT_TRUE(Exists(shortcut)) << shortcut;

    // Registered under Add/Remove Programs.
    EXPECT_EQ(EntryText("DisplayName"), "Ovra Hivemend");
    EXPECT_EQ(EntryText("UninstallString"), "\"" + folder + "\\uninstall.exe\"");
    EXPECT_EQ(EntryText("DisplayIcon"), folder + "\\OvraHivemend.exe,0");
    EXPECT_EQ(EntryText("Publisher"), "Ovra Hivemend");
    EXPECT_EQ(EntryText("DisplayVersion"), "1.0.0");
    EXPECT_EQ(EntryText("InstallLocation"), folder);

    // A scan never reports the program's own entry or anything it installed.
    for (const ovra::JobResult& r : Scan()) {
        const std::string all = r.sKeyPath + "|" + r.sName + "|" + r.sValue;
        EXPECT_EQ(all.find("Ovra Hivemend"), std::string::npos) << all << " (" << r.sProblem << ")";
    }

    // The installed program starts and ends as it should.
    {
        StartedProgram program;
        ASSERT_TRUE(program.Start(folder + "\\OvraHivemend.exe", folder.c_str()));
        ASSERT_TRUE(program.WaitMainWindow());
        PostMessageA(program.main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitExit(60000, code));
        EXPECT_EQ(code, 0u);
    }

    // A backup made while installed.
    create_dir((folder + "\\backups").c_str());
    const std::string backup = folder + "\\backups\\AutomaticBackup001.backup2";
    create_file(backup.c_str(), "saved records");

    // The entry's own command, silent. The uninstaller copies itself to the
    // temporary folder and goes on from there; the entry goes last.
    ASSERT_TRUE(RunToEnd(EntryText("UninstallString") + " /S", code));
    EXPECT_EQ(code, 0u);
    const DWORD start = GetTickCount();
    while (EntryExists() && GetTickCount() - start < 120000)
        Sleep(100);
    ASSERT_FALSE(EntryExists()) << "the uninstaller did not finish";

    for (const char* file : {"OvraHivemend.exe", "help.html", "uninstall.exe"})
        EXPECT_FALSE(Exists(folder + "\\" + file)) << file;
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_TRUE(Exists(backup));
}
