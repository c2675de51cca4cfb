// The help files check against the prefix's real registry and drives.
#include "checks/ovraHelpresJob.h"
#include "checks/ovraRegWalk.h"
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

using namespace ovratest;

namespace {

const char kHelp[] = "SOFTWARE\\Microsoft\\Windows\\Help";
const char kHtmlHelp[] = "SOFTWARE\\Microsoft\\Windows\\HTML Help";
const char kDir[] = "C:\\ovra_checks_test";
const int kJobId = 5;
const char kSounds[] = "AppEvents\\Schemes\\Apps\\OvraApp";
const int kSoundPrograms = 6;

std::string Dead(const std::string& key, const std::string& name, const std::string& folder)
{
    return RecordText(ScanRecord(HKEY_LOCAL_MACHINE, key, name, "Help file " + name + " doesn't exist",
                                 "HKEY_LOCAL_MACHINE\\" + key, name + " = " + folder, kJobId, 0));
}

class Helpres : public testing::Test {
protected:
    void SetUp() override
    {
        TearDown();
        create_dir(kDir);
        create_file("C:\\ovra_checks_test\\present.hlp", "x");
        job.m_nId = kJobId;
    }
    void TearDown() override
    {
        delete_tree(HKEY_LOCAL_MACHINE, kHelp);
        delete_tree(HKEY_LOCAL_MACHINE, kHtmlHelp);
        for (int program = 0; program < kSoundPrograms; ++program)
            delete_tree(HKEY_CURRENT_USER, (kSounds + std::to_string(program)).c_str());
        remove_dir_tree(kDir);
    }
    void Add(const char* key, const std::string& name, const std::string& folder)
    {
        add_sz(HKEY_LOCAL_MACHINE, key, name.c_str(), folder.c_str());
    }
    ovra::HelpresJob job;
};

} // namespace

TEST_F(Helpres, MissingOrEmptyKeysFindNothing)
{
    EXPECT_TRUE(RunJob(job).empty());
    add_key(HKEY_LOCAL_MACHINE, kHelp);
    add_key(HKEY_LOCAL_MACHINE, kHtmlHelp);
    EXPECT_TRUE(RunJob(job).empty());
}

TEST_F(Helpres, MissingFilesOfBothKeysAreReportedWithTheFolderAsJoined)
{
    Add(kHelp, "a_gone.hlp", "C:\\ovra_checks_test");
    Add(kHelp, "b_gone.hlp", "C:\\ovra_checks_test\\");
    Add(kHelp, "c_gone.hlp", "");
    add_expand_sz(HKEY_LOCAL_MACHINE, kHelp, "d_gone.hlp", "%SystemDrive%\\ovra_checks_test");
    Add(kHelp, "present.hlp", "C:\\ovra_checks_test");
    const DWORD number = 1;
    add_value(HKEY_LOCAL_MACHINE, kHelp, "e_gone.hlp", REG_DWORD, &number, sizeof(number));
    add_value(HKEY_LOCAL_MACHINE, kHelp, "f_gone.hlp", REG_BINARY, kDir, sizeof(kDir));
    Add(kHtmlHelp, "a_gone.chm", "C:\\ovra_checks_test");
    Add(kHtmlHelp, "present.hlp", "C:\\ovra_checks_test\\");
    EXPECT_EQ(RecordTexts(RunJob(job)),
              (std::vector<std::string>{Dead(kHelp, "a_gone.hlp", "C:\\ovra_checks_test\\"),
                                        Dead(kHelp, "b_gone.hlp", "C:\\ovra_checks_test\\"),
                                        Dead(kHelp, "d_gone.hlp", "C:\\ovra_checks_test\\"),
                                        Dead(kHtmlHelp, "a_gone.chm", "C:\\ovra_checks_test\\")}));
}

TEST_F(Helpres, OtherDrivesUncQuotedAndBareNamesAreNeverJudged)
{
    OtherPlaces places(".hlp");
    for (const auto* list : {&places.paths, &places.quoted}) {
        for (std::string text : *list) {
            const bool quoted = text[0] == '"';
            if (quoted)
                text.pop_back();
            const size_t cut = text.rfind('\\');
            Add(kHelp, text.substr(cut + 1), text.substr(0, cut) + (quoted ? "\"" : ""));
        }
    }
    for (const auto& name : places.bare)
        Add(kHtmlHelp, name, "");
    EXPECT_TRUE(RunJob(job).empty());
}

TEST_F(Helpres, WhatDoesNotFitIsSkippedAndTheWalkGoesOn)
{
    Add(kHelp, std::string(2048, 'n'), "C:\\ovra_checks_test");
    Add(kHelp, "data_too_long.hlp", "C:\\ovra_checks_test\\" + std::string(2048 - 20, 'x'));
    // Folder and name fit one by one, not joined.
    Add(kHelp, "joined_too_long.hlp", "C:\\ovra_checks_test\\" + std::string(2020, 'x'));
    Add(kHelp, "z_gone.hlp", "C:\\ovra_checks_test");
    EXPECT_EQ(RecordTexts(RunJob(job)),
              std::vector<std::string>{Dead(kHelp, "z_gone.hlp", "C:\\ovra_checks_test\\")});
}

TEST_F(Helpres, CancelIsReadBeforeEachKeyOnly)
{
    Add(kHelp, "a_gone.hlp", "C:\\ovra_checks_test");
    Add(kHelp, "b_gone.hlp", "C:\\ovra_checks_test");
    Add(kHtmlHelp, "a_gone.chm", "C:\\ovra_checks_test");
    EXPECT_TRUE(RunJob(job, true).empty());

    // A key once begun is walked to its end.
    ovra::JobStatus status;
    status.bCancel = true;
    std::vector<ovra::JobResult> results;
    job.ScanHelp(status, results, kHelp);
    EXPECT_EQ(results.size(), 2u);
    EXPECT_EQ(status.nCount, 2);
}

// Programs' sound events, enough programs to be walked side by side: each
// dead sound is found once, in the order one thread finds them.
TEST_F(Helpres, SoundEventsOfManyProgramsComeInOneThreadsOrder)
{
    for (int program = 0; program < kSoundPrograms; ++program)
        for (int event = 0; event < 3; ++event) {
            const std::string key = kSounds + std::to_string(program) + "\\Event" + std::to_string(event);
            const bool dead = (program + event) % 3 == 0;
            add_sz(HKEY_CURRENT_USER, (key + "\\.Current").c_str(), nullptr,
                   dead ? "C:\\ovra_checks_test\\gone.wav" : "C:\\ovra_checks_test\\present.hlp");
            add_sz(HKEY_CURRENT_USER, (key + "\\.Default").c_str(), nullptr, "ding.wav");
        }
    const auto found = [&](int slices) {
        const int before = ovra::RegWalk::s_nSlices;
        ovra::RegWalk::s_nSlices = slices;
        std::vector<std::string> paths;
        for (const ovra::JobResult& record : RunJob(job))
            if (record.sKeyPath.find("OvraApp") != std::string::npos)
                paths.push_back(record.sKeyPath);
        ovra::RegWalk::s_nSlices = before;
        return paths;
    };
    const std::vector<std::string> byOne = found(1);
    ASSERT_EQ(byOne.size(), 6u);
    EXPECT_EQ(byOne.front(), std::string(kSounds) + "0\\Event0\\.Current");
    EXPECT_EQ(found(8), byOne);
}
