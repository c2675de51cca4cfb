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

#include <cstring>
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

    void InstallSilently()
    {
        std::string setup = ProgramPath();
        setup.replace(setup.rfind('\\') + 1, std::string::npos, "OvraHivemend-Setup.exe");
        ASSERT_TRUE(Exists(setup)) << setup;
        DWORD code = 1;
        ASSERT_TRUE(RunToEnd("\"" + setup + "\" /S", code));
        EXPECT_EQ(code, 0u);
    }

    std::string folder, shortcut;
};

// A dialog of a process whose text (or one of whose static texts) starts
// with `text`; null when there is none now.
struct DialogSearch {
    DWORD process;
    const char* text;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD owner = 0;
    char cls[16] = "", text[512] = "";
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process || !IsWindowVisible(window) || !GetClassNameA(window, cls, sizeof(cls)) ||
        std::string(cls) != "#32770")
        return TRUE;
    const size_t length = std::strlen(search->text);
    GetWindowTextA(window, text, sizeof(text));
    for (HWND child = nullptr; std::strncmp(text, search->text, length) != 0;) {
        child = FindWindowExA(window, child, "Static", nullptr);
        if (!child)
            return TRUE;
        GetWindowTextA(child, text, sizeof(text));
    }
    search->found = window;
    return FALSE;
}

HWND WaitDialog(DWORD process, const char* text)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 60000) {
        DialogSearch search = {process, text, nullptr};
        EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(50);
    }
    return nullptr;
}

bool Press(HWND dialog, const char* button)
{
    HWND control = FindWindowExA(dialog, nullptr, "Button", button);
    if (!control || !IsWindowEnabled(control) || !IsWindowVisible(control))
        return false;
    PostMessageA(control, BM_CLICK, 0, 0);
    return true;
}

} // namespace

TEST_F(Installer, InstallsSilentlyAndUninstallsKeepingTheBackups)
{
    InstallSilently();
    DWORD code = 1;

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

TEST_F(Installer, UninstallRemovesTheBackupsOnlyWhenTheUserAgrees)
{
    InstallSilently();
    create_dir((folder + "\\backups").c_str());
    create_file((folder + "\\backups\\AutomaticBackup001.backup2").c_str(), "saved records");

    // The uninstaller's pages, in its own process (_?= keeps it from copying
    // itself away, so that process is the one to watch).
    std::string command = "\"" + folder + "\\uninstall.exe\" _?=" + folder;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    StartedProgram uninstaller;
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                               &uninstaller.pi));
    HWND pages = WaitDialog(uninstaller.pi.dwProcessId, "Ovra Hivemend Uninstall");
    ASSERT_TRUE(pages);
    ASSERT_TRUE(Press(pages, "&Uninstall"));
    // The question comes up during the uninstall; Close is enabled at its end.
    HWND question = WaitDialog(uninstaller.pi.dwProcessId, "Remove the registry backups");
    ASSERT_TRUE(question);
    ASSERT_TRUE(Press(question, "&Yes"));
    const DWORD start = GetTickCount();
    while (!Press(pages, "&Close") && GetTickCount() - start < 60000)
        Sleep(50);
    DWORD code = 1;
    ASSERT_TRUE(uninstaller.WaitExit(60000, code));
    EXPECT_EQ(code, 0u);

    EXPECT_FALSE(Exists(folder + "\\backups"));
    EXPECT_FALSE(Exists(folder + "\\OvraHivemend.exe"));
    EXPECT_FALSE(EntryExists());
}
