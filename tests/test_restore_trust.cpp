// Restores that must not be taken on trust: entries that exist again with
// new data, backups that a crafted or cut file holds, and backups that
// another user of the computer could have written.
#include "platform/ovraFileSecurity.h"
#include "ovraBackupTestFiles.h"
#include "ovraTestFrame.h"
#include "ovraTestKeys.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ovratest;

namespace {

const HKEY kUser = HKEY_CURRENT_USER;
const std::string kApp = std::string(kUninstallKey) + "\\ovra_trust_app";
const std::string kSame = std::string(kAppPathsKey) + "\\ovra_trust_same.exe";

// A repair's backup of four entries, made while the registry held the old data.
std::vector<ovra::JobResult> BackUpFour()
{
    add_sz(kUser, kApp.c_str(), "UninstallString", "C:\\ovra_trust\\old\\unins.exe");
    add_sz(kUser, kApp.c_str(), "DisplayName", "Ovra Trust");
    add_sz(kUser, kRunKey, "ovra_trust_run", "C:\\ovra_trust\\old\\tray.exe");
    add_sz(kUser, kSame.c_str(), nullptr, "C:\\ovra_trust\\same.exe");
    add_sz(kUser, kRunKey, "ovra_trust_gone", "C:\\ovra_trust\\gone.exe");
    std::vector<ovra::JobResult> records = {
        MakeRecord(kUser, kUninstallKey, "ovra_trust_app", ovra::kKindKey, 8),
        MakeRecord(kUser, kRunKey, "ovra_trust_run", ovra::kKindValue, 7),
        MakeRecord(kUser, kAppPathsKey, "ovra_trust_same.exe", ovra::kKindKey, 3),
        MakeRecord(kUser, kRunKey, "ovra_trust_gone", ovra::kKindValue, 7),
    };
    ovra::BackupManager manager;
    EXPECT_TRUE(manager.WriteBackup("AutomaticBackup001.backup2", records));
    EXPECT_TRUE(ovra::Executor().DeleteRecords(records));
    return records;
}

// The program is reinstalled: two entries come back with new data, one the
// same as before, one not at all.
void Reinstall()
{
    add_sz(kUser, kApp.c_str(), "UninstallString", "C:\\ovra_trust\\new\\unins.exe");
    add_sz(kUser, kRunKey, "ovra_trust_run", "C:\\ovra_trust\\new\\tray.exe");
    add_sz(kUser, kSame.c_str(), nullptr, "C:\\ovra_trust\\same.exe");
}

void RemoveAll()
{
    delete_tree(kUser, kApp.c_str());
    delete_tree(kUser, kSame.c_str());
    delete_value(kUser, kRunKey, "ovra_trust_run");
    delete_value(kUser, kRunKey, "ovra_trust_gone");
}

void VerifySz(HKEY root, const char* key, const char* name, const char* text)
{
    verify_value(root, key, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

std::string Bytes(uint32_t value)
{
    return std::string(reinterpret_cast<const char*>(&value), 4);
}

// Hands the file to another owner, as a plain user's own file would be, with
// the host's chown (Wine reports a file of another Unix user as owned by an
// anonymous account). False, with the reason, where that cannot be done.
bool GiveAway(const std::string& path, std::string& why)
{
    typedef char*(CDECL * UnixNameFn)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    std::wstring wide(path.begin(), path.end());
    char* name = unixName ? unixName(wide.c_str()) : nullptr;
    if (!name) {
        why = "no Unix name for the file (not running under Wine)";
        return false;
    }
    std::string command = std::string("Z:\\bin\\chown 4711 \"") + name + "\"";
    HeapFree(GetProcessHeap(), 0, name);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        why = "the host's chown cannot be started";
        return false;
    }
    // Wine gives no handle to wait on for a Unix program: the owner is
    // watched instead.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 100; ++i) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        PSID owner = nullptr;
        if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                  nullptr, &descriptor) == ERROR_SUCCESS) {
            const bool given = IsWellKnownSid(owner, WinAnonymousSid) != FALSE;
            LocalFree(descriptor);
            if (given)
                return true;
        }
        Sleep(50);
    }
    why = "the host's chown could not give the file away (the tests do not run as root)";
    return false;
}

// Lets everyone write to the file.
bool OpenToEveryone(const std::string& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;WD)",
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    const DWORD rc = SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl, nullptr);
    LocalFree(descriptor);
    return rc == ERROR_SUCCESS;
}

const char kSure[] = "Are you sure you want to restore?";
const char kDone[] = "All operations have been completed successfully.";
const char kAsk[] = "Another user of this computer could have changed this backup file. Restoring it could write "
                    "anything into your registry. Do you want to restore it anyway?";

class RestoreTrust : public BackupFolderTest {
protected:
    void TearDown() override
    {
        RemoveAll();
        BackupFolderTest::TearDown();
    }

    // Restore on the page as it opened; the messages answered on the way.
    void Restore(Driver& d, const std::vector<std::pair<std::string, const char*>>& answers)
    {
        d.Click(frame.m_btnNext.m_hWndButton);
        for (const auto& answer : answers) {
            MessageBoxSeen box;
            ASSERT_TRUE(d.WaitForMessageBox(box)) << answer.first;
            EXPECT_EQ(box.text, answer.first);
            d.Answer(box, answer.second);
        }
    }

    void AskedAbout()
    {
        Play(frame, [&](Driver& d) {
            ASSERT_TRUE(OpenNewestBackup(d, frame));
            Restore(d, {{kSure, "&Yes"}, {kAsk, "&No"}});
            EXPECT_TRUE(d.WaitUntil([&] { return frame.m_strTitle == "Select records to restore"; }));
            verify_value_missing(HKEY_CURRENT_USER, kRunKey, "ovra_trust_run");
            Restore(d, {{kSure, "&Yes"}, {kAsk, "&Yes"}, {kDone, "OK"}});
        });
        VerifySz(HKEY_CURRENT_USER, kRunKey, "ovra_trust_run", "C:\\ovra_trust\\old\\tray.exe");
    }

    ovra::WizardFrame frame;
};


} // namespace

// Restoring with the default ticks brings back what is gone and leaves what
// was reinstalled byte for byte; a record ticked by hand is restored.
TEST_F(RestoreTrust, EntriesThatExistAgainWithOtherDataStartUnticked)
{
    BackUpFour();
    Reinstall();
    const std::string app = dump_tree(kUser, kApp.c_str());
    const std::string same = dump_tree(kUser, kSame.c_str());
    Play(frame, [&](Driver& d) {
        ASSERT_TRUE(OpenNewestBackup(d, frame));
        d.OnUi([&] {
            const auto& cards = frame.m_resultPage.m_resultView.m_records;
            ASSERT_EQ(cards.size(), 4u);
            const bool changed[] = {true, true, false, false};
            for (size_t i = 0; i < cards.size(); ++i) {
                SCOPED_TRACE(cards[i].pRecord->sName);
                EXPECT_EQ(cards[i].pRecord->bSelected, !changed[i]);
                EXPECT_EQ(cards[i].pszNote ? std::string(cards[i].pszNote) : std::string(),
                          changed[i] ? "Exists now with other data" : "");
            }
        });
        Restore(d, {{kSure, "&Yes"}, {kDone, "OK"}});
        ASSERT_TRUE(d.WaitUntil([&] { return frame.m_strTitle == "Welcome to Ovra Hivemend"; }));
        EXPECT_EQ(dump_tree(kUser, kApp.c_str()), app);
        EXPECT_EQ(dump_tree(kUser, kSame.c_str()), same);
        VerifySz(kUser, kRunKey, "ovra_trust_run", "C:\\ovra_trust\\new\\tray.exe");
        VerifySz(kUser, kRunKey, "ovra_trust_gone", "C:\\ovra_trust\\gone.exe");

        // Ticked by hand, the old startup line replaces the new one.
        ASSERT_TRUE(OpenNewestBackup(d, frame));
        d.OnUi([&] { frame.m_resultPage.m_resultView.ToggleRow(1); });
        Restore(d, {{kSure, "&Yes"}, {kDone, "OK"}});
        ASSERT_TRUE(d.WaitUntil([&] { return frame.m_strTitle == "Welcome to Ovra Hivemend"; }));
        VerifySz(kUser, kRunKey, "ovra_trust_run", "C:\\ovra_trust\\old\\tray.exe");
        EXPECT_EQ(dump_tree(kUser, kApp.c_str()), app);
    });
}

// Crafted and cut files: a key block that names no key of its own is
// refused, a count is never taken beyond what the file can hold, and a file
// that ends early is read up to its last whole record and marked incomplete.
// Nothing of them reaches the registry.
TEST_F(RestoreTrust, CraftedAndCutBackupsAreRefusedOrFlagged)
{
    add_sz(kUser, kApp.c_str(), "UninstallString", "C:\\ovra_trust\\app\\unins.exe");
    std::vector<ovra::JobResult> records = {MakeRecord(kUser, kUninstallKey, "ovra_trust_app", ovra::kKindKey, 8),
                                            MakeRecord(kUser, kUninstallKey, "ovra_trust_app", ovra::kKindKey, 8)};
    std::vector<uint64_t> ends;
    create_dir(BackupFolder().c_str());
    ASSERT_TRUE(WriteRecordsTo(BackupPath("whole.bin"), records, &ends));
    const std::string whole = ReadBytes(BackupPath("whole.bin"));
    // The first record's key block starts with its name, "ovra_trust_app",
    // the record's last string of that text.
    const std::string named = Bytes(15) + std::string("ovra_trust_app", 15);
    const size_t block = whole.rfind(named, static_cast<size_t>(ends[0]));
    ASSERT_NE(block, std::string::npos);
    const auto renamed = [&](const std::string& name) {
        const std::string first = whole.substr(0, ends[0]);
        return first.substr(0, block) + Bytes(static_cast<uint32_t>(name.size() + 1)) + name + std::string(1, '\0') +
               first.substr(block + named.size());
    };
    const struct {
        const char* what;
        std::string bytes;
        size_t records;
    } kFiles[] = {
        {"a key block named \"\"", renamed(""), 0},
        {"a key block named a\\b", renamed("a\\b"), 0},
        {"a key block named after another key", renamed("ovra_trust_other"), 0},
        {"a count of 0xFFFFFFFF", Bytes(0xFFFFFFFFu) + whole.substr(4), 2},
        {"a file cut in the middle", whole.substr(0, static_cast<size_t>(ends[0] + (ends[1] - ends[0]) / 2)), 1},
    };
    delete_tree(kUser, kApp.c_str());
    const std::string before = dump_tree(kUser, kUninstallKey);
    for (const auto& file : kFiles) {
        SCOPED_TRACE(file.what);
        ASSERT_TRUE(WriteBytes(BackupPath("crafted.backup2"), file.bytes));
        ovra::BackupManager manager;
        std::vector<ovra::JobResult> read;
        bool complete = true;
        ASSERT_TRUE(manager.ReadBackup("crafted.backup2", read, complete));
        EXPECT_EQ(read.size(), file.records);
        EXPECT_FALSE(complete);
        // A restore aimed at the crafted block itself writes nothing either.
        ovra::JobResult aimed = records[0];
        aimed.nDataOffset = static_cast<int32_t>(block);
        HANDLE handle = OpenForRestore(BackupPath("crafted.backup2"));
        const bool refused = file.records == 0;
        EXPECT_EQ(manager.RestoreRegistryKey(handle, aimed), !refused);
        CloseHandle(handle);
        if (!refused)
            delete_tree(kUser, kApp.c_str());
        EXPECT_EQ(dump_tree(kUser, kUninstallKey), before);
    }
}

TEST_F(RestoreTrust, AnIncompleteBackupSaysSoAndHowManyRecordsItHolds)
{
    BackUpFour();
    const std::string path = BackupPath("AutomaticBackup001.backup2");
    const std::string bytes = ReadBytes(path);
    ASSERT_TRUE(WriteBytes(path, bytes.substr(0, bytes.size() - 3)));
    Play(frame, [&](Driver& d) {
        MessageBoxSeen box;
        ASSERT_TRUE(OpenNewestBackup(d, frame, &box));
        EXPECT_EQ(box.caption, "WARNING");
        EXPECT_EQ(box.text, "This backup file is incomplete. Records read from it: 3. Only these can be restored.");
        Restore(d, {{kSure, "&Yes"}, {"The records read from the incomplete backup file have been restored.", "OK"}});
    });
    VerifySz(kUser, kRunKey, "ovra_trust_run", "C:\\ovra_trust\\old\\tray.exe");
    verify_value_missing(kUser, kRunKey, "ovra_trust_gone");
}

// A backup that another user owns, or may write, is restored only when the
// user answers Yes to the warning; No, the default, changes nothing.
TEST_F(RestoreTrust, ABackupAnotherUserOwnsIsAskedAbout)
{
    BackUpFour();
    std::string why;
    if (!GiveAway(BackupPath("AutomaticBackup001.backup2"), why))
        GTEST_SKIP() << why;
    AskedAbout();
}

TEST_F(RestoreTrust, ABackupEveryoneMayWriteIsAskedAbout)
{
    BackUpFour();
    ASSERT_TRUE(OpenToEveryone(BackupPath("AutomaticBackup001.backup2")));
    AskedAbout();
}

// The program's own backup folder lets no one but administrators and the
// system write into it; its own backups are restored without a question.
TEST_F(RestoreTrust, TheBackupFolderIsTheAdministratorsAlone)
{
    BackUpFour();
    std::string folder = BackupFolder();
    folder.pop_back();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &dacl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &entry));
        const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        const PSID grantee = const_cast<DWORD*>(&allowed->SidStart);
        EXPECT_FALSE(IsWellKnownSid(grantee, WinWorldSid));
        if (IsWellKnownSid(grantee, WinBuiltinUsersSid)) {
            EXPECT_EQ(allowed->Mask & (FILE_WRITE_DATA | FILE_ADD_FILE | WRITE_DAC), 0u);
        }
    }
    LocalFree(descriptor);
    HANDLE file = OpenForRestore(BackupPath("AutomaticBackup001.backup2"));
    EXPECT_TRUE(ovra::FileSecurity::OnlyTrustedWriters(file));
    CloseHandle(file);
}
