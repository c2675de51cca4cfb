// Drill: the real program run from a tiny drive whose room runs out while
// the backup before a repair is written (scripts/tiny-drive.sh makes T:).
// The repair must stop with the failure message and delete nothing.
#include "ovraTestProgram.h"
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace ovratest;

namespace {

const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const int kEntries = 12;
const DWORD kBlobSize = 16 * 1024;

std::string Entry(int i)
{
    char key[128];
    std::snprintf(key, sizeof(key), "%s\\OvraDrillGone%02d", kUninstall, i);
    return key;
}

// Every problem a whole scan finds, by where it is and what is wrong.
std::set<std::string> Found()
{
    std::set<std::string> found;
    for (const ovra::JobResult& r : ScanAll())
        found.insert(std::to_string(r.hRoot) + "|" + r.sKeyPath + "|" + r.sName + "|" + r.sProblem);
    return found;
}

// The values of an entry, name to type and bytes.
std::map<std::string, std::string> Values(const std::string& key)
{
    std::map<std::string, std::string> values;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return values;
    std::vector<BYTE> data(kBlobSize + 1024);
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof(name), type = 0, size = static_cast<DWORD>(data.size());
        if (RegEnumValueA(handle, i, name, &nameSize, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        values[name] = std::to_string(type) + ":" + std::string(data.begin(), data.begin() + size);
    }
    RegCloseKey(handle);
    return values;
}

bool ResultPageShown(HWND main)
{
    for (HWND page = FindWindowExA(main, nullptr, "wizard_page_class", nullptr); page;
         page = FindWindowExA(main, page, "wizard_page_class", nullptr))
        if (IsWindowVisible(page) && FindWindowExA(page, nullptr, "result_view_class", nullptr))
            return true;
    return false;
}

class FullVolume : public testing::Test {
protected:
    void SetUp() override
    {
        std::string blob(kBlobSize, '\0');
        for (DWORD i = 0; i < kBlobSize; ++i)
            blob[i] = static_cast<char>(i * 13);
        for (int i = 0; i < kEntries; ++i) {
            const std::string key = Entry(i);
            add_sz(HKEY_LOCAL_MACHINE, key.c_str(), "DisplayName", "Ovra drill program");
            add_sz(HKEY_LOCAL_MACHINE, key.c_str(), "UninstallString", "C:\\ovra_drill_gone\\uninst.exe /S");
            add_value(HKEY_LOCAL_MACHINE, key.c_str(), "Blob", REG_BINARY, blob.data(), kBlobSize);
        }
    }
    void TearDown() override
    {
        for (int i = 0; i < kEntries; ++i)
            delete_tree(HKEY_LOCAL_MACHINE, Entry(i).c_str());
    }
};

} // namespace

TEST_F(FullVolume, BackupThatRunsOutOfRoomStopsTheRepairBeforeAnyDeletion)
{
    char kind[16] = "";
    ASSERT_GT(GetEnvironmentVariableA("OVRA_TINY_DRIVE", kind, sizeof(kind)), 0u)
        << "run through scripts/tiny-drive.sh";
    const std::string program = std::string("T:\\") + ProgramName();
    ASSERT_NE(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES);

    const std::set<std::string> before = Found();
    for (int i = 0; i < kEntries; ++i) {
        const std::string where = std::to_string(0x80000002u) + "|" + kUninstall + "|" +
                                  Entry(i).substr(sizeof(kUninstall)) + "|";
        const auto found = before.lower_bound(where);
        EXPECT_TRUE(found != before.end() && found->compare(0, where.size(), where) == 0) << Entry(i);
    }
    std::map<std::string, std::map<std::string, std::string>> seeded;
    for (int i = 0; i < kEntries; ++i)
        seeded[Entry(i)] = Values(Entry(i));

    StartedProgram started;
    ASSERT_TRUE(started.Start(program, "T:\\"));
    ASSERT_TRUE(started.WaitMainWindow());
    started.Click(started.FooterButton(413)); // Next: scan
    const DWORD start = GetTickCount();
    while (!ResultPageShown(started.main) && GetTickCount() - start < 120000)
        Sleep(50);
    ASSERT_TRUE(ResultPageShown(started.main)) << "no scan result";
    started.Click(started.FooterButton(413)); // Repair

    std::string caption, text;
    HWND box = started.WaitMessageBox(caption, text);
    ASSERT_TRUE(box);
    EXPECT_EQ(caption, "QUESTION");
    ASSERT_EQ(text, "Do you want to create a backup?");
    ASSERT_TRUE(StartedProgram::Answer(box, "&Yes"));
    while (IsWindow(box))
        Sleep(20);
    box = started.WaitMessageBox(caption, text);
    ASSERT_TRUE(box);
    EXPECT_EQ(caption, "FAILURE");
    EXPECT_EQ(text, "Failed to create a backup file. Your system will not be modified.");

    // The failed backup took its own file away: nothing is left to restore.
    const bool left = GetFileAttributesA("T:\\backups\\AutomaticBackup001.backup2") != INVALID_FILE_ATTRIBUTES;
    EXPECT_FALSE(left) << "the failed backup's file is still on the drive";
    ULARGE_INTEGER free = {};
    GetDiskFreeSpaceExA("T:\\", &free, nullptr, nullptr);
    std::printf("tiny drive (%s): backup of at least %lu bytes failed, %s, %llu bytes free on the drive\n", kind,
                static_cast<unsigned long>(kEntries * kBlobSize), left ? "its file left behind" : "no file left",
                static_cast<unsigned long long>(free.QuadPart));

    ASSERT_TRUE(StartedProgram::Answer(box, "OK"));
    while (IsWindow(box))
        Sleep(20);
    EXPECT_TRUE(ResultPageShown(started.main)); // the repair stays on its page
    PostMessageA(started.main, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(started.WaitExit(60000, code));
    EXPECT_EQ(code, 0u);

    // Not one entry deleted: every problem is still there, and the seeded
    // entries hold every value as before.
    EXPECT_EQ(Found(), before);
    for (int i = 0; i < kEntries; ++i)
        EXPECT_EQ(Values(Entry(i)), seeded[Entry(i)]) << Entry(i);
}
