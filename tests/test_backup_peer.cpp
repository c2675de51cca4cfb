// A backup written by one build restores with the other, byte for byte: the
// x86 and the x64 program write the same file for the same registry data and
// each puts the other's file back exactly. The other build's half runs as
// its own process (ovra_peer_backup from the tree beside this one).
#include "ovraBackupTestFiles.h"
#include "ovraTestProgram.h"
#include "peer/ovraPeerBackup.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
