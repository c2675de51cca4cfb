// The COM in-process server check against the prefix's real class list,
// whose own classes stay in place: only records of classes named
// "{ovra...}" are compared.
#include "checks/ovraCustomControlsJob.h"
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

using namespace ovratest;

namespace {

const char kClasses[] = "Software\\Classes\\CLSID"; // under HKEY_LOCAL_MACHINE: what HKEY_CLASSES_ROOT\CLSID shows
const char kDir[] = "C:\\ovra_checks_test";
const int kJobId = 2;

std::string ServerKey(const std::string& clsid)
{
    return "CLSID\\" + clsid + "\\InprocServer32";
}

std::string Dead(const std::string& clsid, const std::string& server)
{
    return RecordText(ScanRecord(HKEY_CLASSES_ROOT, "CLSID", clsid, "Custom control is invalid",
                                 "HKEY_CLASSES_ROOT\\" + ServerKey(clsid), "(Default) = " + server, kJobId, 1));
}

class CustomControls : public testing::Test {
protected:
    void SetUp() override
    {
        create_dir(kDir);
        create_file("C:\\ovra_checks_test\\present.dll", "x");
        job.m_nId = kJobId;
    }
    void TearDown() override
    {
        for (const auto& clsid : m_added) {
            set_key_access(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid).c_str(), 0, 0); // a locked key opens again
            delete_tree(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid).c_str());
        }
        remove_dir_tree(kDir);
    }
    void AddServer(const std::string& clsid, const std::string& server, DWORD type = REG_SZ)
    {
        add_value(HKEY_CLASSES_ROOT, ServerKey(clsid).c_str(), nullptr, type, server.c_str(),
                  static_cast<DWORD>(server.size() + 1));
        m_added.push_back(clsid);
    }
    // Records of the test's classes, whole or in part.
    std::vector<std::string> Found(bool cancelled = false)
    {
        std::vector<std::string> texts;
        for (const ovra::JobResult& r : RunJob(job, cancelled))
            if ((r.sKeyPath + "\\" + r.sName).find("{ovra") != std::string::npos)
                texts.push_back(RecordText(r));
        return texts;
    }
    ovra::CustomControlsJob job;
    std::vector<std::string> m_added;
};

} // namespace

TEST_F(CustomControls, MissingOrEmptyKeyFindsNothing)
{
    const std::string prefixClasses = dump_tree(HKEY_LOCAL_MACHINE, kClasses);
    {
        KeyAside aside(HKEY_LOCAL_MACHINE, kClasses);
        EXPECT_TRUE(RunJob(job).empty());
        add_key(HKEY_CLASSES_ROOT, "CLSID");
        EXPECT_TRUE(RunJob(job).empty());
    }
    EXPECT_EQ(dump_tree(HKEY_LOCAL_MACHINE, kClasses), prefixClasses);
}

TEST_F(CustomControls, AClassWhoseServerIsGoneIsReportedAsAWholeKey)
{
    AddServer("{ovra-a}", "C:\\ovra_checks_test\\gone.dll");
    AddServer("{ovra-b}", "%SystemRoot%\\System32\\ovra_gone.dll", REG_EXPAND_SZ);
    AddServer("{ovra-c}", "C:\\ovra_checks_test\\present.dll");
    AddServer("{ovra-d}", "C:\\ovra_checks_test", REG_EXPAND_SZ);
    AddServer("{ovra-e}", "");
    AddServer("{ovra-f}", "C:\\ovra_checks_test\\gone.dll", REG_BINARY);
    AddServer("{ovra-g}", "C:\\ovra_checks_test\\gone.dll", REG_MULTI_SZ);
    // No server key, and a server key without a default value.
    add_sz(HKEY_CLASSES_ROOT, "CLSID\\{ovra-h}", nullptr, "C:\\ovra_checks_test\\gone.dll");
    add_sz(HKEY_CLASSES_ROOT, ServerKey("{ovra-i}").c_str(), "ThreadingModel", "Both");
    m_added.insert(m_added.end(), {"{ovra-h}", "{ovra-i}"});
    EXPECT_EQ(Found(), (std::vector<std::string>{Dead("{ovra-a}", "C:\\ovra_checks_test\\gone.dll"),
                                                 Dead("{ovra-b}", "C:\\windows\\System32\\ovra_gone.dll")}));
}

TEST_F(CustomControls, OtherDrivesUncQuotedAndBareNamesAreNeverJudged)
{
    OtherPlaces places(".dll");
    int n = 0;
    for (const auto* list : {&places.paths, &places.quoted, &places.bare})
        for (const auto& text : *list)
            AddServer("{ovra-other-" + std::to_string(n++) + "}", text);
    AddServer("{ovra-ole}", "ole32.dll");
    EXPECT_TRUE(Found().empty());
}

TEST_F(CustomControls, ServerDataThatDoesNotFitIsSkipped)
{
    AddServer("{ovra-a}", "C:\\ovra_checks_test\\" + std::string(2048 - 20, 'x'));
    AddServer("{ovra-b}", "C:\\ovra_checks_test\\gone.dll");
    EXPECT_EQ(Found(), std::vector<std::string>{Dead("{ovra-b}", "C:\\ovra_checks_test\\gone.dll")});
}

// A class whose own key refuses reading may hold a live server: it is not
// judged, though its library's key can be read through it. One whose
// program's key refuses reading may still be served: only its library goes.
TEST_F(CustomControls, AClassWhoseKeyCannotBeReadIsNotJudged)
{
    AddServer("{ovra-locked}", "C:\\ovra_checks_test\\gone.dll");
    AddServer("{ovra-b}", "C:\\ovra_checks_test\\gone.dll");
    AddServer("{ovra-served}", "C:\\ovra_checks_test\\gone.dll");
    const std::string program = "CLSID\\{ovra-served}\\LocalServer32";
    add_sz(HKEY_CLASSES_ROOT, program.c_str(), nullptr, "C:\\ovra_checks_test\\gone.exe");
    ASSERT_TRUE(set_key_access(HKEY_CLASSES_ROOT, program.c_str(), 0, READ_CONTROL | WRITE_DAC | DELETE));
    ASSERT_TRUE(set_key_access(HKEY_CLASSES_ROOT, "CLSID\\{ovra-locked}", 0, READ_CONTROL | WRITE_DAC | DELETE));
    HKEY probe = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{ovra-locked}", 0, KEY_READ, &probe), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ServerKey("{ovra-locked}").c_str(), 0, KEY_READ, &probe),
              ERROR_SUCCESS);
    RegCloseKey(probe);
    const std::string served = RecordText(ScanRecord(
        HKEY_CLASSES_ROOT, "CLSID\\{ovra-served}", "InprocServer32", "Custom control is invalid",
        "HKEY_CLASSES_ROOT\\" + ServerKey("{ovra-served}"), "(Default) = C:\\ovra_checks_test\\gone.dll", kJobId, 1));
    EXPECT_EQ(Found(), (std::vector<std::string>{Dead("{ovra-b}", "C:\\ovra_checks_test\\gone.dll"), served}));
    set_key_access(HKEY_CLASSES_ROOT, program.c_str(), 0, 0);
}

TEST_F(CustomControls, CancelIsReadBeforeEveryClass)
{
    AddServer("{ovra-a}", "C:\\ovra_checks_test\\gone.dll");
    EXPECT_TRUE(RunJob(job, true).empty());
}
