// The shared DLL check against the prefix's real registry and drives.
#include "checks/ovraSharedProgsJob.h"
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

using namespace ovratest;

namespace {

const char kKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kDir[] = "C:\\ovra_checks_test";
const int kJobId = 6;

void AddShared(const std::string& path)
{
    const DWORD uses = 1;
    add_value(HKEY_LOCAL_MACHINE, kKey, path.c_str(), REG_DWORD, &uses, sizeof(uses));
}

std::string Dead(const std::string& path)
{
    return RecordText(ScanRecord(HKEY_LOCAL_MACHINE, kKey, path, "Value is invalid", kKey, path, kJobId, 0));
}

class SharedProgs : public testing::Test {
protected:
    void SetUp() override
    {
        delete_tree(HKEY_LOCAL_MACHINE, kKey);
        create_dir(kDir);
        create_file("C:\\ovra_checks_test\\present.dll", "x");
        job.m_nId = kJobId;
    }
    void TearDown() override
    {
        delete_tree(HKEY_LOCAL_MACHINE, kKey);
        remove_dir_tree(kDir);
    }
    ovra::SharedProgsJob job;
};

} // namespace

TEST_F(SharedProgs, MissingOrEmptyKeyFindsNothing)
{
    EXPECT_TRUE(RunJob(job).empty());
    add_key(HKEY_LOCAL_MACHINE, kKey);
    EXPECT_TRUE(RunJob(job).empty());
}

TEST_F(SharedProgs, EachMissingFileOnAFixedDriveIsOneRecordInEnumerationOrder)
{
    // The registry enumerates values sorted by name.
    AddShared("C:\\ovra_checks_test\\a_gone.dll");
    AddShared("C:\\ovra_checks_test\\present.dll");
    AddShared("C:\\ovra_checks_test");
    AddShared("c:\\ovra_checks_test\\b_gone.dll");
    AddShared("C:\\ovra_no_such_folder\\c_gone.dll");
    EXPECT_EQ(RecordTexts(RunJob(job)),
              (std::vector<std::string>{Dead("C:\\ovra_checks_test\\a_gone.dll"),
                                        Dead("c:\\ovra_checks_test\\b_gone.dll"),
                                        Dead("C:\\ovra_no_such_folder\\c_gone.dll")}));
}

TEST_F(SharedProgs, OtherDrivesUncQuotedAndBareNamesAreNeverJudged)
{
    OtherPlaces places(".dll");
    for (const auto* list : {&places.paths, &places.quoted, &places.bare})
        for (const auto& text : *list)
            AddShared(text);
    EXPECT_TRUE(RunJob(job).empty());
}

TEST_F(SharedProgs, NamesThatDoNotFitAreSkippedAndTheWalkGoesOn)
{
    const std::string tooLong = "C:\\ovra_checks_test\\" + std::string(2048 - 20, 'x');
    ASSERT_EQ(tooLong.size(), 2048u);
    AddShared(tooLong);
    AddShared("C:\\ovra_checks_test\\y_gone.dll");
    EXPECT_EQ(RecordTexts(RunJob(job)), std::vector<std::string>{Dead("C:\\ovra_checks_test\\y_gone.dll")});
}

TEST_F(SharedProgs, CancelDoesNotShortenTheWalk)
{
    AddShared("C:\\ovra_checks_test\\a_gone.dll");
    AddShared("C:\\ovra_checks_test\\b_gone.dll");
    EXPECT_EQ(RunJob(job, true).size(), 2u);
}
