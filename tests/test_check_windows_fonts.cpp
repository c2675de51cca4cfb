// The font list check against the prefix's real font list, whose own entries
// stay in place: only records of values named "ovra ..." are compared.
#include "platform/ovraRegText.h"
#include "checks/ovraWindowsFontsJob.h"
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

using namespace ovratest;

namespace {

const char kKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kSection[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kDir[] = "C:\\ovra_checks_test";
const char kFontsSub[] = "C:\\windows\\Fonts\\ovra_sub";
const int kJobId = 4;

std::string Dead(const std::string& name, const std::string& shown)
{
    return RecordText(ScanRecord(HKEY_LOCAL_MACHINE, kKey, name, "Font item is invalid", kSection,
                                 name + " = " + shown, kJobId, 0));
}

class WindowsFonts : public testing::Test {
protected:
    void SetUp() override
    {
        create_dir(kDir);
        create_file("C:\\ovra_checks_test\\present.ttf", "x");
        create_file("C:\\windows\\Fonts\\ovra_present.ttf", "x");
        create_dir(kFontsSub);
        create_file("C:\\windows\\Fonts\\ovra_sub\\ovra_present.ttf", "x");
        job.m_nId = kJobId;
    }
    void TearDown() override
    {
        for (const auto& name : m_added)
            delete_value(HKEY_LOCAL_MACHINE, kKey, name.c_str());
        remove_dir_tree(kDir);
        remove_dir_tree(kFontsSub);
        delete_file("C:\\windows\\Fonts\\ovra_present.ttf");
    }
    void Add(const std::string& name, const std::string& text, DWORD type = REG_SZ)
    {
        add_value(HKEY_LOCAL_MACHINE, kKey, name.c_str(), type, text.c_str(), static_cast<DWORD>(text.size() + 1));
        m_added.push_back(name);
    }
    std::vector<std::string> Found() { return RecordTextsNamed(RunJob(job), "ovra"); }

    ovra::WindowsFontsJob job;
    std::vector<std::string> m_added;
};

} // namespace

TEST_F(WindowsFonts, MissingOrEmptyKeyFindsNothing)
{
    const std::string prefixFonts = dump_tree(HKEY_LOCAL_MACHINE, kKey);
    {
        KeyAside aside(HKEY_LOCAL_MACHINE, kKey);
        EXPECT_TRUE(RunJob(job).empty());
        add_key(HKEY_LOCAL_MACHINE, kKey);
        EXPECT_TRUE(RunJob(job).empty());
    }
    EXPECT_EQ(dump_tree(HKEY_LOCAL_MACHINE, kKey), prefixFonts);
}

TEST_F(WindowsFonts, NamesAreLookedUpInTheFontsFolderAndFullPathsAsTheyStand)
{
    Add("ovra a gone (TrueType)", "ovra_gone.ttf");
    Add("ovra b present", "ovra_present.ttf");
    Add("ovra c relative present", "ovra_sub\\ovra_present.ttf");
    Add("ovra d relative gone", "ovra_sub\\ovra_gone.ttf");
    Add("ovra e full gone", "C:\\ovra_checks_test\\gone.ttf");
    Add("ovra f full present", "C:\\ovra_checks_test\\present.ttf");
    Add("ovra g expandable gone", "%WINDIR%\\Fonts\\ovra_gone2.ttf", REG_EXPAND_SZ);
    Add("ovra h expandable present", "%WINDIR%\\Fonts\\ovra_present.ttf", REG_EXPAND_SZ);
    Add("ovra i binary", "ovra_gone.ttf", REG_BINARY);
    Add("ovra j multi", "ovra_gone.ttf", REG_MULTI_SZ);
    EXPECT_EQ(Found(), (std::vector<std::string>{Dead("ovra a gone (TrueType)", "ovra_gone.ttf"),
                                                 Dead("ovra d relative gone", "ovra_sub\\ovra_gone.ttf"),
                                                 Dead("ovra e full gone", "C:\\ovra_checks_test\\gone.ttf"),
                                                 Dead("ovra g expandable gone", "C:\\windows\\Fonts\\ovra_gone2.ttf")}));
}

TEST_F(WindowsFonts, PathsOnOtherDrivesUncAndQuotedPathsAreNotLookedUpInTheFontsFolder)
{
    // Looked up inside the fonts folder these could never be found, and a
    // font that exists on such a drive would be called dead.
    OtherPlaces places(".ttf");
    int n = 0;
    for (const auto* list : {&places.paths, &places.quoted})
        for (const auto& text : *list)
            Add("ovra other " + std::to_string(n++), text);
    Add("ovra drive relative", "C:ovra_gone.ttf");
    EXPECT_TRUE(Found().empty());
}

TEST_F(WindowsFonts, WhatDoesNotFitIsSkippedAndALongDisplayIsCut)
{
    Add("ovra " + std::string(2043, 'n'), "ovra_gone.ttf");
    Add("ovra data too long", std::string(2048, 'x'));
    Add("ovra name too long for the folder", std::string(2040, 'x') + ".ttf");
    const std::string longName = "ovra " + std::string(2000, 'z');
    Add(longName, "ovra_gone.ttf");
    const auto found = RunJob(job);
    std::vector<ovra::JobResult> ours;
    for (const auto& r : found)
        if (r.sName.compare(0, 5, "ovra ") == 0)
            ours.push_back(r);
    ASSERT_EQ(ours.size(), 1u);
    EXPECT_EQ(ours[0].sName, longName);
    EXPECT_EQ(ours[0].sValue, (longName + " = ovra_gone.ttf").substr(0, ovra::kRegTextSize - 1));
}

TEST_F(WindowsFonts, CancelDoesNotShortenTheWalk)
{
    Add("ovra a gone", "ovra_gone.ttf");
    Add("ovra b gone", "ovra_gone2.ttf");
    EXPECT_EQ(RecordTextsNamed(RunJob(job, true), "ovra").size(), 2u);
}
