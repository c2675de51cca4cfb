// Damaged backup files: cut at every byte, changed at random, with absurd
// lengths, counts and sizes, and nested deeper than the registry allows. The
// reader returns the records before the damage and never crashes, hangs or
// takes more memory than the file holds; a restore fails the damaged record
// and never leaves part of it in the registry.
#include "backup/ovraExecutor.h"
#include "ovraBackupTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>

using namespace ovratest;

namespace {

const char kBase[] = "Software\\OvraBackupTest\\Damage";
const char kValues[] = "Software\\OvraBackupTest\\Damage\\Vals";
const char kTree[] = "Software\\OvraBackupTest\\Damage\\Tree";
const char kFile[] = "damaged.backup2";

void PutU32(std::string& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

uint32_t GetU32(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

class BackupDamageTest : public BackupFolderTest {
protected:
    void SetUp() override
    {
        BackupFolderTest::SetUp();
        delete_tree(HKEY_CURRENT_USER, "Software\\OvraBackupTest");
        add_sz(HKEY_CURRENT_USER, kValues, "a", "hello");
        const DWORD number = 0x01020304;
        add_value(HKEY_CURRENT_USER, kValues, "", REG_DWORD, &number, 4);
        const std::string binary(40, '\x5A');
        add_value(HKEY_CURRENT_USER, kValues, "bin", REG_BINARY, binary.data(), 40);
        add_sz(HKEY_CURRENT_USER, kTree, "", "default");
        add_expand_sz(HKEY_CURRENT_USER, kTree, "path", "%TEMP%\\x");
        add_value(HKEY_CURRENT_USER, (std::string(kTree) + "\\Sub1").c_str(), "b", REG_BINARY, binary.data(), 17);
        add_sz(HKEY_CURRENT_USER, (std::string(kTree) + "\\Sub1\\Deep").c_str(), "c", "deepest");
        add_key(HKEY_CURRENT_USER, (std::string(kTree) + "\\Sub2").c_str());
        m_tree = dump_tree(HKEY_CURRENT_USER, kTree);

        m_records = {MakeRecord(HKEY_CURRENT_USER, kValues, "a", ovra::kKindValue),
                     MakeRecord(HKEY_CURRENT_USER, kBase, "Tree", ovra::kKindKey),
                     MakeRecord(HKEY_CURRENT_USER, kValues, "", ovra::kKindValue),
                     MakeRecord(HKEY_CURRENT_USER, kBase, "gone", 7),
                     MakeRecord(HKEY_CURRENT_USER, kValues, "bin", ovra::kKindValue)};
        CreateDirectoryA(BackupFolder().c_str(), nullptr);
        ASSERT_TRUE(WriteRecordsTo(BackupPath(kFile), m_records, &m_ends));
        m_bytes = ReadBytes(BackupPath(kFile));
        ovra::BackupManager manager;
        ASSERT_TRUE(manager.ReadBackup(kFile, m_read));
        ASSERT_EQ(m_records.size(), m_read.size());
        m_values = {{"a", {}}, {"", {}}, {"bin", {}}};
        for (auto& value : m_values)
            value.second = ValueData(value.first);
    }

    void TearDown() override
    {
        delete_tree(HKEY_CURRENT_USER, "Software\\OvraBackupTest");
        BackupFolderTest::TearDown();
    }

    static std::string ValueData(const std::string& name)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kValues, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return "<no key>";
        char data[256];
        DWORD type = 0, size = sizeof(data);
        const LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? std::to_string(type) + ":" + std::string(data, size) : "<missing>";
    }

    // Leaves the saved entries deleted, their keys in place for a restore.
    static void ClearTargets()
    {
        delete_tree(HKEY_CURRENT_USER, kBase);
        add_key(HKEY_CURRENT_USER, kValues);
    }

    // Restores every record from `bytes` through the offsets of the whole
    // file: each intact record comes back whole, and a damaged one fails and
    // leaves nothing of itself in the registry.
    // A length beyond the bytes makes the file that long, sparse.
    void RestoreFrom(const std::string& bytes, const std::vector<bool>& intact, const std::string& where,
                     uint64_t length = 0)
    {
        ClearTargets();
        ASSERT_TRUE(WriteBytes(BackupPath(kFile), bytes));
        if (length > bytes.size()) {
            ASSERT_TRUE(Extend(BackupPath(kFile), length));
        }
        HANDLE file = OpenForRestore(BackupPath(kFile));
        ovra::BackupManager manager;
        ovra::Executor executor;
        const bool all = std::find(intact.begin(), intact.end(), false) == intact.end();
        EXPECT_EQ(all, executor.RestoreRecords(file, m_read, manager)) << where;
        CloseHandle(file);
        for (size_t i = 0; i < m_records.size(); ++i) {
            const ovra::JobResult& record = m_records[i];
            if (record.nKind == ovra::kKindKey) {
                EXPECT_EQ(intact[i] ? m_tree : "<missing>", dump_tree(HKEY_CURRENT_USER, kTree)) << where;
            } else if (record.nKind == ovra::kKindValue) {
                EXPECT_EQ(intact[i] ? m_values[record.sName] : "<missing>", ValueData(record.sName)) << where;
            }
        }
    }

    static bool Extend(const std::string& path, uint64_t length)
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(length);
        const bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
        CloseHandle(file);
        return ok;
    }

    std::vector<bool> AllBut(size_t damaged) const
    {
        std::vector<bool> intact(m_records.size(), true);
        intact[damaged] = false;
        return intact;
    }

    // Records wholly inside the first `length` bytes.
    size_t WholeRecords(size_t length) const
    {
        size_t whole = 0;
        while (whole < m_ends.size() && m_ends[whole] <= length)
            ++whole;
        return whole;
    }

    std::vector<ovra::JobResult> m_records;
    std::vector<ovra::JobResult> m_read;
    std::vector<uint64_t> m_ends;
    std::string m_bytes;
    std::string m_tree;
    std::map<std::string, std::string> m_values;
};

TEST_F(BackupDamageTest, CutAtEveryByte)
{
    ovra::BackupManager manager;
    for (size_t length = 0; length <= m_bytes.size(); ++length) {
        const std::string where = "cut at " + std::to_string(length);
        ASSERT_TRUE(WriteBytes(BackupPath(kFile), m_bytes.substr(0, length)));
        std::vector<ovra::JobResult> read;
        ASSERT_TRUE(manager.ReadBackup(kFile, read)) << where;
        const size_t whole = WholeRecords(length);
        ASSERT_EQ(whole, read.size()) << where;
        for (size_t i = 0; i < whole; ++i)
            EXPECT_TRUE(SameFields(m_records[i], read[i]) && read[i].nDataOffset == m_read[i].nDataOffset) << where;
        std::vector<bool> intact(m_records.size());
        for (size_t i = 0; i < intact.size(); ++i)
            intact[i] = m_ends[i] <= length;
        RestoreFrom(m_bytes.substr(0, length), intact, where);
        if (HasFailure())
            break;
    }
    std::printf("cut a %zu-byte backup of %zu records at each of its %zu offsets\n", m_bytes.size(),
                m_records.size(), m_bytes.size() + 1);
}

TEST_F(BackupDamageTest, RandomChanges)
{
    const uint32_t seed = SeedFromEnvironment();
    std::printf("random changes seed %u (set OVRA_SEED to repeat)\n", seed);
    std::mt19937 rng(seed);
    auto pick = [&rng](size_t low, size_t high) { return std::uniform_int_distribution<size_t>(low, high)(rng); };
    static const uint32_t kAbsurd[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 16384, 16385, 0x10000};

    ovra::BackupManager manager;
    ovra::Executor executor;
    const int tries = 3000;
    int allRead = 0, someRead = 0, noneRead = 0, restored = 0, refused = 0;
    for (int n = 0; n < tries && !HasFailure(); ++n) {
        std::string bytes = m_bytes;
        size_t first = bytes.size();
        const int changes = static_cast<int>(pick(1, 3));
        for (int c = 0; c < changes; ++c) {
            size_t at = pick(0, bytes.size() - 4);
            if (pick(0, 1))
                bytes[at] = static_cast<char>(pick(0, 255));
            else
                PutU32(bytes, at, kAbsurd[pick(0, 7)]);
            first = std::min(first, at);
        }
        if (pick(0, 4) == 0)
            bytes.resize(pick(first, bytes.size()));
        const std::string where = "seed " + std::to_string(seed) + " change " + std::to_string(n);

        ASSERT_TRUE(WriteBytes(BackupPath(kFile), bytes));
        std::vector<ovra::JobResult> read;
        ASSERT_TRUE(manager.ReadBackup(kFile, read)) << where;
        // Records before the first changed byte are read unchanged.
        const size_t whole = std::min(WholeRecords(first), static_cast<size_t>(GetU32(bytes, 0)));
        ASSERT_GE(read.size(), whole) << where;
        for (size_t i = 0; i < whole; ++i)
            EXPECT_TRUE(SameFields(m_records[i], read[i])) << where;
        (read.size() == m_records.size() ? allRead : read.empty() ? noneRead : someRead)++;

        // Restore what was read; only records aimed inside the test key, so a
        // changed path cannot write elsewhere in the prefix.
        ClearTargets();
        std::vector<ovra::JobResult> inside;
        for (const ovra::JobResult& record : read) {
            if (record.hRoot == 0x80000001u && record.sKeyPath.compare(0, sizeof(kBase) - 1, kBase) == 0)
                inside.push_back(record);
        }
        HANDLE file = OpenForRestore(BackupPath(kFile));
        (executor.RestoreRecords(file, inside, manager) ? restored : refused)++;
        CloseHandle(file);
    }
    std::printf("random changes: %d files, %d read whole, %d in part, %d not at all; restores %d succeeded, "
                "%d failed\n",
                tries, allRead, someRead, noneRead, restored, refused);
}

TEST_F(BackupDamageTest, AbsurdLengthsCountsAndSizes)
{
    const size_t valueBlock = static_cast<size_t>(m_read[0].nDataOffset);
    const size_t keyBlock = static_cast<size_t>(m_read[1].nDataOffset);
    const size_t keyCounts = keyBlock + 4 + GetU32(m_bytes, keyBlock);
    const size_t kNone = m_records.size();
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        size_t whole; // records read before the damage
        size_t damaged; // the record whose data block is hit
    };
    const Case cases[] = {
        {"count far beyond the records", 0, 0xFFFFFFFF, 5, kNone},
        {"count of 0", 0, 0, 0, kNone},
        {"unknown root", 4, 0x00000004, 0, kNone},
        {"string length of 4 GB", 8, 0xFFFFFFFF, 0, kNone},
        {"string length over 16384", 8, 16385, 0, kNone},
        {"string length of 0", 8, 0, 0, kNone},
        {"value size of 2 GB", valueBlock + 4, 0x7FFFFFFF, 0, 0},
        {"value size one past the file", valueBlock + 4, static_cast<uint32_t>(m_bytes.size()), 0, 0},
        {"key name length of 4 GB", keyBlock, 0xFFFFFFFF, 1, 1},
        {"value count of 4 billion", keyCounts, 0xFFFFFFFF, 1, 1},
        {"subkey count of 268 million", keyCounts + 4, 0x10000000, 1, 1},
        {"one subkey too many", keyCounts + 4, GetU32(m_bytes, keyCounts + 4) + 1, 1, 1},
    };
    ovra::BackupManager manager;
    for (const Case& c : cases) {
        std::string bytes = m_bytes;
        PutU32(bytes, c.at, c.value);
        ASSERT_TRUE(WriteBytes(BackupPath(kFile), bytes));
        std::vector<ovra::JobResult> read;
        ASSERT_TRUE(manager.ReadBackup(kFile, read)) << c.what;
        EXPECT_EQ(c.whole, read.size()) << c.what;
        // With the whole file's offsets, the damaged record fails and
        // nothing of it reaches the registry; records before it come back.
        if (c.damaged != kNone)
            RestoreFrom(bytes, AllBut(c.damaged), c.what);
    }
}

// A file past 4 GiB (sparse) leaves room for any 32-bit size, so only the
// cap on what the writer saves stops a value size of 0xFFFFFFFF: a value
// record's value or a value inside a saved tree. The reader refuses that
// record, and its restore writes nothing of it; a build that took size + 1 in
// 32 bits would have read 4 GiB into an empty buffer.
TEST_F(BackupDamageTest, HugeValueSizeInAFilePastFourGigabytes)
{
    const uint64_t length = (uint64_t{1} << 32) + 65536;
    const size_t valueSize = static_cast<size_t>(m_read[0].nDataOffset) + 4;
    const size_t keyBlock = static_cast<size_t>(m_read[1].nDataOffset);
    const size_t firstEntry = keyBlock + 4 + GetU32(m_bytes, keyBlock) + 8;
    const size_t entrySize = firstEntry + 4 + GetU32(m_bytes, firstEntry) + 4;
    const struct {
        const char* what;
        size_t at;
        size_t whole;
        size_t damaged;
    } cases[] = {{"value record", valueSize, 0, 0}, {"value in a saved tree", entrySize, 1, 1}};
    ovra::BackupManager manager;
    for (const auto& c : cases) {
        std::string bytes = m_bytes;
        PutU32(bytes, c.at, 0xFFFFFFFFu);
        RestoreFrom(bytes, AllBut(c.damaged), c.what, length);
        LARGE_INTEGER size = {};
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        ASSERT_TRUE(GetFileAttributesExA(BackupPath(kFile).c_str(), GetFileExInfoStandard, &data));
        size.LowPart = data.nFileSizeLow;
        size.HighPart = static_cast<LONG>(data.nFileSizeHigh);
        ASSERT_EQ(length, static_cast<uint64_t>(size.QuadPart)) << c.what;
        std::vector<ovra::JobResult> read;
        ASSERT_TRUE(manager.ReadBackup(kFile, read)) << c.what;
        EXPECT_EQ(c.whole, read.size()) << c.what;
    }
}

// A single key record whose tree nests `levels` deep: each level a key named
// "n" with no values and one subkey, the last with none.
std::string NestedBackup(int levels)
{
    std::string bytes(4, '\0');
    PutU32(bytes, 0, 1);
    auto u32 = [&bytes](uint32_t value) {
        bytes.append(4, '\0');
        PutU32(bytes, bytes.size() - 4, value);
    };
    auto text = [&](const char* s) {
        u32(static_cast<uint32_t>(std::strlen(s) + 1));
        bytes.append(s, std::strlen(s) + 1);
    };
    u32(0x80000001);
    text(kBase);
    text("n");
    text("");
    text("");
    text("");
    u32(1);
    u32(ovra::kKindKey);
    for (int level = 1; level <= levels; ++level) {
        text("n");
        u32(0);
        u32(level < levels ? 1 : 0);
    }
    return bytes;
}

TEST_F(BackupDamageTest, NestingBeyondTheRegistryLimit)
{
    ovra::BackupManager manager;
    for (int levels : {512, 513, 200000}) {
        ASSERT_TRUE(WriteBytes(BackupPath(kFile), NestedBackup(levels)));
        std::vector<ovra::JobResult> read;
        ASSERT_TRUE(manager.ReadBackup(kFile, read));
        EXPECT_EQ(levels <= 512 ? 1u : 0u, read.size()) << levels << " levels";
    }
    // Restoring the too-deep tree checks it first and creates nothing.
    ASSERT_TRUE(WriteBytes(BackupPath(kFile), NestedBackup(513)));
    ovra::JobResult record = MakeRecord(HKEY_CURRENT_USER, kBase, "n", ovra::kKindKey);
    record.nDataOffset = static_cast<int32_t>(4 + 4 + (4 + sizeof(kBase)) + (4 + 2) + 3 * (4 + 1) + 8);
    HANDLE file = OpenForRestore(BackupPath(kFile));
    EXPECT_FALSE(manager.RestoreRegistryKey(file, record));
    CloseHandle(file);
    verify_key_missing(HKEY_CURRENT_USER, (std::string(kBase) + "\\n").c_str());
}

} // namespace
