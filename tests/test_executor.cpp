// The repair and restore executor on the real registry: whole trees removed,
// failures folded into one result without stopping the walk, unticked records
// and other kinds left alone, restores only where the record came from.
#include "backup/ovraExecutor.h"
#include "ovraBackupTestFiles.h"

#include <aclapi.h>
#include <gtest/gtest.h>

#include <cstdio>

using namespace ovratest;

namespace {

const char kBase[] = "Software\\OvraBackupTest\\Exec";
const char kHklmBase[] = "Software\\OvraBackupTest";

std::string Path(const char* name)
{
    return std::string(kBase) + "\\" + name;
}

class ExecutorTest : public BackupFolderTest {
protected:
    void SetUp() override
    {
        BackupFolderTest::SetUp();
        delete_tree(HKEY_CURRENT_USER, "Software\\OvraBackupTest");
        add_sz(HKEY_CURRENT_USER, kBase, "a", "first");
        add_sz(HKEY_CURRENT_USER, kBase, "c", "third");
        add_sz(HKEY_CURRENT_USER, Path("K").c_str(), "v", "inside");
        add_sz(HKEY_CURRENT_USER, Path("K\\Sub").c_str(), "", "default");
        add_sz(HKEY_LOCAL_MACHINE, kHklmBase, "m", "machine");
    }
    void TearDown() override
    {
        set_key_access(HKEY_CURRENT_USER, Path("K\\Sub").c_str(), 0, 0); // in case the security test stopped early
        delete_tree(HKEY_CURRENT_USER, "Software\\OvraBackupTest");
        delete_tree(HKEY_LOCAL_MACHINE, kHklmBase);
        BackupFolderTest::TearDown();
    }

    static ovra::JobResult Value(const char* name) { return MakeRecord(HKEY_CURRENT_USER, kBase, name, 0); }
    static ovra::JobResult Key(const char* name) { return MakeRecord(HKEY_CURRENT_USER, kBase, name, 1); }

    ovra::Executor m_executor;
    ovra::BackupManager m_manager;
};

TEST_F(ExecutorTest, TreeOfAHundredSubkeysIsRemovedCompletely)
{
    for (int i = 1; i <= 100; ++i) {
        const std::string sub = Path("Big\\") + std::to_string(i);
        add_sz(HKEY_CURRENT_USER, sub.c_str(), "x", "1");
        add_sz(HKEY_CURRENT_USER, sub.c_str(), "", "default");
        add_sz(HKEY_CURRENT_USER, (sub + "\\deeper\\deepest").c_str(), "y", "2");
    }
    std::vector<ovra::JobResult> records{Key("Big")};
    EXPECT_TRUE(m_executor.DeleteRecords(records));
    verify_key_missing(HKEY_CURRENT_USER, Path("Big").c_str());
    verify_value(HKEY_CURRENT_USER, kBase, "a", REG_SZ, "first", 6);
}

TEST_F(ExecutorTest, FailuresDoNotStopTheWalk)
{
    // A vanished value, then the rest still removed.
    std::vector<ovra::JobResult> records{Value("a"), Value("vanished"), Key("K"), Value("c"),
                                         MakeRecord(HKEY_LOCAL_MACHINE, kHklmBase, "m", 0)};
    EXPECT_FALSE(m_executor.DeleteRecords(records));
    verify_value_missing(HKEY_CURRENT_USER, kBase, "a");
    verify_value_missing(HKEY_CURRENT_USER, kBase, "c");
    verify_key_missing(HKEY_CURRENT_USER, Path("K").c_str());
    verify_value_missing(HKEY_LOCAL_MACHINE, kHklmBase, "m");

    // A key, then a value inside it: gone with the key, so its record fails.
    add_sz(HKEY_CURRENT_USER, Path("K").c_str(), "v", "inside");
    std::vector<ovra::JobResult> nested{Key("K"), MakeRecord(HKEY_CURRENT_USER, Path("K"), "v", 0)};
    EXPECT_FALSE(m_executor.DeleteRecords(nested));
    verify_key_missing(HKEY_CURRENT_USER, Path("K").c_str());

    // A key the registry will not let go of: a link below it cannot be
    // opened, so it stays, its parent stays, and the others still go.
    add_sz(HKEY_CURRENT_USER, Path("Held").c_str(), "h", "held");
    add_sz(HKEY_CURRENT_USER, kBase, "a", "first");
    HKEY held = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, Path("Held").c_str(), 0, KEY_ALL_ACCESS, &held));
    ASSERT_TRUE(AddDanglingLink(held, L"Link"));
    std::vector<ovra::JobResult> stuck{Key("Held"), Value("a")};
    EXPECT_FALSE(m_executor.DeleteRecords(stuck));
    verify_key(HKEY_CURRENT_USER, Path("Held").c_str());
    verify_value_missing(HKEY_CURRENT_USER, kBase, "a");
    RemoveDanglingLink(held, L"Link");
    RegCloseKey(held);
}

// A subkey whose security allows reading only, and denies deletion: the key
// cannot be opened for deletion, so it and its parent stay, the record fails,
// and the other records are still removed.
TEST_F(ExecutorTest, KeyWhoseSecurityForbidsDeletion)
{
    const std::string locked = Path("K\\Sub");
    ASSERT_TRUE(set_key_access(HKEY_CURRENT_USER, locked.c_str(), DELETE, KEY_READ | WRITE_DAC));

    std::vector<ovra::JobResult> records{Key("K"), Value("a")};
    EXPECT_FALSE(m_executor.DeleteRecords(records));
    verify_value_missing(HKEY_CURRENT_USER, kBase, "a");
    verify_key(HKEY_CURRENT_USER, locked.c_str());
    verify_value_missing(HKEY_CURRENT_USER, Path("K").c_str(), "v");
}

// Crafted key records naming a root, a key a check walks or a key above one,
// in any spelling, fail and delete nothing while the other records go on; a
// key below a walked one, its 32-bit twin's too, may still go.
TEST_F(ExecutorTest, ContainerKeysAreNeverDeleted)
{
    struct Crafted {
        HKEY root;
        const char* keyPath;
        const char* name;
    };
    const Crafted containers[] = {
        {HKEY_LOCAL_MACHINE, "", ""},
        {HKEY_CURRENT_USER, "\\", "\\"},
        {HKEY_CLASSES_ROOT, "", "CLSID"},
        {HKEY_CLASSES_ROOT, "clsid\\", ""},
        {HKEY_CLASSES_ROOT, "Wow6432Node", "CLSID\\"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\\\Classes", "clsid"},
        {HKEY_LOCAL_MACHINE, "Software\\Classes\\Wow6432Node", "CLSID"},
        {HKEY_LOCAL_MACHINE, "", "SOFTWARE"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE", "Microsoft"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE", "Wow6432Node"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node", "Microsoft"},
        {HKEY_LOCAL_MACHINE, "software\\microsoft\\windows\\currentversion\\", "app paths"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion", "Uninstall"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "Installer\\Folders"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "SharedDLLs"},
        {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "Run"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "FONTS"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows", "Help"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows", "HTML Help"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\ShellNoRoam", "MUICache"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", "User Shell Folders"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", "Shell Folders"},
        {HKEY_CURRENT_USER, "Software\\Classes", "CLSID"},
        {HKEY_CURRENT_USER, "", "Software"},
        // The places of today's Windows: the user's own lists, the shell's
        // program-name cache, the compatibility lists, type libraries.
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion", "Run"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion", "Uninstall"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion", "App Paths"},
        {HKEY_CURRENT_USER, "Software\\Classes\\Wow6432Node", "CLSID"},
        {HKEY_CURRENT_USER, "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell", "MuiCache"},
        {HKEY_CLASSES_ROOT, "Local Settings\\Software\\Microsoft\\Windows", "Shell"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags", "Layers"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags", "layers"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags",
         "Compatibility Assistant\\Store"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion", "AppCompatFlags"},
        {HKEY_CLASSES_ROOT, "", "TypeLib"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Wow6432Node", "typelib"},
        // File types and the shell: the classes' lists, the shell objects'
        // verbs and handler lists, overlays, approved handlers, registered
        // applications, sound events.
        {HKEY_CLASSES_ROOT, "", "Applications"},
        {HKEY_CURRENT_USER, "Software\\Classes", "SystemFileAssociations"},
        {HKEY_CLASSES_ROOT, "*\\shellex", "ContextMenuHandlers"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Directory", "Background"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\folder", "shell"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer", "ShellIconOverlayIdentifiers"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions", "Approved"},
        {HKEY_CURRENT_USER, "Software", "RegisteredApplications"},
        {HKEY_CURRENT_USER, "AppEvents\\Schemes", "Apps"},
        {HKEY_CURRENT_USER, "", "AppEvents"},
    };
    // Each named key exists, so that a deletion would show.
    const char* const kept[] = {
        "HKCR:CLSID", "HKCR:Wow6432Node\\CLSID", "HKLM:SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
        "HKLM:SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
        "HKLM:SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
        "HKLM:SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
        "HKLM:SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
        "HKLM:SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "HKLM:SOFTWARE\\Microsoft\\Windows\\Help",
        "HKLM:SOFTWARE\\Microsoft\\Windows\\HTML Help", "HKCU:Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache",
        "HKCU:Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
        "HKCU:Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "HKCU:Software\\Classes\\CLSID",
        "HKCU:Software\\Microsoft\\Windows\\CurrentVersion\\Run", "HKCU:Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
        "HKCU:Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
        "HKCU:Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
        "HKCU:Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers",
        "HKLM:SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers",
        "HKCU:Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Store",
        "HKCR:TypeLib", "HKCR:Applications", "HKCU:Software\\Classes\\SystemFileAssociations",
        "HKCR:*\\shellex\\ContextMenuHandlers", "HKCR:Directory\\Background", "HKCR:Folder\\shell",
        "HKLM:SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers",
        "HKLM:SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
        "HKCU:Software\\RegisteredApplications", "HKCU:AppEvents\\Schemes\\Apps"};
    auto rootOf = [](const char* text) {
        return text[2] == 'C' && text[3] == 'R' ? HKEY_CLASSES_ROOT
               : text[2] == 'C'                 ? HKEY_CURRENT_USER
                                                : HKEY_LOCAL_MACHINE;
    };
    for (const char* key : kept)
        add_key(rootOf(key), key + 5);
    std::vector<ovra::JobResult> records{Key("K"), Value("a")};
    for (const Crafted& c : containers)
        records.push_back(MakeRecord(c.root, c.keyPath, c.name, ovra::kKindKey));
    EXPECT_FALSE(m_executor.DeleteRecords(records));
    verify_key_missing(HKEY_CURRENT_USER, Path("K").c_str());
    verify_value_missing(HKEY_CURRENT_USER, kBase, "a");
    verify_value(HKEY_LOCAL_MACHINE, kHklmBase, "m", REG_SZ, "machine", 8);
    for (const char* key : kept)
        verify_key(rootOf(key), key + 5);

    const char kTwin[] = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    add_key(HKEY_CLASSES_ROOT, "Wow6432Node\\CLSID\\{ovra-guard}\\InprocServer32");
    add_key(HKEY_LOCAL_MACHINE, (std::string(kTwin) + "\\OvraGuard").c_str());
    std::vector<ovra::JobResult> below{MakeRecord(HKEY_CLASSES_ROOT, "Wow6432Node\\CLSID", "{ovra-guard}", 1),
                                       MakeRecord(HKEY_LOCAL_MACHINE, kTwin, "OvraGuard", 1)};
    EXPECT_TRUE(m_executor.DeleteRecords(below));
    verify_key_missing(HKEY_CLASSES_ROOT, "Wow6432Node\\CLSID\\{ovra-guard}");
    verify_key_missing(HKEY_LOCAL_MACHINE, (std::string(kTwin) + "\\OvraGuard").c_str());
}

TEST_F(ExecutorTest, UntickedRecordsAndOtherKindsAreLeftAlone)
{
    std::vector<ovra::JobResult> records{Value("a"), Key("K"), Value("c"), MakeRecord(HKEY_CURRENT_USER, kBase, "a", 2),
                                         MakeRecord(HKEY_CURRENT_USER, kBase, "K", -1)};
    const std::string before = dump_tree(HKEY_CURRENT_USER, kBase);
    std::string name;
    m_manager.GetBackupName(name);
    ASSERT_TRUE(m_manager.WriteBackup(name.c_str(), records));
    std::vector<ovra::JobResult> read;
    ASSERT_TRUE(m_manager.ReadBackup(name.c_str(), read));
    ASSERT_EQ(5u, read.size());

    // Nothing ticked: nothing changes, both succeed.
    for (ovra::JobResult& record : read)
        record.bSelected = false;
    EXPECT_TRUE(m_executor.DeleteRecords(read));
    EXPECT_EQ(before, dump_tree(HKEY_CURRENT_USER, kBase));

    // Only the middle value and the other kinds ticked.
    read[2].bSelected = read[3].bSelected = read[4].bSelected = true;
    EXPECT_TRUE(m_executor.DeleteRecords(read));
    verify_value_missing(HKEY_CURRENT_USER, kBase, "c");
    verify_value(HKEY_CURRENT_USER, kBase, "a", REG_SZ, "first", 6);
    verify_key(HKEY_CURRENT_USER, Path("K").c_str());

    // Restore with the first two ticked: the unticked deleted value stays away.
    records = read;
    for (ovra::JobResult& record : read)
        record.bSelected = !record.bSelected;
    EXPECT_TRUE(m_executor.DeleteRecords(read));
    for (ovra::JobResult& record : read)
        record.bSelected = !record.bSelected;
    HANDLE file = OpenForRestore(BackupPath(name));
    EXPECT_TRUE(m_executor.RestoreRecords(file, records, m_manager));
    std::vector<ovra::JobResult> none;
    EXPECT_TRUE(m_executor.RestoreRecords(file, none, m_manager));
    CloseHandle(file);
    verify_value(HKEY_CURRENT_USER, kBase, "c", REG_SZ, "third", 6);
    verify_value_missing(HKEY_CURRENT_USER, kBase, "a");
    verify_key_missing(HKEY_CURRENT_USER, Path("K").c_str());
}

TEST_F(ExecutorTest, RestoreGoesOnlyWhereTheRecordCameFrom)
{
    std::vector<ovra::JobResult> records{Value("a"), Key("K"), MakeRecord(HKEY_CURRENT_USER, Path("K"), "v", 0)};
    std::string name;
    m_manager.GetBackupName(name);
    ASSERT_TRUE(m_manager.WriteBackup(name.c_str(), records));
    std::vector<ovra::JobResult> read;
    ASSERT_TRUE(m_manager.ReadBackup(name.c_str(), read));
    const std::string before = dump_tree(HKEY_CURRENT_USER, kBase);
    EXPECT_TRUE(m_executor.DeleteRecords(read) == false); // the value went with its key

    // A handle that is not open fails every ticked record and writes nothing.
    const std::string empty = dump_tree(HKEY_CURRENT_USER, kBase);
    for (HANDLE closed : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
        EXPECT_FALSE(m_executor.RestoreRecords(closed, read, m_manager));
        EXPECT_FALSE(m_manager.RestoreRegistryValue(closed, read[0]));
        EXPECT_FALSE(m_manager.RestoreRegistryKey(closed, read[1]));
    }
    EXPECT_EQ(empty, dump_tree(HKEY_CURRENT_USER, kBase));

    // A key existing again keeps its other values, takes the saved ones; the
    // value inside it then has its key again.
    add_sz(HKEY_CURRENT_USER, Path("K").c_str(), "other", "kept");
    add_sz(HKEY_CURRENT_USER, Path("K").c_str(), "v", "changed");
    HANDLE file = OpenForRestore(BackupPath(name));
    EXPECT_TRUE(m_executor.RestoreRecords(file, read, m_manager));
    verify_value(HKEY_CURRENT_USER, Path("K").c_str(), "other", REG_SZ, "kept", 5);
    delete_value(HKEY_CURRENT_USER, Path("K").c_str(), "other");
    EXPECT_EQ(before, dump_tree(HKEY_CURRENT_USER, kBase));

    // No parent key, no restore: the value's key and the tree's parent are
    // opened, never created.
    delete_tree(HKEY_CURRENT_USER, kBase);
    EXPECT_FALSE(m_manager.RestoreRegistryValue(file, read[0]));
    EXPECT_FALSE(m_manager.RestoreRegistryKey(file, read[1]));
    EXPECT_FALSE(m_executor.RestoreRecords(file, read, m_manager));
    CloseHandle(file);
    verify_key_missing(HKEY_CURRENT_USER, kBase);
}

} // namespace
