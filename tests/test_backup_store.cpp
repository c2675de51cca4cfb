// The backup folder beside the executable: names of new backups, whole
// files written and read back, the listing, and backups the disk refuses.
#include "backup/ovraExecutor.h"
#include "ovraBackupTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace ovratest;

namespace {

const char kKey[] = "Software\\OvraBackupTest\\Store";

std::string Numbered(int number)
{
    char name[64];
    std::snprintf(name, sizeof(name), "AutomaticBackup%.3d.backup2", number);
    return name;
}

class BackupStoreTest : public BackupFolderTest {
protected:
    void SetUp() override
    {
        BackupFolderTest::SetUp();
        add_sz(HKEY_CURRENT_USER, kKey, "a", "first");
        add_sz(HKEY_CURRENT_USER, kKey, "b", "second");
        add_sz(HKEY_CURRENT_USER, kKey, "c", "third");
    }
    void TearDown() override
    {
        delete_tree(HKEY_CURRENT_USER, "Software\\OvraBackupTest");
        BackupFolderTest::TearDown();
    }

    ovra::BackupManager m_manager;
};

TEST_F(BackupStoreTest, FirstBackupGoesBesideTheExecutable)
{
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string expected = module;
    expected.erase(expected.rfind('\\'));
    EXPECT_EQ(expected + "\\backups\\", BackupFolder());

    std::string name = "unchanged";
    m_manager.GetBackupName(name);
    EXPECT_EQ("AutomaticBackup001.backup2", name);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(BackupFolder().c_str()));

    std::vector<ovra::JobResult> none;
    ASSERT_TRUE(m_manager.WriteBackup(name.c_str(), none));
    EXPECT_EQ(std::string(4, '\0'), ReadBytes(BackupPath(name)));
    std::vector<ovra::JobResult> read;
    EXPECT_TRUE(m_manager.ReadBackup(name.c_str(), read));
    EXPECT_TRUE(read.empty());

    // An existing backup is never overwritten.
    std::vector<ovra::JobResult> one{MakeRecord(HKEY_CURRENT_USER, kKey, "a", ovra::kKindValue)};
    EXPECT_FALSE(m_manager.WriteBackup(name.c_str(), one));
    EXPECT_EQ(std::string(4, '\0'), ReadBytes(BackupPath(name)));
    EXPECT_FALSE(m_manager.ReadBackup("AutomaticBackup002.backup2", read));
}

// Only the ticked records are saved and counted: an unticked one neither
// goes into the file nor fails it (its value is gone), and restoring the
// file leaves an unticked value that changed after the repair as it is.
TEST_F(BackupStoreTest, OnlyTickedRecordsAreSaved)
{
    std::vector<ovra::JobResult> records{MakeRecord(HKEY_CURRENT_USER, kKey, "a", ovra::kKindValue),
                                         MakeRecord(HKEY_CURRENT_USER, kKey, "b", ovra::kKindValue),
                                         MakeRecord(HKEY_CURRENT_USER, kKey, "gone", ovra::kKindValue),
                                         MakeRecord(HKEY_CURRENT_USER, kKey, "c", ovra::kKindValue)};
    records[1].bSelected = records[2].bSelected = false;
    ASSERT_TRUE(m_manager.WriteBackup("AutomaticBackup001.backup2", records));
    EXPECT_EQ(std::string("\x02\0\0\0", 4), ReadBytes(BackupPath("AutomaticBackup001.backup2")).substr(0, 4));
    std::vector<ovra::JobResult> saved;
    ASSERT_TRUE(m_manager.ReadBackup("AutomaticBackup001.backup2", saved));
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].sName, "a");
    EXPECT_EQ(saved[1].sName, "c");

    ovra::Executor executor;
    EXPECT_TRUE(executor.DeleteRecords(records));
    add_sz(HKEY_CURRENT_USER, kKey, "b", "changed since");
    HANDLE file = OpenForRestore(BackupPath("AutomaticBackup001.backup2"));
    EXPECT_TRUE(executor.RestoreRecords(file, saved, m_manager));
    CloseHandle(file);
    verify_value(HKEY_CURRENT_USER, kKey, "a", REG_SZ, "first", 6);
    verify_value(HKEY_CURRENT_USER, kKey, "b", REG_SZ, "changed since", 14);
    verify_value(HKEY_CURRENT_USER, kKey, "c", REG_SZ, "third", 6);
}

TEST_F(BackupStoreTest, NamesReuseGapsAndAnyEntryTakesAName)
{
    create_dir(BackupFolder().c_str());
    create_file(BackupPath(Numbered(1)).c_str());
    create_file(BackupPath(Numbered(3)).c_str());
    std::string name;
    m_manager.GetBackupName(name);
    EXPECT_EQ(Numbered(2), name);

    create_dir(BackupPath(Numbered(2)).c_str());
    m_manager.GetBackupName(name);
    EXPECT_EQ(Numbered(4), name);

    for (int number = 4; number <= 998; ++number)
        create_file(BackupPath(Numbered(number)).c_str());
    name = "unchanged";
    m_manager.GetBackupName(name);
    EXPECT_EQ("unchanged", name);
    // With no name to give, the folder itself is no file to write.
    std::vector<ovra::JobResult> none;
    EXPECT_FALSE(m_manager.WriteBackup("", none));
}

TEST_F(BackupStoreTest, ListingTakesExactlyTheExtension)
{
    std::vector<std::string> names{"kept"};
    m_manager.GetBackupList(names);
    EXPECT_EQ(std::vector<std::string>{"kept"}, names);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(BackupFolder().c_str()));

    for (const char* file : {"AutomaticBackup001.backup2", "notes.BACKUP2", "x.backup2.old", ".backup2", "noext",
                             "a.backup", "b.backup22"})
        create_file(BackupPath(file).c_str());
    create_dir(BackupPath("folder.backup2").c_str());
    names.clear();
    m_manager.GetBackupList(names);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{".backup2", "AutomaticBackup001.backup2", "folder.backup2"}), names);
}

TEST_F(BackupStoreTest, FileShorterThanItsCountYieldsItsRecords)
{
    std::vector<ovra::JobResult> records{MakeRecord(HKEY_CURRENT_USER, kKey, "a", ovra::kKindValue),
                                         MakeRecord(HKEY_CURRENT_USER, kKey, "b", ovra::kKindValue)};
    std::vector<uint64_t> ends;
    create_dir(BackupFolder().c_str());
    ASSERT_TRUE(WriteRecordsTo(BackupPath("short.backup2"), records, &ends));
    std::string bytes = ReadBytes(BackupPath("short.backup2"));
    bytes[0] = 5;
    ASSERT_TRUE(WriteBytes(BackupPath("short.backup2"), bytes));

    std::vector<ovra::JobResult> read{MakeRecord(HKEY_LOCAL_MACHINE, "earlier", "x", 0)};
    ASSERT_TRUE(m_manager.ReadBackup("short.backup2", read));
    ASSERT_EQ(3u, read.size());
    EXPECT_EQ("earlier", read[0].sKeyPath);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(SameFields(records[i], read[i + 1]));
        EXPECT_TRUE(read[i + 1].bSelected);
        // The value block starts right after the record's fields.
        const uint64_t start = i == 0 ? 4 : ends[0];
        EXPECT_EQ(start + 4 + 5 * 5 + records[i].sKeyPath.size() + records[i].sName.size() +
                      records[i].sSection.size() + records[i].sValue.size() + records[i].sProblem.size() + 8,
                  static_cast<uint64_t>(read[i + 1].nDataOffset));
    }
}

// A backup that fails part way takes its own file away: the restore list is
// what it was before, and the failed file's name is free again.
void ExpectFailedBackupLeavesNothing(ovra::BackupManager& manager, std::vector<ovra::JobResult>& records)
{
    create_dir(BackupFolder().c_str());
    create_file(BackupPath(Numbered(1)).c_str(), "earlier");
    std::vector<std::string> before;
    manager.GetBackupList(before);
    std::string name;
    manager.GetBackupName(name);
    ASSERT_EQ(Numbered(2), name);
    EXPECT_FALSE(manager.WriteBackup(name.c_str(), records));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(BackupPath(name).c_str()));
    std::vector<std::string> after;
    manager.GetBackupList(after);
    EXPECT_EQ(before, after);
    std::string next;
    manager.GetBackupName(next);
    EXPECT_EQ(name, next);
    EXPECT_EQ("earlier", ReadBytes(BackupPath(Numbered(1))));
}

// The second of three records names a value that has vanished, or one too
// large to save (a value record's over 16384 bytes, a value in a saved key
// over 16 MiB): the backup fails after the first record was written.
TEST_F(BackupStoreTest, RecordThatCannotBeSavedLeavesNoFile)
{
    add_value(HKEY_CURRENT_USER, kKey, "big", REG_BINARY, std::string(16385, 'b').data(), 16385);
    const std::string huge(16 * 1024 * 1024 + 1, 'h');
    const std::string tree = std::string(kKey) + "\\Huge";
    add_value(HKEY_CURRENT_USER, tree.c_str(), "h", REG_BINARY, huge.data(), static_cast<DWORD>(huge.size()));
    const struct {
        const char* name;
        int32_t kind;
    } unsaved[] = {{"gone", ovra::kKindValue}, {"big", ovra::kKindValue}, {"Huge", ovra::kKindKey}};
    for (const auto& second : unsaved) {
        SCOPED_TRACE(second.name);
        std::vector<ovra::JobResult> records{MakeRecord(HKEY_CURRENT_USER, kKey, "a", ovra::kKindValue),
                                             MakeRecord(HKEY_CURRENT_USER, kKey, second.name, second.kind),
                                             MakeRecord(HKEY_CURRENT_USER, kKey, "c", ovra::kKindValue)};
        ExpectFailedBackupLeavesNothing(m_manager, records);
        RemoveFolder();
    }
}

// Runs only under the file-size limit that tests/CMakeLists.txt sets for it
// (ulimit -f): the system refuses the backup's writes part way, as a full
// disk does, and the backup must say so and leave no file behind.
TEST_F(BackupStoreTest, RefusedWrites)
{
    const char* limit = std::getenv("OVRA_FILE_LIMIT_KB");
    if (!limit)
        GTEST_SKIP() << "needs a file-size limit (ctest runs it as test_backup_store.refused_writes)";
    const size_t bytes = std::strtoul(limit, nullptr, 10) * 1024;
    const std::string data(70000, 'd');
    const std::string tree = std::string(kKey) + "\\Tree";
    for (size_t i = 0; i * data.size() <= bytes; ++i)
        add_value(HKEY_CURRENT_USER, tree.c_str(), std::to_string(i).c_str(), REG_BINARY, data.data(), 70000);
    const std::string before = dump_tree(HKEY_CURRENT_USER, kKey);

    std::vector<ovra::JobResult> records{MakeRecord(HKEY_CURRENT_USER, kKey, "a", ovra::kKindValue),
                                         MakeRecord(HKEY_CURRENT_USER, kKey, "Tree", ovra::kKindKey)};
    ExpectFailedBackupLeavesNothing(m_manager, records);
    EXPECT_EQ(before, dump_tree(HKEY_CURRENT_USER, kKey));
}

} // namespace
