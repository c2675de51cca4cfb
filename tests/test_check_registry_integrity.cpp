// The shell folders check against the current user's real shell folders.
// The key holds the prefix's own folders, which all exist; the tests only
// add and remove values of their own, named "ovra ...". Their records are
// compared; the key itself is never removed.
#include "platform/ovraRegText.h"
#include "checks/ovraRegistryIntegrityJob.h"
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

using namespace ovratest;

namespace {

const char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kDir[] = "C:\\ovra_checks_test";
const int kJobId = 1;

std::string Dead(const std::string& name, const std::string& shown)
{
    return RecordText(ScanRecord(HKEY_CURRENT_USER, kKey, name, "Value is invalid.",
                                 std::string("HKEY_CURRENT_USER\\") + kKey, name + " = " + shown, kJobId, 0));
}

std::string Expanded(const char* text)
{
    char out[MAX_PATH];
    ExpandEnvironmentStringsA(text, out, sizeof(out));
    return out;
}

class RegistryIntegrity : public testing::Test {
protected:
    void SetUp() override
    {
        create_dir("C:\\ovra_checks_test\\present");
        create_file("C:\\ovra_checks_test\\file", "x");
        job.m_nId = kJobId;
    }
    void TearDown() override
    {
        for (const auto& name : m_added)
            delete_value(HKEY_CURRENT_USER, kKey, name.c_str());
        remove_dir_tree(kDir);
    }
    void Add(const std::string& name, const std::string& text, DWORD type = REG_SZ)
    {
        add_value(HKEY_CURRENT_USER, kKey, name.c_str(), type, text.c_str(), static_cast<DWORD>(text.size() + 1));
        m_added.push_back(name);
    }
    std::vector<std::string> Found(bool cancelled = false)
    {
        return RecordTextsNamed(RunJob(job, cancelled), "ovra");
    }
    ovra::RegistryIntegrityJob job;
    std::vector<std::string> m_added;
};

} // namespace

TEST_F(RegistryIntegrity, ThePrefixsOwnFoldersAllExist)
{
    EXPECT_TRUE(RunJob(job).empty());
}

TEST_F(RegistryIntegrity, MissingFoldersAreReportedAsStoredOrExpanded)
{
    Add("ovra a gone", "%USERPROFILE%\\ovra_gone", REG_EXPAND_SZ);
    Add("ovra b gone", "C:\\ovra_checks_test\\gone");
    Add("ovra c present", "C:\\ovra_checks_test\\present");
    Add("ovra d present expandable", "%SystemDrive%\\ovra_checks_test\\present", REG_EXPAND_SZ);
    Add("ovra e file", "C:\\ovra_checks_test\\file");
    Add("ovra f binary", "C:\\ovra_checks_test\\gone", REG_BINARY);
    Add("ovra g multi", "C:\\ovra_checks_test\\gone", REG_MULTI_SZ);
    const DWORD number = 1;
    add_value(HKEY_CURRENT_USER, kKey, "ovra h dword", REG_DWORD, &number, sizeof(number));
    m_added.push_back("ovra h dword");
    EXPECT_EQ(Found(), (std::vector<std::string>{Dead("ovra a gone", Expanded("%USERPROFILE%\\ovra_gone")),
                                                 Dead("ovra b gone", "C:\\ovra_checks_test\\gone")}));
}

TEST_F(RegistryIntegrity, OtherDrivesUncQuotedAndBareNamesAreNeverJudged)
{
    OtherPlaces places("");
    int n = 0;
    for (const auto* list : {&places.paths, &places.quoted, &places.bare})
        for (const auto& text : *list)
            Add("ovra other " + std::to_string(n++), text);
    EXPECT_TRUE(Found().empty());
}

TEST_F(RegistryIntegrity, WhatDoesNotFitIsSkippedAndALongDisplayIsCut)
{
    Add("ovra " + std::string(2043, 'n'), "C:\\ovra_checks_test\\gone");
    Add("ovra data too long", "C:\\ovra_checks_test\\" + std::string(2048 - 20, 'x'));
    SetEnvironmentVariableA("OVRA_LONG_FOLDER", ("C:\\ovra_checks_test\\" + std::string(2040, 'x')).c_str());
    Add("ovra expansion too long", "%OVRA_LONG_FOLDER%\\gone", REG_EXPAND_SZ);
    const std::string longName = "ovra " + std::string(2030, 'z');
    Add(longName, "C:\\ovra_checks_test\\gone");
    const std::vector<std::string> found = Found();
    SetEnvironmentVariableA("OVRA_LONG_FOLDER", nullptr);
    const std::string shown = (longName + " = C:\\ovra_checks_test\\gone").substr(0, ovra::kRegTextSize - 1);
    EXPECT_EQ(found, std::vector<std::string>{RecordText(ScanRecord(
                         HKEY_CURRENT_USER, kKey, longName, "Value is invalid.",
                         std::string("HKEY_CURRENT_USER\\") + kKey, shown, kJobId, 0))});
}

TEST_F(RegistryIntegrity, CancelDoesNotShortenTheWalk)
{
    Add("ovra a gone", "C:\\ovra_checks_test\\gone");
    Add("ovra b gone", "C:\\ovra_checks_test\\gone2");
    EXPECT_EQ(Found(true).size(), 2u);
}
