// The places Windows Vista to 11 keep what programs leave behind: per-user
// installs, the shell's program-name cache, the compatibility lists, type
// libraries. Per place, one table row: what is seeded (dead entries and
// entries no check may report), what is found, and the whole road of a
// repair with its backup and a restore, in the prefix's real registry.
#include "platform/ovraExistenceCache.h"
#include "platform/ovraRegText.h"
#include "ovraBackupTestFiles.h"
#include "ovraTestKeys.h"
#include "ovraTestRecords.h"
#include "scan/ovraJobEnumerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace ovratest;

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kClasses = HKEY_CLASSES_ROOT;
const char kMachineClasses[] = "SOFTWARE\\Classes\\CLSID";
const char kGone[] = "C:\\ovra_today\\gone.exe";
const char kLive[] = "C:\\ovra_today\\live.exe";

// A value below the place's key: below is a subkey path or empty, a null
// name the default value, a null text a two-byte binary.
struct Entry {
    const char* below;
    const char* name;
    DWORD type;
    const char* text;
};

// A record expected: its key path below the place's key (empty: the key
// itself), name, section (%s: the key's full path with its root) and value.
struct Found {
    const char* keyBelow;
    const char* name;
    const char* section;
    const char* value;
    int kind;
};

struct Place {
    HKEY root;
    const char* path;
    int jobId;
    const char* problem;
    std::vector<Entry> entries; // the first `removed` go with the records found, the others stay
    size_t removed;
    std::vector<Found> found;
};

const char* RootName(HKEY root)
{
    return root == kClasses ? "HKEY_CLASSES_ROOT" : root == kUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string Join(const std::string& parent, const char* child)
{
    return child && *child ? parent + "\\" + child : parent;
}

void Write(HKEY root, const std::string& path, const Entry& entry)
{
    const char binary[] = "\x09\x04";
    if (entry.text)
        add_value(root, path.c_str(), entry.name, entry.type, entry.text, static_cast<DWORD>(strlen(entry.text) + 1));
    else
        add_value(root, path.c_str(), entry.name, REG_BINARY, binary, 2);
}


// The job's records about what the tests seed: names and paths carry
// "ovra", and the cache's LangID carries none, so it is named here.
std::vector<std::string> Seeded(const std::vector<ovra::JobResult>& records)
{
    std::vector<std::string> texts;
    for (const ovra::JobResult& r : records)
        if ((r.sKeyPath + "\\" + r.sName).find("ovra") != std::string::npos || r.sName == "LangID")
            texts.push_back(RecordText(r));
    std::sort(texts.begin(), texts.end());
    return texts;
}

const char kLocations[] = "Value is invalid";

const Place kPlaces[] = {
    {kUser, kRunKey, 7, "Value is invalid",
     {{"", "ovra today dead", REG_SZ, kGone}, {"", "ovra today live", REG_SZ, kLive}},
     1,
     {{"", "ovra today dead", "%s", "ovra today dead = C:\\ovra_today\\gone.exe", 0}}},
    {kUser, kUninstallKey, 8, "Add/Remove item is invalid",
     {{"ovra_today_dead", "UninstallString", REG_SZ, "C:\\ovra_today\\gone\\unins000.exe"},
      {"ovra_today_live", "UninstallString", REG_SZ, kLive}},
     1,
     {{"", "ovra_today_dead", "%s", "ovra_today_dead = C:\\ovra_today\\gone\\unins000.exe", 1}}},
    {kUser, kAppPathsKey, 3, kLocations,
     {{"ovra_today_dead.exe", nullptr, REG_SZ, kGone}, {"ovra_today_live.exe", nullptr, REG_SZ, kLive}},
     1,
     {{"", "ovra_today_dead.exe", "%s\\ovra_today_dead.exe", "(Default) = C:\\ovra_today\\gone.exe", 1}}},
    // Two values of one dead program are two records; the live program,
    // LangID, resource names, other suffixes, the bare path and a value of
    // another type are never judged.
    {kUser, kShellCacheKey, 3, kLocations,
     {{"", "C:\\ovra_today\\gone.exe.FriendlyAppName", REG_SZ, "Gone"},
      {"", "C:\\ovra_today\\gone.exe.ApplicationCompany", REG_SZ, "Ovra Co"},
      {"", "C:\\ovra_today\\live.exe.FriendlyAppName", REG_SZ, "Live"},
      {"", "LangID", REG_BINARY, nullptr},
      {"", "@C:\\ovra_today\\gone.dll,-101", REG_SZ, "Resource"},
      {"", "@%SystemRoot%\\ovra_today.dll,-102.FriendlyAppName", REG_SZ, "Resource"},
      {"", "C:\\ovra_today\\gone.exe.Other", REG_SZ, "Other"},
      {"", "C:\\ovra_today\\gone.exe", REG_SZ, "Bare"},
      {"", "C:\\ovra_today\\gone2.exe.FriendlyAppName", REG_BINARY, nullptr}},
     2,
     {{"", "C:\\ovra_today\\gone.exe.ApplicationCompany", "%s",
       "C:\\ovra_today\\gone.exe.ApplicationCompany = Ovra Co", 0},
      {"", "C:\\ovra_today\\gone.exe.FriendlyAppName", "%s", "C:\\ovra_today\\gone.exe.FriendlyAppName = Gone", 0}}},
    {kUser, kLayersKey, 3, kLocations,
     {{"", kGone, REG_SZ, "~ RUNASADMIN"},
      {"", kLive, REG_SZ, "WIN7RTM"},
      {"", "SIGN.MEDIA=ovra_today 1A2B setup.exe", REG_SZ, "WINXPSP3"}},
     1,
     {{"", kGone, "%s", "C:\\ovra_today\\gone.exe = ~ RUNASADMIN", 0}}},
    {kMachine, kLayersKey, 3, kLocations,
     {{"", kGone, REG_SZ, "HIGHDPIAWARE"}, {"", kLive, REG_SZ, "WIN7RTM"}, {"", "ovra today", REG_SZ, "WIN7RTM"}},
     1,
     {{"", kGone, "%s", "C:\\ovra_today\\gone.exe = HIGHDPIAWARE", 0}}},
    {kUser, kAssistantKey, 3, kLocations,
     {{"", kGone, REG_BINARY, nullptr}, {"", kLive, REG_BINARY, nullptr}, {"", "SIGN.MEDIA=ovra", REG_BINARY, nullptr}},
     1,
     {{"", kGone, "%s", kGone, 0}}},
    {kUser, kUserClassesKey, 2, "Custom control is invalid",
     {{"{ovra-today-dead}\\InprocServer32", nullptr, REG_SZ, "C:\\ovra_today\\gone.dll"},
      {"{ovra-today-live}\\InprocServer32", nullptr, REG_SZ, "C:\\ovra_today\\live.dll"}},
     1,
     {{"", "{ovra-today-dead}", "%s\\{ovra-today-dead}\\InprocServer32", "(Default) = C:\\ovra_today\\gone.dll", 1}}},
    // A library whose versions are all dead goes whole; of one with a live
    // version only the dead version goes; a version with one live
    // registration stays. "\N" after a file is the resource's index.
    {kClasses, "TypeLib", 2, "Custom control is invalid",
     {{"{ovra-today-all}\\1.0\\0\\win32", nullptr, REG_SZ, "C:\\ovra_today\\gone.tlb"},
      {"{ovra-today-all}\\2.0\\409\\win64", nullptr, REG_SZ, "C:\\ovra_today\\gone.dll\\3"},
      {"{ovra-today-all}\\2.0\\FLAGS", nullptr, REG_SZ, "0"},
      {"{ovra-today-all}\\2.0\\HELPDIR", nullptr, REG_SZ, "C:\\ovra_today\\gone"},
      {"{ovra-today-part}\\1.0\\0\\win32", nullptr, REG_SZ, "C:\\ovra_today\\gone.tlb"},
      {"{ovra-today-part}\\2.0\\0\\win64", nullptr, REG_SZ, "C:\\ovra_today\\live.dll\\2"},
      {"{ovra-today-mixed}\\1.0\\0\\win32", nullptr, REG_SZ, "C:\\ovra_today\\gone.dll"},
      {"{ovra-today-mixed}\\1.0\\0\\win64", nullptr, REG_SZ, "C:\\ovra_today\\live.dll"}},
     5,
     {{"", "{ovra-today-all}", "%s\\{ovra-today-all}\\1.0\\0\\win32", "(Default) = C:\\ovra_today\\gone.tlb", 1},
      {"{ovra-today-part}", "1.0", "%s\\{ovra-today-part}\\1.0\\0\\win32", "(Default) = C:\\ovra_today\\gone.tlb",
       1}}},
};

class TodaysPlaces : public BackupFolderTest {
protected:
    void SetUp() override
    {
        BackupFolderTest::SetUp();
        create_dir("C:\\ovra_today");
        for (const char* file : {kLive, "C:\\ovra_today\\live.dll"})
            create_file(file, "x");
    }
    void TearDown() override
    {
        remove_dir_tree("C:\\ovra_today");
        BackupFolderTest::TearDown();
    }

    std::vector<ovra::JobResult> Run(int jobId)
    {
        ovra::ExistenceCache::Scope cache;
        return RunJob(*catalogue.Find(jobId));
    }

    ovra::JobEnumerator catalogue;
};

} // namespace

TEST_F(TodaysPlaces, DeadEntriesAreFoundAndComeBackByteForByte)
{
    for (const Place& place : kPlaces) {
        SCOPED_TRACE(std::string(RootName(place.root)) + "\\" + place.path);
        for (const Entry& entry : place.entries)
            Write(place.root, Join(place.path, entry.below), entry);
        const std::string before = dump_tree(place.root, place.path);

        std::vector<std::string> expected;
        for (const Found& f : place.found) {
            const std::string keyPath = Join(place.path, f.keyBelow);
            const std::string whole = std::string(RootName(place.root)) + "\\" + place.path;
            expected.push_back(RecordText(ScanRecord(place.root, keyPath, f.name, place.problem,
                                                     ovra::RegText::Display(f.section, whole.c_str()), f.value,
                                                     place.jobId, f.kind)));
        }
        std::sort(expected.begin(), expected.end());
        std::vector<ovra::JobResult> found = Run(place.jobId);
        ASSERT_EQ(expected, Seeded(found));
        found.erase(std::remove_if(found.begin(), found.end(),
                                   [](const ovra::JobResult& r) {
                                       return (r.sKeyPath + r.sName).find("ovra") == std::string::npos;
                                   }),
                    found.end());

        RepairAndRestore(found, [&] {
            for (size_t i = 0; i < place.entries.size(); ++i) {
                const Entry& entry = place.entries[i];
                EXPECT_EQ(i >= place.removed, value_present(place.root, Join(place.path, entry.below).c_str(), entry.name))
                    << entry.below << " " << (entry.name ? entry.name : "(Default)");
            }
        });
        EXPECT_EQ(before, dump_tree(place.root, place.path));

        for (const Entry& entry : place.entries) {
            const std::string below = entry.below;
            if (below.empty())
                delete_value(place.root, place.path, entry.name);
            else
                delete_tree(place.root, Join(place.path, below.substr(0, below.find('\\')).c_str()).c_str());
        }
    }
}

// On Windows the user's class shows through the merged classes root over
// the machine's; each is judged in its own key, once, and a repair removes
// only the dead one.
TEST_F(TodaysPlaces, UserClassShadowingAMachineClassIsJudgedApart)
{
    const char kClass[] = "{ovra-today-shadow}";
    const struct {
        const char* user;
        const char* machine;
        HKEY reported;
        const char* keyPath;
    } kCases[] = {
        {"C:\\ovra_today\\gone.dll", "C:\\ovra_today\\live.dll", kUser, kUserClassesKey},
        {"C:\\ovra_today\\live.dll", "C:\\ovra_today\\gone.dll", kMachine, kMachineClasses},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.keyPath);
        const std::string user = Join(kUserClassesKey, kClass);
        const std::string machine = Join(kMachineClasses, kClass);
        Write(kUser, user + "\\InprocServer32", {"", nullptr, REG_SZ, c.user});
        Write(kMachine, machine + "\\InprocServer32", {"", nullptr, REG_SZ, c.machine});
        const HKEY kept = c.reported == kUser ? kMachine : kUser;
        const std::string keptPath = c.reported == kUser ? machine : user;
        const std::string keptBefore = dump_tree(kept, keptPath.c_str());
        const std::string section = std::string(RootName(c.reported)) + "\\" + c.keyPath + "\\" + kClass;

        std::vector<ovra::JobResult> found;
        for (const ovra::JobResult& r : Run(2))
            if (r.sName == kClass)
                found.push_back(r);
        ASSERT_EQ(std::vector<std::string>{RecordText(ScanRecord(c.reported, c.keyPath, kClass,
                                                                 "Custom control is invalid",
                                                                 section + "\\InprocServer32",
                                                                 "(Default) = C:\\ovra_today\\gone.dll", 2, 1))},
                  RecordTexts(found));
        const std::string reportedBefore = dump_tree(c.reported, Join(c.keyPath, kClass).c_str());
        RepairAndRestore(found, [&] {
            verify_key_missing(c.reported, Join(c.keyPath, kClass).c_str());
            EXPECT_EQ(keptBefore, dump_tree(kept, keptPath.c_str()));
        });
        EXPECT_EQ(reportedBefore, dump_tree(c.reported, Join(c.keyPath, kClass).c_str()));
        delete_tree(kUser, user.c_str());
        delete_tree(kMachine, machine.c_str());
    }
}
