// Names in any script, where the program runs in UTF-8 and the system in its
// own code page: dead entries found and live ones left, whatever the script;
// the backup kept in the system's code page wherever its texts fit there, and
// in UTF-8 (".backup3") where they do not; and what the windows show.
#include "backup/ovraExecutor.h"
#include "ovraBackupTestFiles.h"
#include "ovraCafeBackup.h"
#include "ovraCafeRecords.h"
#include "ovraTestKeys.h"
#include "ovraTestRecords.h"
#include "platform/ovraCodePage.h"
#include "platform/ovraRegKey.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace ovratest;

namespace {

const struct {
    const char* what;
    const wchar_t* text;
} kScripts[] = {
    {"Cyrillic", L"\u0418\u0432\u0430\u043d"},
    {"Greek", L"\u03a9\u03bc\u03ad\u03b3\u03b1"},
    {"Chinese", L"\u7a0b\u5e8f"},
    {"outside the Basic Multilingual Plane", L"Clef \xD834\xDD1E"},
    {"a combining accent", L"Cafe\u0301"},
};

const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kMachine = HKEY_LOCAL_MACHINE;
const wchar_t kTop[] = L"C:\\ovra_names";

std::wstring Wide(const char* text)
{
    return std::wstring(text, text + std::strlen(text));
}

// What a test wrote and takes away again: a key with its tree, or a value.
struct Written {
    HKEY root;
    std::wstring key;
    std::wstring value; // empty: the whole key
};

// One place an entry can name a file in: where its key is, and how an entry
// tagged tag (in its name) for file is written there.
struct Place {
    const char* what;
    HKEY root;
    std::wstring key;
    Written (*seed)(HKEY root, const std::wstring& key, const std::wstring& tag, const std::wstring& name,
                    const std::wstring& file);
};

Written SetSz(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text, bool wholeKey)
{
    add_sz_w(root, key.c_str(), name.empty() ? nullptr : name.c_str(), text.c_str());
    return wholeKey ? Written{root, key, L""} : Written{root, key, name};
}

const Place kPlaces[] = {
    {"startup line", kUser, Wide(kRunKey),
     [](HKEY root, const std::wstring& key, const std::wstring& tag, const std::wstring& name, const std::wstring& file) {
         return SetSz(root, key, L"ovra " + tag + L" " + name, L"\"" + file + L".exe\" /tray", false);
     }},
    {"uninstall key name", kUser, Wide(kUninstallKey),
     [](HKEY root, const std::wstring& key, const std::wstring& tag, const std::wstring& name, const std::wstring& file) {
         return SetSz(root, key + L"\\ovra " + tag + L" " + name, L"UninstallString", file + L".exe /S", true);
     }},
    {"App Paths key name", kUser, Wide(kAppPathsKey),
     [](HKEY root, const std::wstring& key, const std::wstring& tag, const std::wstring& name, const std::wstring& file) {
         return SetSz(root, key + L"\\" + tag + name + L".exe", L"", file + L".exe", true);
     }},
    {"cache value name", kUser, Wide(kMuiCacheKey),
     [](HKEY root, const std::wstring& key, const std::wstring&, const std::wstring& name, const std::wstring& file) {
         return SetSz(root, key, file + L".exe", name, false);
     }},
    {"shared DLL value name", kMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
     [](HKEY root, const std::wstring& key, const std::wstring&, const std::wstring&, const std::wstring& file) {
         return SetSz(root, key, file + L".dll", L"1", false);
     }},
    {"COM server path", kUser, Wide(kUserClassesKey),
     [](HKEY root, const std::wstring& key, const std::wstring& tag, const std::wstring&, const std::wstring& file) {
         SetSz(root, key + L"\\{ovra-" + tag + L"}\\InprocServer32", L"", file + L".dll", true);
         return Written{root, key + L"\\{ovra-" + tag + L"}", L""};
     }},
};

bool Names(const ovra::JobResult& record, const std::wstring& tag)
{
    return (record.sKeyPath + "\\" + record.sName).find(InCodePage(tag)) != std::string::npos;
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    char two[3];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof(two), "%02x", c);
        out += two;
    }
    return out;
}

std::string Unhex(const std::string& hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

class EveryName : public BackupFolderTest {
protected:
    void SetUp() override
    {
        BackupFolderTest::SetUp();
        if (GetACP() != CP_UTF8)
            GTEST_SKIP() << "this Windows runs the program in code page " << GetACP()
                         << ": it does not honour the manifest's UTF-8";
    }
    void TearDown() override
    {
        remove_dir_tree_w(kTop);
        BackupFolderTest::TearDown();
    }
};

} // namespace

// Every script in every place: the dead entry is found, the live one never,
// and a repair with its backup, then a restore, gives every key back exactly.
TEST_F(EveryName, NamesInAnyScriptAreJudgedSavedAndRestored)
{
    CreateDirectoryW(kTop, nullptr);
    std::vector<std::wstring> dead, live;
    std::vector<Written> written;
    for (size_t s = 0; s < sizeof(kScripts) / sizeof(kScripts[0]); ++s) {
        const std::wstring name = kScripts[s].text;
        const std::wstring folder = std::wstring(kTop) + L"\\" + name;
        CreateDirectoryW(folder.c_str(), nullptr);
        for (size_t p = 0; p < sizeof(kPlaces) / sizeof(kPlaces[0]); ++p) {
            for (const bool gone : {true, false}) {
                const std::wstring tag = L"nm" + std::to_wstring(s) + std::to_wstring(p) + (gone ? L"dead" : L"live");
                const std::wstring file = folder + L"\\" + tag;
                written.push_back(kPlaces[p].seed(kPlaces[p].root, kPlaces[p].key, tag, name, file));
                if (!gone) {
                    create_file_w((file + L".exe").c_str());
                    create_file_w((file + L".dll").c_str());
                }
                (gone ? dead : live).push_back(tag);
            }
        }
    }
    std::vector<std::wstring> before;
    for (const Place& place : kPlaces)
        before.push_back(dump_tree_w(place.root, place.key.c_str()));

    std::vector<ovra::JobResult> found;
    for (const ovra::JobResult& record : ScanAll())
        if ((record.sKeyPath + record.sName).find("nm") != std::string::npos)
            found.push_back(record);
    for (const std::wstring& tag : dead) {
        SCOPED_TRACE(InCodePage(tag));
        EXPECT_EQ(std::count_if(found.begin(), found.end(), [&](const ovra::JobResult& r) { return Names(r, tag); }),
                  1);
    }
    for (const std::wstring& tag : live)
        for (const ovra::JobResult& record : found)
            EXPECT_FALSE(Names(record, tag)) << RecordText(record);

    RepairAndRestore(found, [&] {
        for (size_t p = 0; p < sizeof(kPlaces) / sizeof(kPlaces[0]); ++p)
            EXPECT_NE(dump_tree_w(kPlaces[p].root, kPlaces[p].key.c_str()), before[p]) << kPlaces[p].what;
    });
    for (size_t p = 0; p < sizeof(kPlaces) / sizeof(kPlaces[0]); ++p)
        EXPECT_EQ(dump_tree_w(kPlaces[p].root, kPlaces[p].key.c_str()), before[p]) << kPlaces[p].what;
    // No name of these scripts fits a Western code page: the backup is UTF-8.
    std::vector<std::string> names;
    ovra::BackupManager().GetBackupList(names);
    EXPECT_EQ(names, std::vector<std::string>{"AutomaticBackup001.backup3"});

    for (const Written& entry : written) {
        if (entry.value.empty())
            delete_tree_w(entry.root, entry.key.c_str());
        else
            RegDeleteKeyValueW(entry.root, entry.key.c_str(), entry.value.c_str());
    }
}

// Where every text fits the system's code page, the backup is the very file
// the program wrote before it took UTF-8, and that file restores right.
TEST_F(EveryName, TextsThatFitTheSystemCodePageKeepTheFormerFile)
{
    if (ovra::CodePage::SystemCodePage() != 1252)
        GTEST_SKIP() << "the kept file is in code page 1252; this system's is " << ovra::CodePage::SystemCodePage();
    SeedCafe();
    const std::wstring tree = dump_tree_w(kUser, kCafeKey);
    std::vector<ovra::JobResult> records = CafeRecords();
    ovra::BackupManager manager;
    std::string name;
    manager.GetBackupName(name);
    ASSERT_TRUE(manager.WriteBackup(name.c_str(), records));
    EXPECT_EQ(name, "AutomaticBackup001.backup2");
    EXPECT_EQ(Hex(ReadBytes(BackupPath(name))), kCafeBackupHex);

    ASSERT_TRUE(WriteBytes(BackupPath("AutomaticBackup002.backup2"), Unhex(kCafeBackupHex)));
    std::vector<ovra::JobResult> read;
    ASSERT_TRUE(manager.ReadBackup("AutomaticBackup002.backup2", read));
    ASSERT_EQ(read.size(), records.size());
    for (size_t i = 0; i < read.size(); ++i)
        EXPECT_TRUE(SameFields(read[i], records[i])) << RecordText(read[i]);
    ASSERT_TRUE(ovra::Executor().DeleteRecords(records));
    HANDLE file = OpenForRestore(BackupPath("AutomaticBackup002.backup2"));
    EXPECT_TRUE(ovra::Executor().RestoreRecords(file, read, manager));
    CloseHandle(file);
    EXPECT_EQ(dump_tree_w(kUser, kCafeKey), tree);
    delete_tree_w(kUser, kCafeKey);
}

// One record named in Cyrillic makes the file UTF-8, under the next number
// free in both kinds.
TEST_F(EveryName, ANameInAnotherScriptMakesAUtf8BackupNumberedWithTheOthers)
{
    const std::wstring valueName = L"ovra \u0418\u0432\u0430\u043d";
    add_sz_w(kUser, Wide(kRunKey).c_str(), valueName.c_str(), L"C:\\ovra_names\\\u0418\u0432\u0430\u043d.exe");
    const std::wstring run = dump_tree_w(kUser, Wide(kRunKey).c_str());
    std::vector<ovra::JobResult> records = {MakeRecord(kUser, kRunKey, InCodePage(valueName), ovra::kKindValue, 7)};
    ovra::BackupManager manager;
    create_dir(BackupFolder().c_str());
    ASSERT_TRUE(WriteBytes(BackupPath("AutomaticBackup001.backup2"), Unhex(kCafeBackupHex)));
    std::string name;
    manager.GetBackupName(name);
    ASSERT_EQ(name, "AutomaticBackup002.backup2");
    ASSERT_TRUE(manager.WriteBackup(name.c_str(), records));
    const std::string bytes = ReadBytes(BackupPath("AutomaticBackup002.backup3"));
    EXPECT_NE(bytes.find(InCodePage(valueName)), std::string::npos) << "names kept in UTF-8";
    std::vector<std::string> names;
    manager.GetBackupList(names);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"AutomaticBackup001.backup2", "AutomaticBackup002.backup3"}));
    manager.GetBackupName(name);
    EXPECT_EQ(name, "AutomaticBackup003.backup2");

    std::vector<ovra::JobResult> read;
    ASSERT_TRUE(manager.ReadBackup("AutomaticBackup002.backup3", read));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_TRUE(SameFields(read[0], records[0]));
    ASSERT_TRUE(ovra::Executor().DeleteRecords(records));
    HANDLE file = OpenForRestore(BackupPath("AutomaticBackup002.backup3"));
    EXPECT_TRUE(ovra::Executor().RestoreRecords(file, read, manager, ovra::BackupManager::TextOf(names[1])));
    CloseHandle(file);
    EXPECT_EQ(dump_tree_w(kUser, Wide(kRunKey).c_str()), run);
    RegDeleteKeyValueW(kUser, Wide(kRunKey).c_str(), valueName.c_str());
}

// Window texts, list rows and message boxes are given in the program's code
// page and shown as the characters they are.
TEST_F(EveryName, WindowsListsAndMessagesTakeTheProgramsCodePage)
{
    const std::wstring text = L"\u0418\u0432\u0430\u043d \u7a0b\u5e8f \xD834\xDD1E";
    const std::string utf8 = InCodePage(text);
    wchar_t shown[64] = L"";

    HWND window = CreateWindowExA(0, "STATIC", utf8.c_str(), WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    GetWindowTextW(window, shown, 64);
    EXPECT_EQ(std::wstring(shown), text);
    DestroyWindow(window);

    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_TRUE(list);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 90;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    LVITEMA row = {};
    row.mask = LVIF_TEXT;
    row.pszText = const_cast<char*>(utf8.c_str());
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
    LVITEMW read = {};
    read.pszText = shown;
    read.cchTextMax = 64;
    shown[0] = L'\0';
    SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&read));
    EXPECT_EQ(std::wstring(shown), text);
    DestroyWindow(list);

    std::thread box([&] { MessageBoxA(nullptr, utf8.c_str(), "INFORMATION", MB_OK); });
    HWND dialog = nullptr;
    for (int i = 0; i < 400 && !dialog; ++i, Sleep(25))
        dialog = FindWindowA("#32770", "INFORMATION");
    ASSERT_TRUE(dialog);
    shown[0] = L'\0';
    GetWindowTextW(GetDlgItem(dialog, 0xFFFF), shown, 64);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    box.join();
    EXPECT_EQ(std::wstring(shown), text);
}
