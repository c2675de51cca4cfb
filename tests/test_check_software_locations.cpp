// The software locations check: application paths (the prefix has one of
// its own, which exists) and the user's MUI cache (absent in a fresh prefix).
#include "platform/ovraRegText.h"
#include "checks/ovraSoftwareLocationsJob.h"
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

using namespace ovratest;

namespace {

const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kMuiCache[] = "SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
const char kDir[] = "C:\\ovra_checks_test";
const int kJobId = 3;

std::string DeadProgram(const std::string& subkey, const std::string& path)
{
    return RecordText(ScanRecord(HKEY_LOCAL_MACHINE, kAppPaths, subkey, "Value is invalid",
                                 std::string("HKEY_LOCAL_MACHINE\\") + kAppPaths + "\\" + subkey,
                                 "(Default) = " + path, kJobId, 1));
}

std::string DeadCached(const std::string& path, const std::string& data)
{
    return RecordText(ScanRecord(HKEY_CURRENT_USER, kMuiCache, path, "Value is invalid",
                                 std::string("HKEY_CURRENT_USER\\") + kMuiCache, path + " = " + data, kJobId, 0));
}

class SoftwareLocations : public testing::Test {
protected:
    void SetUp() override
    {
        TearDown();
        create_dir(kDir);
        create_file("C:\\ovra_checks_test\\present.exe", "x");
        job.m_nId = kJobId;
    }
    void TearDown() override
    {
        for (const auto& subkey : m_programs)
            delete_tree(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + "\\" + subkey).c_str());
        m_programs.clear();
        delete_tree(HKEY_CURRENT_USER, kMuiCache);
        remove_dir_tree(kDir);
    }
    void AddProgram(const std::string& subkey, const std::string& path, DWORD type = REG_SZ)
    {
        const std::string key = std::string(kAppPaths) + "\\" + subkey;
        add_value(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, type, path.c_str(), static_cast<DWORD>(path.size() + 1));
        m_programs.push_back(subkey);
    }
    void AddCached(const std::string& path, const std::string& data, DWORD type = REG_SZ)
    {
        add_value(HKEY_CURRENT_USER, kMuiCache, path.c_str(), type, data.c_str(), static_cast<DWORD>(data.size() + 1));
    }
    std::vector<std::string> Found(bool cancelled = false) { return RecordTextsNamed(RunJob(job, cancelled), "ovra"); }

    ovra::SoftwareLocationsJob job;
    std::vector<std::string> m_programs;
};

} // namespace

TEST_F(SoftwareLocations, MissingOrEmptyKeysFindNothing)
{
    const std::string prefixPrograms = dump_tree(HKEY_LOCAL_MACHINE, kAppPaths);
    {
        KeyAside aside(HKEY_LOCAL_MACHINE, kAppPaths);
        EXPECT_TRUE(RunJob(job).empty());
        add_key(HKEY_LOCAL_MACHINE, kAppPaths);
        add_key(HKEY_CURRENT_USER, kMuiCache);
        EXPECT_TRUE(RunJob(job).empty());
    }
    EXPECT_EQ(dump_tree(HKEY_LOCAL_MACHINE, kAppPaths), prefixPrograms);
    // The prefix's own program exists.
    EXPECT_TRUE(RunJob(job).empty());
}

TEST_F(SoftwareLocations, DeadProgramsComeFirstThenDeadCacheEntries)
{
    AddCached("C:\\ovra_checks_test\\a_gone.exe", "Gone App");
    AddCached("C:\\ovra_checks_test\\present.exe", "Present App");
    AddCached("C:\\ovra_checks_test\\b_gone.exe", "%SystemDrive%", REG_EXPAND_SZ);
    AddCached("@ovra_shell.dll,-1234", "A resource");
    AddCached("ovra plain words", "Words");
    AddCached("C:\\ovra_checks_test\\c_gone.exe", "x", REG_BINARY);
    AddCached("C:\\ovra_checks_test\\d_gone.exe", "");
    AddProgram("ovra_a_gone.exe", "C:\\ovra_checks_test\\gone.exe");
    AddProgram("ovra_b_expandable.exe", "%SystemDrive%\\ovra_checks_test\\gone.exe", REG_EXPAND_SZ);
    AddProgram("ovra_c_present.exe", "C:\\ovra_checks_test\\present.exe");
    AddProgram("ovra_d_dword.exe", "C:\\ovra_checks_test\\gone.exe", REG_BINARY);
    add_sz(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + "\\ovra_e_no_default.exe").c_str(), "Path", kDir);
    m_programs.push_back("ovra_e_no_default.exe");
    EXPECT_EQ(Found(), (std::vector<std::string>{
                           DeadProgram("ovra_a_gone.exe", "C:\\ovra_checks_test\\gone.exe"),
                           DeadProgram("ovra_b_expandable.exe", "C:\\ovra_checks_test\\gone.exe"),
                           DeadCached("C:\\ovra_checks_test\\a_gone.exe", "Gone App"),
                           DeadCached("C:\\ovra_checks_test\\d_gone.exe", "")}));
}

TEST_F(SoftwareLocations, OtherDrivesUncQuotedAndBareNamesAreNeverJudged)
{
    OtherPlaces places(".exe");
    int n = 0;
    for (const auto* list : {&places.paths, &places.quoted, &places.bare}) {
        for (const auto& text : *list) {
            AddProgram("ovra_other_" + std::to_string(n++) + ".exe", text);
            AddCached(text, "ovra");
        }
    }
    EXPECT_TRUE(RunJob(job).empty());
}

TEST_F(SoftwareLocations, WhatDoesNotFitIsSkippedAndALongDisplayIsCut)
{
    AddProgram("ovra_a_too_long.exe", "C:\\ovra_checks_test\\" + std::string(2048 - 20, 'x'));
    AddCached("C:\\ovra_checks_test\\" + std::string(2048 - 20, 'x'), "Too long a name");
    AddCached("C:\\ovra_checks_test\\gone.exe", std::string(2040, 'd'));
    const std::string whole = "C:\\ovra_checks_test\\gone.exe = " + std::string(2040, 'd');
    EXPECT_EQ(Found(), std::vector<std::string>{RecordText(ScanRecord(
                           HKEY_CURRENT_USER, kMuiCache, "C:\\ovra_checks_test\\gone.exe", "Value is invalid",
                           std::string("HKEY_CURRENT_USER\\") + kMuiCache, whole.substr(0, ovra::kRegTextSize - 1),
                           kJobId, 0))});
}

TEST_F(SoftwareLocations, CancelIsReadOnlyBetweenTheTwoWalks)
{
    AddProgram("ovra_a_gone.exe", "C:\\ovra_checks_test\\gone.exe");
    AddProgram("ovra_b_gone.exe", "C:\\ovra_checks_test\\gone2.exe");
    AddCached("C:\\ovra_checks_test\\ovra_gone.exe", "Gone App");
    EXPECT_EQ(Found(true), (std::vector<std::string>{
                               DeadProgram("ovra_a_gone.exe", "C:\\ovra_checks_test\\gone.exe"),
                               DeadProgram("ovra_b_gone.exe", "C:\\ovra_checks_test\\gone2.exe")}));
}
