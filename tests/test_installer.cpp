// The installer built with the program, run silently as an administrator's
// deployment would: it installs the program that fits the Windows it runs on
// into Program Files with a shortcut and an uninstall entry that a scan never
// reports; the entry's own command removes every installed file again and
// keeps the backups. The x86 tree's installer carries both programs; the x64
// tree's is the 64-bit installer of the 64-bit program.
#include "ovraTestProgram.h"
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace ovratest;

namespace {

const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ovra Hivemend";

bool WindowsIs64Bit()
{
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

// On 64-bit Windows the installer puts the 64-bit program into the 64-bit
// Program Files and registers it in the 64-bit registry, whatever this
// test's own architecture.
const char* InstalledName()
{
    return WindowsIs64Bit() ? "OvraHivemend64.exe" : "OvraHivemend.exe";
}

const REGSAM kView = KEY_WOW64_64KEY;

std::string ProgramFiles()
{
    char path[MAX_PATH] = "";
    const DWORD length = WindowsIs64Bit() ? GetEnvironmentVariableA("ProgramW6432", path, sizeof(path)) : 0;
    if (length > 0 && length < sizeof(path))
        return path;
    SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

void DeleteEntry()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_ALL_ACCESS | kView, &key) != ERROR_SUCCESS)
        return;
    RegDeleteTreeA(key, "Ovra Hivemend");
    RegCloseKey(key);
}

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
    DWORD size = sizeof(data) - 1, type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEntry, 0, KEY_READ | kView, &key) != ERROR_SUCCESS)
        return "<missing>";
    const LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return "<missing>";
    return data;
}

bool EntryExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEntry, 0, KEY_READ | kView, &key) != ERROR_SUCCESS)
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

class Installer : public testing::Test {
protected:
    void SetUp() override
    {
        folder = ProgramFiles() + "\\Ovra Hivemend";
        shortcut = Special(CSIDL_COMMON_PROGRAMS) + "\\Ovra Hivemend.lnk";
        remove_dir_tree(folder.c_str());
        DeleteEntry();
    }
    void TearDown() override
    {
        remove_dir_tree(folder.c_str());
        DeleteEntry();
        delete_file(shortcut.c_str());
    }

    void InstallSilently()
    {
        std::string setup = ProgramPath();
        setup.replace(setup.rfind('\\') + 1, std::string::npos,
                      sizeof(void*) == 8 ? "OvraHivemend-Setup64.exe" : "OvraHivemend-Setup.exe");
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
    for (const char* file : {InstalledName(), "help.html", "uninstall.exe"})
        EXPECT_TRUE(Exists(folder + "\\" + file)) << file;
    // Only the program that fits.
    EXPECT_FALSE(Exists(folder + (WindowsIs64Bit() ? "\\OvraHivemend.exe" : "\\OvraHivemend64.exe")));
    EXPECT_TRUE(Exists(shortcut)) << shortcut;

    // Registered under Add/Remove Programs.
    EXPECT_EQ(EntryText("DisplayName"), "Ovra Hivemend");
    EXPECT_EQ(EntryText("UninstallString"), "\"" + folder + "\\uninstall.exe\"");
    EXPECT_EQ(EntryText("DisplayIcon"), folder + "\\" + InstalledName() + ",0");
    EXPECT_EQ(EntryText("Publisher"), "Ovra Hivemend");
    EXPECT_EQ(EntryText("DisplayVersion"), "1.0.0");
    EXPECT_EQ(EntryText("InstallLocation"), folder);

    // A scan never reports the program's own entry or anything it installed.
    for (const ovra::JobResult& r : ScanAll()) {
        const std::string all = r.sKeyPath + "|" + r.sName + "|" + r.sValue;
        EXPECT_EQ(all.find("Ovra Hivemend"), std::string::npos) << all << " (" << r.sProblem << ")";
    }

    // The installed program starts and ends as it should.
    {
        StartedProgram program;
        ASSERT_TRUE(program.Start(folder + "\\" + InstalledName(), folder.c_str()));
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

    for (const char* file : {InstalledName(), "help.html", "uninstall.exe"})
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
    EXPECT_FALSE(Exists(folder + "\\" + InstalledName()));
    EXPECT_FALSE(EntryExists());
}
