// The startup programs check against the prefix's real registry and drives,
// including programs started with arguments.
#include "platform/ovraRegText.h"
#include "checks/ovraStartupProgsJob.h"
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

using namespace ovratest;

namespace {

const char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kDir[] = "C:\\ovra_checks_test";
const int kJobId = 7;

std::string Dead(const std::string& name, const std::string& shown)
{
    return RecordText(
        ScanRecord(HKEY_LOCAL_MACHINE, kKey, name, "Value is invalid", kKey, name + " = " + shown, kJobId, 0));
}

class StartupProgs : public testing::Test {
protected:
    void SetUp() override
    {
        delete_tree(HKEY_LOCAL_MACHINE, kKey);
        add_key(HKEY_LOCAL_MACHINE, kKey);
        create_dir(kDir);
        create_file("C:\\ovra_checks_test\\present.exe", "x");
        job.m_nId = kJobId;
    }
    void TearDown() override
    {
        // A fresh prefix has the key, empty.
        delete_tree(HKEY_LOCAL_MACHINE, kKey);
        add_key(HKEY_LOCAL_MACHINE, kKey);
        remove_dir_tree(kDir);
    }
    void Add(const std::string& name, const std::string& text)
    {
        add_sz(HKEY_LOCAL_MACHINE, kKey, name.c_str(), text.c_str());
    }
    ovra::StartupProgsJob job;
};

} // namespace

TEST_F(StartupProgs, MissingOrEmptyKeyFindsNothing)
{
    EXPECT_TRUE(RunJob(job).empty());
    delete_tree(HKEY_LOCAL_MACHINE, kKey);
    EXPECT_TRUE(RunJob(job).empty());
}

TEST_F(StartupProgs, MissingProgramsAreReportedAsStoredOrExpanded)
{
    Add("a dead", "C:\\ovra_checks_test\\gone.exe");
    Add("b live", "C:\\ovra_checks_test\\present.exe");
    Add("c folder", kDir);
    add_expand_sz(HKEY_LOCAL_MACHINE, kKey, "d expandable", "%SystemDrive%\\ovra_checks_test\\gone.exe");
    add_expand_sz(HKEY_LOCAL_MACHINE, kKey, "e expandable live", "%SystemDrive%\\ovra_checks_test\\present.exe");
    const char dead[] = "C:\\ovra_checks_test\\gone.exe";
    const DWORD number = 1;
    add_value(HKEY_LOCAL_MACHINE, kKey, "f dword", REG_DWORD, &number, sizeof(number));
    add_value(HKEY_LOCAL_MACHINE, kKey, "g binary", REG_BINARY, dead, sizeof(dead));
    add_value(HKEY_LOCAL_MACHINE, kKey, "h multi", REG_MULTI_SZ, dead, sizeof(dead));
    EXPECT_EQ(RecordTexts(RunJob(job)),
              (std::vector<std::string>{Dead("a dead", dead), Dead("d expandable", dead)}));
}

TEST_F(StartupProgs, OtherDrivesUncAndBareNamesAreNeverJudged)
{
    OtherPlaces places(".exe");
    int n = 0;
    for (const auto* list : {&places.paths, &places.bare}) {
        for (const auto& text : *list) {
            Add("other " + std::to_string(n++), text);
            Add("other " + std::to_string(n++), text + " /background");
        }
    }
    EXPECT_TRUE(RunJob(job).empty());
}

// A line is read as Windows starts it: quoted or not, with any program
// extension, and for rundll32 the DLL it runs.
TEST_F(StartupProgs, AProgramStartedWithArgumentsIsJudgedByTheProgram)
{
    create_file("C:\\ovra_checks_test\\logon.cmd", "x");
    Add("a live with arguments", "C:\\ovra_checks_test\\present.exe /background");
    Add("b any case", "C:\\ovra_checks_test\\PRESENT.EXE -minimized");
    Add("c rundll", "C:\\windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL desk.cpl");
    Add("d dead with arguments", "C:\\ovra_checks_test\\gone.exe /background");
    // Only the program before the first arguments counts.
    Add("e dead then live", "C:\\ovra_checks_test\\gone.exe C:\\ovra_checks_test\\present.exe");
    Add("f quoted live", "\"C:\\ovra_checks_test\\present.exe\" --minimized");
    Add("g quoted dead", "\"C:\\ovra_checks_test\\gone.exe\" --minimized");
    Add("h script", "C:\\ovra_checks_test\\logon.cmd /q");
    Add("i rundll dead", "rundll32.exe \"C:\\ovra_checks_test\\helper.dll\",Start");
    EXPECT_EQ(RecordTexts(RunJob(job)),
              (std::vector<std::string>{
                  Dead("d dead with arguments", "C:\\ovra_checks_test\\gone.exe /background"),
                  Dead("e dead then live", "C:\\ovra_checks_test\\gone.exe C:\\ovra_checks_test\\present.exe"),
                  Dead("g quoted dead", "\"C:\\ovra_checks_test\\gone.exe\" --minimized"),
                  Dead("i rundll dead", "rundll32.exe \"C:\\ovra_checks_test\\helper.dll\",Start")}));
}

TEST_F(StartupProgs, WhatDoesNotFitIsSkippedAndALongDisplayIsCut)
{
    Add(std::string(2048, 'n'), "C:\\ovra_checks_test\\gone.exe");
    Add("data too long", "C:\\ovra_checks_test\\" + std::string(2048 - 20, 'x'));
    SetEnvironmentVariableA("OVRA_LONG_FOLDER", ("C:\\ovra_checks_test\\" + std::string(2040, 'x')).c_str());
    add_expand_sz(HKEY_LOCAL_MACHINE, kKey, "expansion too long", "%OVRA_LONG_FOLDER%\\gone.exe");
    const std::string longName(2000, 'z');
    Add(longName, "C:\\ovra_checks_test\\gone.exe");

    const auto found = RunJob(job);
    SetEnvironmentVariableA("OVRA_LONG_FOLDER", nullptr);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].sName, longName);
    const std::string whole = longName + " = C:\\ovra_checks_test\\gone.exe";
    EXPECT_EQ(found[0].sValue, whole.substr(0, ovra::kRegTextSize - 1));
}

TEST_F(StartupProgs, CancelDoesNotShortenTheWalk)
{
    Add("a dead", "C:\\ovra_checks_test\\gone.exe");
    Add("b dead", "C:\\ovra_checks_test\\gone2.exe");
    EXPECT_EQ(RunJob(job, true).size(), 2u);
}
