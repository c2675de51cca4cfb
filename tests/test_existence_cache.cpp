// Answers about files reused within one scan, and only there: inside a scope
// the file system is asked once per path; outside every scope, and in every
// new scan, it is asked again.
#include "platform/ovraExistenceCache.h"
#include "platform/ovraFileUtils.h"
#include "platform/ovraProgramSearch.h"
#include "ovraTestRegistry.h"
#include "ovraTestWindow.h"
#include "scan/ovraJobEnumerator.h"
#include "ui/ovraCommandIds.h"
#include "ui/ovraProgressPage.h"

#include <gtest/gtest.h>

#include <string>

using ovra::ExistenceCache;
using ovra::FileUtils;

namespace {

const char kDir[] = "C:\\ovra_cache";
const char kFile[] = "C:\\ovra_cache\\server.dll";
const char kLate[] = "C:\\ovra_cache\\late.dll";

class Existence : public testing::Test {
protected:
    void SetUp() override
    {
        create_dir(kDir);
        create_file(kFile, "MZ");
    }
    void TearDown() override { remove_dir_tree(kDir); }
};

DWORD WINAPI ActiveOnThisThread(void* answer)
{
    *static_cast<bool*>(answer) = ExistenceCache::Active() != nullptr;
    return 0;
}

} // namespace

TEST_F(Existence, OutsideAScopeEveryQuestionGoesToTheFileSystem)
{
    EXPECT_EQ(ExistenceCache::Active(), nullptr);
    EXPECT_TRUE(FileUtils::FileExits(kFile));
    delete_file(kFile);
    EXPECT_FALSE(FileUtils::FileExits(kFile));
    create_file(kFile, "MZ");
    EXPECT_TRUE(FileUtils::FileExits(kFile));
}

TEST_F(Existence, AScopeIsActiveOnlyOnItsThreadAndOnlyWhileItLasts)
{
    {
        ExistenceCache::Scope outer;
        EXPECT_EQ(ExistenceCache::Active(), &outer.Get());
        bool otherThreadSees = true;
        HANDLE thread = CreateThread(nullptr, 0, &ActiveOnThisThread, &otherThreadSees, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        EXPECT_FALSE(otherThreadSees);
        {
            ExistenceCache::Scope inner;
            EXPECT_EQ(ExistenceCache::Active(), &inner.Get());
        }
        EXPECT_EQ(ExistenceCache::Active(), &outer.Get());
    }
    EXPECT_EQ(ExistenceCache::Active(), nullptr);
}

TEST_F(Existence, WithinAScopeEachPathIsLookedAtOnce)
{
    ExistenceCache::Scope scope;
    EXPECT_TRUE(FileUtils::FileExits(kFile));
    EXPECT_FALSE(FileUtils::FileExits(kLate));
    EXPECT_EQ(scope.Get().Misses(), 2u);

    // Changes made meanwhile do not reach this scan: its answers stay the
    // ones it started with, so every entry naming a path is judged alike.
    delete_file(kFile);
    create_file(kLate, "MZ");
    EXPECT_TRUE(FileUtils::FileExits(kFile));
    EXPECT_FALSE(FileUtils::FileExits(kLate));
    EXPECT_EQ(scope.Get().Hits(), 2u);
}

TEST_F(Existence, AFoundFileIsFoundUnderAnyCaseOfItsName)
{
    ExistenceCache::Scope scope;
    EXPECT_TRUE(FileUtils::FileExits(kFile));
    delete_file(kFile); // only the reused answer can find it now
    EXPECT_TRUE(FileUtils::FileExits("c:\\OVRA_CACHE\\Server.DLL"));
    EXPECT_EQ(scope.Get().Hits(), 1u);
}

TEST_F(Existence, AMissingAnswerIsReusedOnlyForTheSameSpelling)
{
    ExistenceCache::Scope scope;
    EXPECT_FALSE(FileUtils::FileExits(kLate));
    create_file(kLate, "MZ");
    EXPECT_FALSE(FileUtils::FileExits(kLate));
    // Another spelling is looked up afresh: a live file is never called
    // missing on the strength of an answer given for a different name.
    EXPECT_TRUE(FileUtils::FileExits("C:\\OVRA_CACHE\\LATE.DLL"));
    // From then on the file is known to exist under every spelling.
    EXPECT_TRUE(FileUtils::FileExits(kLate));
}

TEST_F(Existence, DriveTypesAndFolderlessPathsStayCorrectInsideAScope)
{
    ExistenceCache::Scope scope;
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(FileUtils::IsFullPath("C:\\x.dll"));
        EXPECT_TRUE(FileUtils::IsFullPath("c:\\x.dll"));
        EXPECT_FALSE(FileUtils::IsFullPath("R:\\x.dll"));
        EXPECT_FALSE(FileUtils::IsFullPath("N:\\x.dll"));
        EXPECT_FALSE(FileUtils::IsFullPath("Q:\\x.dll"));
        EXPECT_FALSE(FileUtils::FileExits("C:\\ovra_cache_gone\\x.dll"));
        EXPECT_TRUE(FileUtils::FileExits(kDir));
    }
}

TEST_F(Existence, AnAnswerKeepsWhetherThePathIsAFolder)
{
    ExistenceCache::Scope scope;
    ASSERT_TRUE(FileUtils::FileExits(kDir));
    ASSERT_TRUE(FileUtils::FileExits(kFile));
    // The same answers, reused: a folder is still no program, a file is.
    // Only the ".exe" that Windows would try after the folder's name is new.
    EXPECT_FALSE(ovra::ProgramSearch::FindsProgram(kDir, false));
    EXPECT_TRUE(ovra::ProgramSearch::FindsProgram(kDir, true));
    EXPECT_TRUE(ovra::ProgramSearch::FindsProgram(kFile, false));
    EXPECT_EQ(scope.Get().Misses(), 3u);
}

// The benchmark's floor keeps drive types only: each path is asked afresh.
TEST_F(Existence, AScopeKeepingDriveTypesOnlyAsksForEveryPathAgain)
{
    ExistenceCache::Scope scope(false);
    EXPECT_TRUE(FileUtils::FileExits(kFile));
    delete_file(kFile);
    EXPECT_FALSE(FileUtils::FileExits(kFile));
    EXPECT_EQ(scope.Get().Hits(), 0u);
    unsigned type = 0;
    EXPECT_TRUE(FileUtils::IsFullPath("C:\\x.dll"));
    EXPECT_TRUE(scope.Get().FindDriveType('c', type));
    EXPECT_EQ(type, static_cast<unsigned>(DRIVE_FIXED));
}

namespace {

const char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kClassA[] = "{0BCA0001-0000-4000-8000-00000000CAC1}";
const char kClassB[] = "{0BCA0002-0000-4000-8000-00000000CAC1}";

// Runs the real catalogue as the program does: worker thread, end notice.
class ScanCache : public Existence {
protected:
    void SetUp() override
    {
        Existence::SetUp();
        add_value(HKEY_LOCAL_MACHINE, kSharedDlls, kFile, REG_DWORD, "\1\0\0\0", 4);
        for (const char* id : {kClassA, kClassB})
            add_sz(HKEY_CLASSES_ROOT, ("CLSID\\" + std::string(id) + "\\InprocServer32").c_str(), nullptr,
                   id == kClassA ? kFile : "C:\\OVRA_CACHE\\SERVER.DLL");
        page.Create(window.Get());
    }
    void TearDown() override
    {
        delete_value(HKEY_LOCAL_MACHINE, kSharedDlls, kFile);
        delete_tree(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClassA).c_str());
        delete_tree(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClassB).c_str());
        Existence::TearDown();
    }

    // Names of the records of this test's entries, in the order found.
    std::string Scan()
    {
        window.commands.clear();
        page.OnEnter();
        page.OnRun();
        EXPECT_TRUE(ovratest::PumpUntil([&] { return !window.commands.empty(); }, 120000));
        page.OnExit();
        EXPECT_EQ(window.commands, std::vector<unsigned int>{ovra::IDC_SCAN_DONE});
        std::string found;
        for (const ovra::JobResult& r : page.m_run.m_results)
            if (r.sName == kFile || r.sName == kClassA || r.sName == kClassB)
                found += r.sName + ";";
        return found;
    }

    ovra::JobEnumerator catalogue;
    ovratest::CommandWindow window;
    ovra::ProgressPage page;
};

} // namespace

TEST_F(ScanCache, EachScanSeesTheFilesAsTheyAreWhenItRuns)
{
    EXPECT_EQ(Scan(), "");
    EXPECT_EQ(ExistenceCache::Active(), nullptr);

    // Deleted between scans: the next scan reports every entry naming it,
    // under either spelling.
    delete_file(kFile);
    EXPECT_EQ(Scan(), std::string(kClassA) + ";" + kClassB + ";" + kFile + ";");

    // Put back: the scan after that reports nothing again.
    create_file(kFile, "MZ");
    EXPECT_EQ(Scan(), "");
}
