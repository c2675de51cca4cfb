// The backup file page over the real backup folder beside this executable:
// the listing, its order and columns, the choice handed to the frame, and a
// fresh listing on every visit.
#include "ui/ovraBackupFilePage.h"

#include "backup/ovraBackupManager.h"
#include "ovraTestRegistry.h"
#include "ovraTestWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

FILETIME Utc(WORD year, WORD month, WORD day, WORD hour = 12, WORD minute = 0)
{
    SYSTEMTIME st = {};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    FILETIME ft = {};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

class BackupFilePageTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        host = new ovratest::CommandWindow;
        ShowWindow(host->Get(), SW_SHOWNOACTIVATE);
        ovratest::PumpPending();
    }
    static void TearDownTestSuite() { delete host; }

    void SetUp() override
    {
        char path[2048];
        ovra::BackupManager::GetBackupDirectory(path);
        folder = path; // ends with a backslash
        RemoveFolder();
        page.Create(host->Get());
        ShowWindow(page.m_hWndPage, SW_SHOW);
    }
    void TearDown() override
    {
        page.OnExit();
        DestroyWindow(page.m_hWndPage);
        RemoveFolder();
    }
    void RemoveFolder() { remove_dir_tree(folder.substr(0, folder.size() - 1).c_str()); }

    // A file in the backup folder with this many bytes and creation time.
    void Backup(const char* name, FILETIME created, size_t size = 16)
    {
        CreateDirectoryA(folder.c_str(), nullptr);
        const std::string path = folder + name;
        create_file(path.c_str(), std::string(size, 'x').c_str());
        // Wine on Linux reports the older of a file's status-change and
        // modification times as its creation time, so both are set.
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(SetFileTime(file, &created, nullptr, &created));
        FILETIME reported = {};
        GetFileTime(file, &reported, nullptr, nullptr);
        CloseHandle(file);
        ASSERT_EQ(CompareFileTime(&reported, &created), 0) << name << ": creation time not taken";
    }

    HWND List() const { return page.m_hWndList; }
    int Rows() const { return static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }
    std::string Cell(int row, int column) const
    {
        char text[256] = "";
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(List(), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return text;
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (int i = 0; i < Rows(); ++i)
            names.push_back(Cell(i, 0));
        return names;
    }
    // A click on a row's name, as the mouse delivers it.
    void ClickRow(int row)
    {
        RECT rc = {LVIR_LABEL, 0, 0, 0};
        SendMessageA(List(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc));
        const LPARAM at = MAKELPARAM(rc.left + 10, (rc.top + rc.bottom) / 2);
        PostMessageA(List(), WM_LBUTTONUP, 0, at);
        SendMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ovratest::PumpPending();
    }

    std::string folder;
    ovra::BackupFilePage page;
    static ovratest::CommandWindow* host;
};

ovratest::CommandWindow* BackupFilePageTest::host = nullptr;

using BackupFileList = BackupFilePageTest;

TEST_F(BackupFileList, NewestFirstWhateverTheOrderOnDisk)
{
    // Written in one order, created (by their times) in another.
    Backup("AutomaticBackup002.backup2", Utc(2021, 6, 1));
    Backup("AutomaticBackup003.backup2", Utc(2019, 3, 3));
    Backup("AutomaticBackup001.backup2", Utc(2020, 1, 1));
    Backup("Zeta.backup2", Utc(2022, 2, 2));
    page.OnEnter();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Zeta", "AutomaticBackup002", "AutomaticBackup001",
                                                 "AutomaticBackup003"}));
    page.OnExit();

    // Same names, the times turned round.
    Backup("AutomaticBackup002.backup2", Utc(2019, 3, 3));
    Backup("AutomaticBackup003.backup2", Utc(2021, 6, 1));
    Backup("Zeta.backup2", Utc(2018, 2, 2));
    page.OnEnter();
    EXPECT_EQ(Names(), (std::vector<std::string>{"AutomaticBackup003", "AutomaticBackup001", "AutomaticBackup002",
                                                 "Zeta"}));
}

TEST_F(BackupFileList, OnlyBackupsThatCanBeOpenedAreListed)
{
    Backup("AutomaticBackup001.backup2", Utc(2020, 1, 1));
    Backup("notes.BACKUP2", Utc(2020, 1, 2));
    Backup("x.backup2.old", Utc(2020, 1, 3));
    Backup("held.backup2", Utc(2020, 1, 4));
    CreateDirectoryA((folder + "folder.backup2").c_str(), nullptr);
    // Held open without sharing by someone else: left out.
    HANDLE held = CreateFileA((folder + "held.backup2").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    page.OnEnter();
    CloseHandle(held);
    EXPECT_EQ(Names(), std::vector<std::string>{"AutomaticBackup001"});
}

TEST_F(BackupFileList, AMissingFolderGivesAnEmptyListAndIsCreated)
{
    page.OnEnter();
    EXPECT_EQ(Rows(), 0);
    EXPECT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    std::string name = "unchanged";
    EXPECT_FALSE(page.ChooseBackupFile(name));
    EXPECT_EQ(name, "unchanged");
}

TEST_F(BackupFileList, ColumnsShowNameDateAndPlainByteCount)
{
    Backup("AutomaticBackup001.backup2", Utc(2021, 6, 1, 23, 50), 1234);
    Backup("AutomaticBackup002.backup2", Utc(2021, 6, 2, 8, 0), 70000);
    Backup("AutomaticBackup003.backup2", Utc(2021, 6, 3, 0, 10), 0);
    page.OnEnter();
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(2, 2), "1234 bytes");
    EXPECT_EQ(Cell(1, 2), "70000 bytes");
    EXPECT_EQ(Cell(0, 2), "0 bytes");

    // The stored time's own calendar day, as a short date without the time.
    SYSTEMTIME day = {};
    day.wYear = 2021;
    day.wMonth = 6;
    day.wDay = 1;
    char expected[64];
    ASSERT_GT(GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, expected, sizeof(expected)), 0);
    EXPECT_EQ(Cell(2, 1), expected);
    EXPECT_EQ(Cell(2, 1).find(':'), std::string::npos);

    const char* headings[] = {"Name", "Date", "Size"};
    const int widths[] = {426, 162, 100};
    for (int i = 0; i < 3; ++i) {
        char text[32] = "";
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text;
        column.cchTextMax = sizeof(text);
        ASSERT_TRUE(SendMessageA(List(), LVM_GETCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(text, headings[i]);
        EXPECT_EQ(column.cx, widths[i]);
    }
}

TEST_F(BackupFileList, TheChosenRowGivesTheFullFileName)
{
    Backup("AutomaticBackup001.backup2", Utc(2020, 1, 1));
    Backup("AutomaticBackup002.backup2", Utc(2021, 1, 1));
    page.OnEnter();
    std::string name = "unchanged";
    EXPECT_FALSE(page.ChooseBackupFile(name)) << "nothing is selected after filling";
    EXPECT_EQ(name, "unchanged");

    ClickRow(1);
    EXPECT_TRUE(page.ChooseBackupFile(name));
    EXPECT_EQ(name, "AutomaticBackup001.backup2");
    ClickRow(0);
    EXPECT_TRUE(page.ChooseBackupFile(name));
    EXPECT_EQ(name, "AutomaticBackup002.backup2");
}

TEST_F(BackupFileList, EveryVisitListsTheFolderAfresh)
{
    Backup("AutomaticBackup001.backup2", Utc(2020, 1, 1));
    page.OnEnter();
    ClickRow(0);
    page.OnExit();
    EXPECT_EQ(Rows(), 0);
    std::string name = "unchanged";
    EXPECT_FALSE(page.ChooseBackupFile(name));

    Backup("AutomaticBackup002.backup2", Utc(2021, 1, 1));
    page.OnEnter();
    EXPECT_EQ(Names(), (std::vector<std::string>{"AutomaticBackup002", "AutomaticBackup001"}));
    page.OnExit();

    delete_file((folder + "AutomaticBackup001.backup2").c_str());
    page.OnEnter();
    EXPECT_EQ(Names(), std::vector<std::string>{"AutomaticBackup002"});
}

} // namespace
