// Path tests against the prefix's real drives: C: is fixed, R: removable,
// S: a CD-ROM, N: a network drive (set up by the test bed).
#include "platform/ovraFileUtils.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

using ovra::FileUtils;

namespace {
const char kDir[] = "C:\\ovra_paths";
const char kFile[] = "C:\\ovra_paths\\present.dll";
} // namespace

class Paths : public testing::Test {
protected:
    void SetUp() override
    {
        create_dir(kDir);
        create_file(kFile, "x");
    }
    void TearDown() override { remove_dir_tree(kDir); }
};

TEST_F(Paths, DriveTypesAreWhatTheTestBedSetUp)
{
    EXPECT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeA("R:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    EXPECT_EQ(GetDriveTypeA("S:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_REMOTE));
}

TEST_F(Paths, OnlyFixedDriveFullPathsAreFullPaths)
{
    EXPECT_TRUE(FileUtils::IsFullPath("C:\\x.dll"));
    EXPECT_TRUE(FileUtils::IsFullPath("c:\\gone\\x.dll"));
    EXPECT_TRUE(FileUtils::IsFullPath("C:\\"));
    EXPECT_FALSE(FileUtils::IsFullPath("R:\\x.dll"));
    EXPECT_FALSE(FileUtils::IsFullPath("S:\\x.dll"));
    EXPECT_FALSE(FileUtils::IsFullPath("N:\\x.dll"));
    EXPECT_FALSE(FileUtils::IsFullPath("Q:\\x.dll")); // no such drive
    EXPECT_FALSE(FileUtils::IsFullPath("\\\\server\\share\\x.dll"));
    EXPECT_FALSE(FileUtils::IsFullPath("x.dll"));
    EXPECT_FALSE(FileUtils::IsFullPath("C:x.dll"));
    EXPECT_FALSE(FileUtils::IsFullPath("C:/x.dll"));
    EXPECT_FALSE(FileUtils::IsFullPath("\"C:\\x.dll\""));
    EXPECT_FALSE(FileUtils::IsFullPath("C:"));
    EXPECT_FALSE(FileUtils::IsFullPath(""));
    EXPECT_FALSE(FileUtils::IsFullPath(nullptr));
    EXPECT_FALSE(FileUtils::IsFullPath("1:\\x"));
}

TEST_F(Paths, ExistenceOfFilesAndFolders)
{
    EXPECT_TRUE(FileUtils::FileExits(kFile));
    EXPECT_TRUE(FileUtils::FileExits("c:\\OVRA_PATHS\\PRESENT.DLL"));
    EXPECT_TRUE(FileUtils::FileExits(kDir)); // a folder counts as existing
    EXPECT_TRUE(FileUtils::FileExits("C:\\ovra_paths\\"));
    EXPECT_FALSE(FileUtils::FileExits("C:\\ovra_paths\\gone.dll"));
    EXPECT_FALSE(FileUtils::FileExits("C:\\ovra_gone_folder\\gone.dll"));
    EXPECT_FALSE(FileUtils::FileExits("C:\\ovra_paths\\bad|name.dll"));
}

TEST_F(Paths, ShortAndBareNamesGoThroughTheSearchPath)
{
    EXPECT_TRUE(FileUtils::FileExits("kernel32.dll"));
    EXPECT_TRUE(FileUtils::FileExits("notepad.exe"));
    EXPECT_FALSE(FileUtils::FileExits("ovra_no_such_program.exe"));
}

TEST_F(Paths, AFileThatCannotBeLookedAtIsNotMissing)
{
    // Errors other than "not found" or "invalid name" must never turn a live
    // entry into a dead one.
    EXPECT_FALSE(FileUtils::IsMissingError(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(FileUtils::IsMissingError(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(FileUtils::IsMissingError(ERROR_NOT_READY));
    EXPECT_TRUE(FileUtils::IsMissingError(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(FileUtils::IsMissingError(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(FileUtils::IsMissingError(ERROR_INVALID_NAME));

    // A file held open without sharing is still there.
    HANDLE locked = CreateFileA(kFile, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FileUtils::FileExits(kFile));
    CloseHandle(locked);
}
