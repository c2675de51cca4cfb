// A backup written by one build restores with the other, byte for byte: the
// x86 and the x64 program write the same file for the same registry data and
// each puts the other's file back exactly, also for entries in the 32-bit
// twins of the checked keys, and a scan of one registry gives both the same
// records. The other build's half runs as its own process (ovra_peer_backup
// from the tree beside this one).
#include "ovraBackupTestFiles.h"
#include "ovraTestProgram.h"
#include "ovraTestRecords.h"
#include "peer/ovraPeerBackup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace ovratest;

namespace {

std::string Folder(const std::string& path)
{
    return path.substr(0, path.rfind('\\') + 1);
}

bool Is64BitWindows()
{
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

class PeerBackup : public BackupFolderTest {
protected:
    void SetUp() override
    {
        BackupFolderTest::SetUp();
        delete_tree(HKEY_CURRENT_USER, ovrapeer::kBase);
        // build\x64\tests\ and build\x86\tests\ lie side by side.
        const std::string tree = Folder(ProgramPath());
        const std::string build = Folder(tree.substr(0, tree.size() - 1));
        peerTests = build + (sizeof(void*) == 8 ? "x86\\tests\\" : "x64\\tests\\");
        peerBackups = peerTests + "backups\\";
        RemovePeerFolder();
    }
    void TearDown() override
    {
        RemovePeerFolder();
        delete_tree(HKEY_CURRENT_USER, ovrapeer::kBase);
        BackupFolderTest::TearDown();
    }
    void RemovePeerFolder()
    {
        if (GetFileAttributesA(peerBackups.c_str()) != INVALID_FILE_ATTRIBUTES)
            remove_dir_tree(peerBackups.c_str());
    }

    // Why the other build cannot run here, or "" when it can.
    std::string PeerRefusal() const
    {
        if (GetFileAttributesA((peerTests + "ovra_peer_backup.exe").c_str()) == INVALID_FILE_ATTRIBUTES)
            return "the other build is not at " + peerTests;
        if (sizeof(void*) == 4 && !Is64BitWindows())
            return "a 64-bit program cannot run on 32-bit Windows";
        // The test bed asked the host by running its 32-bit loader.
        const char* i386 = std::getenv("OVRA_HOST_RUNS_I386");
        if (sizeof(void*) == 8 && i386 && std::string(i386) == "0")
            return "this host cannot execute 32-bit code";
        return "";
    }

    DWORD RunPeer(const char* verb, const char* name) const
    {
        std::string command = "\"" + peerTests + "ovra_peer_backup.exe\" " + verb + " " + name;
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, peerTests.c_str(), &si, &pi))
            return GetLastError() | 0x80000000u;
        DWORD code = 0x80000000u;
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return code;
    }

    std::string peerTests, peerBackups;
};

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunTwin[] = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kClass[] = "CLSID\\{ovra_peer_twin}";
const char kClassTwin[] = "Wow6432Node\\CLSID\\{ovra_peer_twin}";
const char kMarker[] = "ovra_peer";

// Reads a value in one view (KEY_WOW64_32KEY or KEY_WOW64_64KEY), as a
// program of that width sees it.
std::string ValueIn(REGSAM view, HKEY root, const char* path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return "<no key>";
    char data[512];
    DWORD type = 0, size = sizeof(data);
    const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::to_string(type) + ":" + std::string(data, size) : "<missing>";
}

void WriteIn(REGSAM view, HKEY root, const char* path, const char* name, const char* text)
{
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr)) << path;
    EXPECT_EQ(0, RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                static_cast<DWORD>(std::strlen(text) + 1)));
    RegCloseKey(key);
}

// Dead entries as 32-bit installers leave them (the Run twin and the CLSID
// twin, written through the 32-bit view) and one in the 64-bit Run key.
class TwinBackup : public PeerBackup {
protected:
    void SetUp() override
    {
        PeerBackup::SetUp();
        if (!Is64BitWindows())
            return;
        Clean();
        WriteIn(KEY_WOW64_32KEY, HKEY_LOCAL_MACHINE, kRun, "ovra_peer 32", "C:\\ovra_peer_gone\\run32.exe");
        WriteIn(KEY_WOW64_64KEY, HKEY_LOCAL_MACHINE, kRun, "ovra_peer 64", "C:\\ovra_peer_gone\\run64.exe");
        const std::string server = std::string(kClass) + "\\InprocServer32";
        WriteIn(KEY_WOW64_32KEY, HKEY_CLASSES_ROOT, server.c_str(), nullptr, "C:\\ovra_peer_gone\\twin.dll");
        WriteIn(KEY_WOW64_32KEY, HKEY_CLASSES_ROOT, server.c_str(), "ThreadingModel", "Both");
        m_seeded = Seeded();
    }
    void TearDown() override
    {
        if (Is64BitWindows())
            Clean();
        PeerBackup::TearDown();
    }
    static void Clean()
    {
        HKEY key = nullptr;
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun, 0, KEY_SET_VALUE | view, &key) == ERROR_SUCCESS) {
                RegDeleteValueA(key, "ovra_peer 32");
                RegDeleteValueA(key, "ovra_peer 64");
                RegCloseKey(key);
            }
        }
        delete_tree(HKEY_CLASSES_ROOT, kClassTwin);
        delete_tree(HKEY_CLASSES_ROOT, kClass);
    }
    // Each entry as the program of its own width sees it, and what the
    // other view holds under the same name.
    static std::string Seeded()
    {
        const std::string server = std::string(kClass) + "\\InprocServer32";
        return ValueIn(KEY_WOW64_32KEY, HKEY_LOCAL_MACHINE, kRun, "ovra_peer 32") + " | " +
               ValueIn(KEY_WOW64_64KEY, HKEY_LOCAL_MACHINE, kRun, "ovra_peer 64") + " | " +
               ValueIn(KEY_WOW64_32KEY, HKEY_CLASSES_ROOT, server.c_str(), nullptr) + " | " +
               ValueIn(KEY_WOW64_32KEY, HKEY_CLASSES_ROOT, server.c_str(), "ThreadingModel") + " | 64-bit run: " +
               ValueIn(KEY_WOW64_64KEY, HKEY_LOCAL_MACHINE, kRun, "ovra_peer 32") + " | 32-bit run: " +
               ValueIn(KEY_WOW64_32KEY, HKEY_LOCAL_MACHINE, kRun, "ovra_peer 64") + " | 64-bit class: " +
               ValueIn(KEY_WOW64_64KEY, HKEY_CLASSES_ROOT, server.c_str(), nullptr);
    }
    std::string Skip() const
    {
        if (!Is64BitWindows())
            return "32-bit Windows has no 32-bit twins";
        return PeerRefusal();
    }

    std::string m_seeded;
};

} // namespace

TEST_F(PeerBackup, EachBuildRestoresTheOthersBackupByteForByte)
{
    const std::string refusal = PeerRefusal();
    if (!refusal.empty())
        GTEST_SKIP() << "the other build cannot run here: " << refusal;
    ASSERT_TRUE(ovrapeer::Seed());
    const std::string seeded = dump_tree(HKEY_CURRENT_USER, ovrapeer::kBase);

    // Written here, restored there.
    ASSERT_TRUE(ovrapeer::Write("Mine.backup2"));
    const std::string mine = ReadBytes(BackupPath("Mine.backup2"));
    ASSERT_FALSE(mine.empty());
    std::vector<ovra::JobResult> records = ovrapeer::Records();
    ASSERT_TRUE(ovra::Executor().DeleteRecords(records));
    verify_value_missing(HKEY_CURRENT_USER, ovrapeer::kBase, "v");
    create_dir(peerBackups.c_str());
    ASSERT_TRUE(WriteBytes(peerBackups + "Mine.backup2", mine));
    EXPECT_EQ(RunPeer("restore", "Mine.backup2"), 0u);
    EXPECT_EQ(dump_tree(HKEY_CURRENT_USER, ovrapeer::kBase), seeded);

    // Written there: the very same bytes, and restored here.
    EXPECT_EQ(RunPeer("write", "Theirs.backup2"), 0u);
    const std::string theirs = ReadBytes(peerBackups + "Theirs.backup2");
    EXPECT_EQ(theirs, mine);
    ASSERT_TRUE(ovra::Executor().DeleteRecords(records));
    ASSERT_TRUE(WriteBytes(BackupPath("Theirs.backup2"), theirs));
    EXPECT_TRUE(ovrapeer::Restore("Theirs.backup2"));
    EXPECT_EQ(dump_tree(HKEY_CURRENT_USER, ovrapeer::kBase), seeded);
}

// Both twins are found by either build under their native names, and a
// backup of them written by one build is put back by the other into the
// 32-bit keys they came from, never into the 64-bit ones; in both directions.
TEST_F(TwinBackup, EachBuildRestoresTheOthersTwinsIntoTheirOwnKeys)
{
    const std::string refusal = Skip();
    if (!refusal.empty())
        GTEST_SKIP() << refusal;
    std::vector<std::string> places;
    for (const ovra::JobResult& record : ovrapeer::Scan(kMarker))
        places.push_back(record.sKeyPath + " [" + record.sName + "]");
    std::sort(places.begin(), places.end());
    // Where the prefix keeps the 32-bit class, read in native terms.
    const bool classApart = ValueIn(KEY_WOW64_64KEY, HKEY_CLASSES_ROOT, kClassTwin, nullptr) != "<no key>";
    std::vector<std::string> expected{std::string(kRun) + " [ovra_peer 64]", std::string(kRunTwin) + " [ovra_peer 32]",
                                      std::string(classApart ? "Wow6432Node\\" : "") + "CLSID [{ovra_peer_twin}]"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, places);
    std::printf("the CLSID twin is %s\n", classApart ? "a key of its own" : "one key with the 64-bit one");

    const std::string removed = "<missing> | <missing> | <no key> | <no key> | 64-bit run: <missing> | "
                                "32-bit run: <missing> | 64-bit class: <no key>";
    // Written and deleted here, restored there.
    ASSERT_TRUE(ovrapeer::ScanAndWrite("Mine.backup2", kMarker, true));
    EXPECT_EQ(removed, Seeded());
    create_dir(peerBackups.c_str());
    ASSERT_TRUE(WriteBytes(peerBackups + "Mine.backup2", ReadBytes(BackupPath("Mine.backup2"))));
    EXPECT_EQ(RunPeer("restore", "Mine.backup2"), 0u);
    EXPECT_EQ(m_seeded, Seeded());

    // Written and deleted there, restored here.
    EXPECT_EQ(RunPeer("repair", "Theirs.backup2 ovra_peer"), 0u);
    EXPECT_EQ(removed, Seeded());
    ASSERT_TRUE(WriteBytes(BackupPath("Theirs.backup2"), ReadBytes(peerBackups + "Theirs.backup2")));
    EXPECT_TRUE(ovrapeer::Restore("Theirs.backup2"));
    EXPECT_EQ(m_seeded, Seeded());
}

// One registry, both builds scanning all of it: the same records, and the
// backups of them are the same bytes.
TEST_F(TwinBackup, BothBuildsFindTheSameRecordsAndWriteTheSameBackup)
{
    const std::string refusal = Skip();
    if (!refusal.empty())
        GTEST_SKIP() << refusal;
    ASSERT_TRUE(ovrapeer::ScanAndWrite("Mine.backup2", nullptr, false));
    ASSERT_EQ(RunPeer("scan", "Theirs.backup2"), 0u);
    ovra::BackupManager manager;
    std::vector<ovra::JobResult> mine, theirs;
    ASSERT_TRUE(manager.ReadBackup("Mine.backup2", mine));
    ASSERT_TRUE(WriteBytes(BackupPath("Theirs.backup2"), ReadBytes(peerBackups + "Theirs.backup2")));
    ASSERT_TRUE(manager.ReadBackup("Theirs.backup2", theirs));
    EXPECT_EQ(RecordTexts(mine), RecordTexts(theirs));
    EXPECT_GE(mine.size(), 3u);
    const std::string mineBytes = ReadBytes(BackupPath("Mine.backup2"));
    const std::string theirBytes = ReadBytes(BackupPath("Theirs.backup2"));
    EXPECT_TRUE(mineBytes == theirBytes) << "the backups differ: " << mineBytes.size() << " and " << theirBytes.size()
                                         << " bytes";
    std::printf("%u records, %u bytes, from both builds\n", static_cast<unsigned>(mine.size()),
                static_cast<unsigned>(mineBytes.size()));
}
