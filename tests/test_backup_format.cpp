// The backup record format against the prefix's real registry: the exact
// bytes, round trips of random key trees through backup, deletion and
// restore, names up to the registry's limits, and writes the system refuses.
#include "backup/ovraExecutor.h"
#include "ovraBackupTestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>

using namespace ovratest;

namespace {

const char kBase[] = "Software\\OvraBackupTest\\RoundTrip";
const char kBaseValues[] = "Software\\OvraBackupTest\\RoundTrip\\Values";

// Random key trees for the round trip. Names need not be unique: whatever the
// registry ends up holding is what the dumps compare.
class TreeMaker {
public:
    explicit TreeMaker(uint32_t seed) : m_rng(seed) {}

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }

    // A name of up to longest characters, some of them accented letters,
    // in the program's code page: names come from the registry as text.
    std::string Name(int longest, bool key)
    {
        const int roll = Pick(0, 99);
        const int length = roll < 70 ? Pick(1, 12) : roll < 95 ? Pick(13, 80) : Pick(81, longest);
        std::wstring name;
        while (static_cast<int>(name.size()) < length) {
            const wchar_t c = static_cast<wchar_t>(Pick(0, 9) == 0 ? Pick(0xC0, 0xFE) : Pick(0x20, 0x7E));
            if (!(key && c == L'\\'))
                name += c;
        }
        const int size = WideCharToMultiByte(CP_ACP, 0, name.c_str(), length, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(CP_ACP, 0, name.c_str(), length, &text[0], size, nullptr, nullptr);
        return text;
    }

    DWORD Type()
    {
        static const DWORD kTypes[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD,
                                       REG_DWORD_BIG_ENDIAN, REG_MULTI_SZ, REG_QWORD, 0x4F565241};
        return kTypes[Pick(0, 8)];
    }

    std::string Data(size_t size)
    {
        std::string data(size, '\0');
        for (char& c : data)
            c = static_cast<char>(Pick(0, 255));
        return data;
    }

    size_t Size()
    {
        static const size_t kSizes[] = {0, 1, 4, 8, 4095, 4096, 4097};
        return Pick(0, 3) == 0 ? kSizes[Pick(0, 6)] : static_cast<size_t>(Pick(0, 64));
    }

    void Value(HKEY key, const std::string& name, DWORD type, size_t size)
    {
        const std::string data = Data(size);
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                                static_cast<DWORD>(data.size())));
    }

    // A tree of `levels` levels named `name` under `parent`, with defaults,
    // every type and the listed sizes turning up over many trees. Keys are
    // made one level at a time: the ANSI functions take paths of at most 260
    // characters, names of up to 255 each.
    void Tree(HKEY parent, const std::string& name, int levels)
    {
        HKEY key = CreateKey(parent, name);
        const int values = Pick(0, 4);
        for (int i = 0; i < values; ++i)
            Value(key, Pick(0, 6) == 0 ? std::string() : Name(1023, false), Type(), Size());
        const int subkeys = levels <= 1 ? 0 : Pick(levels >= 3 ? 1 : 0, 3);
        for (int i = 0; i < subkeys; ++i)
            Tree(key, Name(255, true), levels - 1);
        RegCloseKey(key);
    }

    static HKEY CreateKey(HKEY parent, const std::string& name)
    {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                                 nullptr));
        return key;
    }

private:
    std::mt19937 m_rng;
};

class BackupFormatTest : public BackupFolderTest {
protected:
    void SetUp() override
    {
        BackupFolderTest::SetUp();
        delete_tree(HKEY_CURRENT_USER, "Software\\OvraBackupTest");
    }
    void TearDown() override
    {
        delete_tree(HKEY_CURRENT_USER, "Software\\OvraBackupTest");
        BackupFolderTest::TearDown();
    }

    // Backup, delete, restore: true when the registry is back to `before`.
    void RoundTrip(std::vector<ovra::JobResult> records, const std::string& where)
    {
        const std::string before = dump_tree(HKEY_CURRENT_USER, kBase);
        ovra::BackupManager manager;
        ovra::Executor executor;
        std::string name;
        manager.GetBackupName(name);
        ASSERT_TRUE(manager.WriteBackup(name.c_str(), records)) << where;
        name = WrittenName(name);
        std::vector<ovra::JobResult> back;
        ASSERT_TRUE(manager.ReadBackup(name.c_str(), back)) << where;
        ASSERT_EQ(records.size(), back.size()) << where;
        for (size_t i = 0; i < back.size(); ++i)
            EXPECT_TRUE(SameFields(records[i], back[i]) && back[i].bSelected) << where << " record " << i;

        EXPECT_TRUE(executor.DeleteRecords(back)) << where;
        EXPECT_NE(before, dump_tree(HKEY_CURRENT_USER, kBase)) << where;
        HANDLE file = OpenForRestore(BackupPath(name));
        EXPECT_TRUE(executor.RestoreRecords(file, back, manager, ovra::BackupManager::TextOf(name))) << where;
        CloseHandle(file);
        EXPECT_EQ(before, dump_tree(HKEY_CURRENT_USER, kBase)) << where;
        DeleteFileA(BackupPath(name).c_str());
    }
};

TEST_F(BackupFormatTest, ExampleRecordHasItsExactBytes)
{
    add_sz(HKEY_LOCAL_MACHINE, "A", "B", "x");
    ovra::JobResult record = MakeRecord(HKEY_LOCAL_MACHINE, "A", "B", ovra::kKindValue, 3);
    record.sProblem = record.sSection = record.sValue = "";
    std::vector<ovra::JobResult> records{record};
    ovra::BackupManager manager;
    ASSERT_TRUE(manager.WriteBackup("AutomaticBackup001.backup2", records));
    delete_tree(HKEY_LOCAL_MACHINE, "A");

    const unsigned char expected[53] = {
        0x01, 0, 0, 0, 0x02, 0, 0, 0x80, 0x02, 0, 0, 0, 0x41, 0, 0x02, 0, 0, 0, 0x42, 0, 0x01, 0, 0,
        0,    0, 0x01, 0, 0, 0, 0, 0x01, 0, 0, 0, 0, 0x03, 0, 0, 0, 0, 0, 0, 0, 0x01, 0, 0, 0, 0x02,
        0,    0, 0,    0x78, 0};
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(expected), sizeof(expected)),
              ReadBytes(BackupPath("AutomaticBackup001.backup2")));

    std::vector<ovra::JobResult> back;
    ASSERT_TRUE(manager.ReadBackup("AutomaticBackup001.backup2", back));
    ASSERT_EQ(1u, back.size());
    EXPECT_TRUE(SameFields(record, back[0]));
    EXPECT_EQ(43, back[0].nDataOffset);
}

TEST_F(BackupFormatTest, RandomTreesComeBackByteForByte)
{
    const uint32_t seed = SeedFromEnvironment();
    std::printf("round trip seed %u (set OVRA_SEED to repeat)\n", seed);
    TreeMaker maker(seed);
    const auto started = std::chrono::steady_clock::now();

    HKEY base = TreeMaker::CreateKey(HKEY_CURRENT_USER, kBase);
    HKEY values = TreeMaker::CreateKey(HKEY_CURRENT_USER, kBaseValues);

    // Every type at every listed size, 70,000 bytes, defaults and the longest
    // names, four levels deep.
    HKEY full = TreeMaker::CreateKey(base, "Full");
    HKEY level2 = TreeMaker::CreateKey(full, "L2");
    HKEY level3 = TreeMaker::CreateKey(level2, "L3");
    RegCloseKey(TreeMaker::CreateKey(level3, "L4"));
    RegCloseKey(TreeMaker::CreateKey(full, std::string(255, 'k')));
    const DWORD types[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD, 0x4F565241};
    const size_t sizes[] = {0, 1, 4095, 4096, 4097, 70000};
    for (DWORD type : types) {
        for (size_t size : sizes)
            maker.Value(level3, "t" + std::to_string(type) + "s" + std::to_string(size), type, size);
    }
    maker.Value(full, "", REG_SZ, 12);
    maker.Value(level2, std::string(1023, 'n'), REG_BINARY, 9);
    // (Not a string type: RegSetValueExA counts a missing terminator in, as
    // Windows does, which would make it 16,385 bytes.)
    maker.Value(values, "", REG_BINARY, 16384);
    RegCloseKey(level3);
    RegCloseKey(level2);
    RegCloseKey(full);
    RoundTrip({MakeRecord(HKEY_CURRENT_USER, kBase, "Full", ovra::kKindKey),
               MakeRecord(HKEY_CURRENT_USER, kBaseValues, "", ovra::kKindValue)},
              "full tree");
    RegDeleteValueA(values, "");
    delete_tree(HKEY_CURRENT_USER, (std::string(kBase) + "\\Full").c_str());

    // A key with 100 subkeys, each with values and a subkey of its own.
    HKEY wide = TreeMaker::CreateKey(base, "Wide");
    for (int i = 1; i <= 100; ++i)
        maker.Tree(wide, std::to_string(i), 2);
    RegCloseKey(wide);
    RoundTrip({MakeRecord(HKEY_CURRENT_USER, kBase, "Wide", ovra::kKindKey)}, "wide tree");
    delete_tree(HKEY_CURRENT_USER, (std::string(kBase) + "\\Wide").c_str());

    const int trees = 500;
    for (int round = 0; round < trees && !HasFatalFailure(); ++round) {
        const std::string name = "T" + std::to_string(round);
        maker.Tree(base, name, maker.Pick(3, 4));
        const std::string valueName = maker.Pick(0, 3) == 0 ? std::string() : maker.Name(1023, false);
        maker.Value(values, valueName, maker.Type(), maker.Size());
        RoundTrip({MakeRecord(HKEY_CURRENT_USER, kBase, name, ovra::kKindKey),
                   MakeRecord(HKEY_CURRENT_USER, kBaseValues, valueName, ovra::kKindValue)},
                  "seed " + std::to_string(seed) + " tree " + std::to_string(round));
        delete_tree(HKEY_CURRENT_USER, (std::string(kBase) + "\\" + name).c_str());
        RegDeleteValueA(values, valueName.c_str());
    }
    RegCloseKey(values);
    RegCloseKey(base);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("round trip: 2 large trees and %d random trees in %.1f s\n", trees, seconds);
}

// Value names up to the registry's longest (16,383 characters) and key names
// up to its longest (255) are saved and come back; a part of a tree that
// cannot be read fails the record instead of being left out.
TEST_F(BackupFormatTest, LongestNamesAreSavedAndUnreadablePartsFail)
{
    HKEY base = TreeMaker::CreateKey(HKEY_CURRENT_USER, kBase);
    HKEY tree = TreeMaker::CreateKey(base, "Long");
    HKEY deep = TreeMaker::CreateKey(tree, std::string(255, 'K'));
    const std::string names[] = {std::string(1024, 'a'), std::string(16383, 'b')};
    for (HKEY key : {tree, deep}) {
        for (const std::string& name : names)
            EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2));
    }
    RoundTrip({MakeRecord(HKEY_CURRENT_USER, kBase, "Long", ovra::kKindKey)}, "long names");
    RegCloseKey(deep);
    RegCloseKey(tree);
    // The round trip made these keys anew.
    tree = TreeMaker::CreateKey(base, "Long");
    deep = TreeMaker::CreateKey(tree, std::string(255, 'K'));

    ASSERT_TRUE(AddDanglingLink(deep, L"Dangling"));
    std::vector<ovra::JobResult> records{MakeRecord(HKEY_CURRENT_USER, kBase, "Long", ovra::kKindKey)};
    ovra::BackupManager manager;
    EXPECT_FALSE(manager.WriteBackup("AutomaticBackup001.backup2", records));
    RemoveDanglingLink(deep, L"Dangling");
    RegCloseKey(deep);
    RegCloseKey(tree);
    RegCloseKey(base);
}

// RegSetValueExA counts a zero byte just past string data in as a forgotten
// terminator; a restore must set exactly the saved bytes, terminated or not.
TEST_F(BackupFormatTest, StringsWithoutTerminatorComeBackAsSaved)
{
    HKEY base = TreeMaker::CreateKey(HKEY_CURRENT_USER, kBase);
    HKEY tree = TreeMaker::CreateKey(base, "Strings");
    HKEY values = TreeMaker::CreateKey(HKEY_CURRENT_USER, kBaseValues);
    const BYTE text[] = {'a', 'b', 'c', 'X'};
    for (DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ}) {
        const std::string name = std::to_string(type);
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(tree, name.c_str(), 0, type, text, 3));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(values, name.c_str(), 0, type, text, 3));
    }
    RegCloseKey(values);
    RegCloseKey(tree);
    RegCloseKey(base);
    for (int round = 0; round < 20; ++round)
        RoundTrip({MakeRecord(HKEY_CURRENT_USER, kBase, "Strings", ovra::kKindKey),
                   MakeRecord(HKEY_CURRENT_USER, kBaseValues, "1", ovra::kKindValue),
                   MakeRecord(HKEY_CURRENT_USER, kBaseValues, "2", ovra::kKindValue),
                   MakeRecord(HKEY_CURRENT_USER, kBaseValues, "7", ovra::kKindValue)},
                  "unterminated strings");
    verify_value(HKEY_CURRENT_USER, kBaseValues, "1", REG_SZ, "abc", 3);
}

TEST_F(BackupFormatTest, ValueRecordsHoldAtMost16384Bytes)
{
    const std::string big(16385, 'z');
    add_value(HKEY_CURRENT_USER, kBaseValues, "fits", REG_BINARY, big.data(), 16384);
    add_value(HKEY_CURRENT_USER, kBaseValues, "big", REG_BINARY, big.data(), 16385);
    std::vector<ovra::JobResult> records{MakeRecord(HKEY_CURRENT_USER, kBaseValues, "fits", ovra::kKindValue),
                                         MakeRecord(HKEY_CURRENT_USER, kBaseValues, "big", ovra::kKindValue)};
    std::vector<uint64_t> ends;
    CreateDirectoryA(BackupFolder().c_str(), nullptr);
    EXPECT_FALSE(WriteRecordsTo(BackupPath("limit"), records, &ends));
    // The second record's fields are there, its data block is not.
    const ovra::JobResult& r = records[1];
    const uint64_t fields = 4 + 5 * 5 + r.sKeyPath.size() + r.sName.size() + r.sSection.size() + r.sValue.size() +
                            r.sProblem.size() + 8;
    ASSERT_EQ(2u, ends.size());
    EXPECT_EQ(ends[0] + fields, ends[1]);

    std::vector<ovra::JobResult> back;
    ovra::BackupManager manager;
    ASSERT_TRUE(manager.ReadBackup("limit", back));
    ASSERT_EQ(1u, back.size());
    EXPECT_EQ("fits", back[0].sName);
}

// Writes the system refuses must fail the record: a handle open for reading
// only, and the always-full device (Z:\dev\full is Linux's /dev/full).
TEST_F(BackupFormatTest, RefusedWritesFailTheRecord)
{
    add_sz(HKEY_CURRENT_USER, kBaseValues, "v", "data");
    ovra::JobResult record = MakeRecord(HKEY_CURRENT_USER, kBaseValues, "v", ovra::kKindValue);
    ovra::BackupManager manager;

    CreateDirectoryA(BackupFolder().c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(BackupPath("readonly"), ""));
    HANDLE readOnly = OpenForRestore(BackupPath("readonly"));
    ASSERT_NE(INVALID_HANDLE_VALUE, readOnly);
    EXPECT_FALSE(manager.WriteRecord(readOnly, record));
    CloseHandle(readOnly);

    HANDLE full = CreateFileA("Z:\\dev\\full", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, full);
    EXPECT_FALSE(manager.WriteRecord(full, record));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), GetLastError());
    CloseHandle(full);
    verify_value(HKEY_CURRENT_USER, kBaseValues, "v", REG_SZ, "data", 5);
}

TEST_F(BackupFormatTest, LastRecordThenEndOfFile)
{
    add_sz(HKEY_CURRENT_USER, kBaseValues, "v", "data");
    std::vector<ovra::JobResult> records{MakeRecord(HKEY_CURRENT_USER, kBaseValues, "v", ovra::kKindValue)};
    CreateDirectoryA(BackupFolder().c_str(), nullptr);
    ASSERT_TRUE(WriteRecordsTo(BackupPath("one"), records));
    HANDLE file = OpenForRestore(BackupPath("one"));
    SetFilePointer(file, 4, nullptr, FILE_BEGIN);
    ovra::BackupManager manager;
    ovra::JobResult read;
    EXPECT_TRUE(manager.ReadRecord(file, read));
    EXPECT_TRUE(SameFields(records[0], read));
    ovra::JobResult untouched = MakeRecord(HKEY_LOCAL_MACHINE, "kept", "kept", 7);
    EXPECT_FALSE(manager.ReadRecord(file, untouched));
    EXPECT_EQ("kept", untouched.sKeyPath);
    CloseHandle(file);
}

} // namespace
