// The whole road through the real wizard against seeded registry data: scan,
// untick, repair with a backup, then restore a chosen subset from it. The
// registry is checked after each step.
#include "ovraTestFrame.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace ovratest;

namespace {

const char kDir[] = "C:\\ovra_road";
const char kShared[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kFonts[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kHelp[] = "SOFTWARE\\Microsoft\\Windows\\Help";
const char kShell[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kMui[] = "SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kFolders[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
const char kClsidGone[] = "CLSID\\{0D1E2F30-0000-4000-8000-0000000000AA}";
const char kClsidLive[] = "CLSID\\{0D1E2F30-0000-4000-8000-0000000000BB}";

// One seeded entry: where it lives and whether the scan must report it.
struct Seed {
    HKEY root;
    std::string key;
    std::string name; // value name, or subkey name for a whole key
    bool isKey;
    bool dead;
};

class FlowRoad : public testing::Test {
protected:
    void SetUp() override
    {
        remove_dir_tree(BackupFolder().c_str());
        create_dir(kDir);
        create_file("C:\\ovra_road\\live.dll", "x");
        create_file("C:\\ovra_road\\live.exe", "x");
        create_file("C:\\ovra_road\\uninst_live.exe", "x");

        Value(HKEY_LOCAL_MACHINE, kShared, "C:\\ovra_road\\gone1.dll", "\x01\0\0\0", 4, REG_DWORD, true);
        Value(HKEY_LOCAL_MACHINE, kShared, "C:\\ovra_road\\gone2.dll", "\x02\0\0\0", 4, REG_DWORD, true);
        Value(HKEY_LOCAL_MACHINE, kShared, "C:\\ovra_road\\live.dll", "\x01\0\0\0", 4, REG_DWORD, false);
        Sz(HKEY_LOCAL_MACHINE, kRun, "OvraRoadGone", "C:\\ovra_road\\gone.exe", true);
        Sz(HKEY_LOCAL_MACHINE, kRun, "OvraRoadLive", "C:\\ovra_road\\live.exe", false);
        Sz(HKEY_LOCAL_MACHINE, kFonts, "Ovra Road Gone (TrueType)", "ovraroadgone.ttf", true);
        Sz(HKEY_LOCAL_MACHINE, kHelp, "ovraroadgone.hlp", "C:\\ovra_road", true);
        Sz(HKEY_LOCAL_MACHINE, kHelp, "ovraroadlive.hlp", "", false);
        Sz(HKEY_CURRENT_USER, kShell, "OvraRoadGone", "C:\\ovra_road\\gonefolder", true);
        Sz(HKEY_CURRENT_USER, kShell, "OvraRoadLive", "C:\\ovra_road", false);
        Sz(HKEY_CURRENT_USER, kMui, "C:\\ovra_road\\gone.exe", "Gone Tool", true);
        Value(HKEY_LOCAL_MACHINE, kFolders, "C:\\ovra_road\\gonefolder\\", "", 1, REG_SZ, true);

        KeyWithDefault(HKEY_CLASSES_ROOT, kClsidGone, "InprocServer32", "C:\\ovra_road\\gone.dll");
        KeyWithDefault(HKEY_CLASSES_ROOT, kClsidLive, "InprocServer32", "C:\\ovra_road\\live.dll");
        seeds.push_back({HKEY_CLASSES_ROOT, "CLSID", kClsidGone + 6, true, true});
        seeds.push_back({HKEY_CLASSES_ROOT, "CLSID", kClsidLive + 6, true, false});
        KeyWithDefault(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\ovraroadgone.exe", nullptr,
                       "C:\\ovra_road\\gone.exe");
        seeds.push_back({HKEY_LOCAL_MACHINE, kAppPaths, "ovraroadgone.exe", true, true});
        const std::string gone = std::string(kUninstall) + "\\OvraRoadGone";
        KeyWithDefault(HKEY_LOCAL_MACHINE, gone, nullptr, "");
        add_sz(HKEY_LOCAL_MACHINE, gone.c_str(), "UninstallString", "C:\\ovra_road\\uninst.exe /S");
        add_sz(HKEY_LOCAL_MACHINE, gone.c_str(), "DisplayName", "Ovra Road Gone");
        seeds.push_back({HKEY_LOCAL_MACHINE, kUninstall, "OvraRoadGone", true, true});
        const std::string live = std::string(kUninstall) + "\\OvraRoadLive";
        add_sz(HKEY_LOCAL_MACHINE, live.c_str(), "UninstallString", "\"C:\\ovra_road\\uninst_live.exe\" /S");
        seeds.push_back({HKEY_LOCAL_MACHINE, kUninstall, "OvraRoadLive", true, false});

        for (const Seed& s : seeds)
            original[Id(s)] = Dump(s);
    }

    void TearDown() override
    {
        for (const Seed& s : seeds) {
            if (s.isKey)
                delete_tree(s.root, (s.key + "\\" + s.name).c_str());
            else
                delete_value(s.root, s.key.c_str(), s.name.c_str());
        }
        remove_dir_tree(kDir);
        remove_dir_tree(BackupFolder().c_str());
    }

    void Value(HKEY root, const char* key, const char* name, const char* data, DWORD size, DWORD type, bool dead)
    {
        add_value(root, key, name, type, data, size);
        seeds.push_back({root, key, name, false, dead});
    }
    void Sz(HKEY root, const char* key, const char* name, const char* text, bool dead)
    {
        add_sz(root, key, name, text);
        seeds.push_back({root, key, name, false, dead});
    }
    void KeyWithDefault(HKEY root, const std::string& key, const char* sub, const char* text)
    {
        const std::string path = sub ? key + "\\" + sub : key;
        add_sz(root, path.c_str(), nullptr, text);
        add_sz(root, key.c_str(), "OvraNote", "kept with the key");
    }
    static std::string Id(const Seed& s) { return s.key + "|" + s.name; }
    static std::string Id(const ovra::JobResult& r) { return r.sKeyPath + "|" + r.sName; }
    static std::string Dump(const Seed& s)
    {
        if (s.isKey)
            return dump_tree(s.root, (s.key + "\\" + s.name).c_str());
        HKEY key = nullptr;
        if (RegOpenKeyExA(s.root, s.key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return "<missing>";
        BYTE data[4096];
        DWORD size = sizeof(data), type = 0;
        const LONG rc = RegQueryValueExA(key, s.name.c_str(), nullptr, &type, data, &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS)
            return "<missing>";
        return std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
    }
    bool IsSeed(const ovra::JobResult& r) const
    {
        for (const Seed& s : seeds)
            if (Id(s) == Id(r))
                return true;
        return false;
    }
    FrameState State(Driver& d)
    {
        return d.ReadOnUi<FrameState>([&] { return ReadFrame(frame); });
    }
    // Clicks the tick box of the record card that shows r, in the section
    // of r's job: first the section entry, then the card.
    void Untick(Driver& d, const std::string& id)
    {
        int job = -1, row = -1;
        d.OnUi([&] {
            for (const ovra::JobResult& r : frame.m_results)
                if (Id(r) == id)
                    job = r.nJobId;
        });
        ASSERT_GE(job, 1) << id;
        HWND groups = frame.m_resultPage.m_groupView.m_hWndView;
        d.Click(groups, 40, job * 32 + 16);
        ASSERT_TRUE(d.WaitUntil([&] {
            const auto& rows = frame.m_resultPage.m_resultView.m_records;
            for (size_t i = 0; i < rows.size(); ++i)
                if (Id(*rows[i].pRecord) == id) {
                    row = static_cast<int>(i);
                    return frame.m_resultPage.m_groupView.m_nSelected == job;
                }
            return false;
        }));
        // Scroll the card into view as a user would, a line at a time.
        HWND view = frame.m_resultPage.m_resultView.m_hWndView;
        int scroll = 0;
        for (int i = 0; i < row; ++i)
            scroll = d.ReadOnUi<int>([&] {
                SendMessageA(view, WM_VSCROLL, SB_LINEDOWN, 0);
                return frame.m_resultPage.m_resultView.m_nScrollPos;
            });
        d.Click(view, 15, row * 60 + 15 - scroll);
        ASSERT_TRUE(d.WaitUntil([&] {
            for (const ovra::JobResult& r : frame.m_results)
                if (Id(r) == id)
                    return !r.bSelected;
            return false;
        }));
    }

    std::vector<Seed> seeds;
    std::map<std::string, std::string> original;
    ovra::WizardFrame frame;
};

} // namespace

TEST_F(FlowRoad, ScanRepairWithBackupThenRestoreASubset)
{
    // Entries the user keeps: unticked before Repair.
    const std::string keptShared = std::string(kShared) + "|C:\\ovra_road\\gone2.dll";
    const std::string keptFont = std::string(kFonts) + "|Ovra Road Gone (TrueType)";
    // Entries left out of the restore.
    const std::string notRestored1 = std::string(kRun) + "|OvraRoadGone";
    const std::string notRestored2 = std::string("CLSID|") + (kClsidGone + 6);
    std::vector<ovra::JobResult> scanned;
    std::set<std::string> foreign; // the prefix's own findings, left alone

    Play(frame, [&](Driver& d) {
        d.OnUi([&] { SendMessageA(frame.m_welcomePage.m_hWndScan, BM_CLICK, 0, 0); });
        d.Click(frame.m_btnNext.m_hWndButton);
        ASSERT_TRUE(d.WaitUntil([&] { return frame.m_strTitle == "Scan Results"; }));

        // Exactly the dead seeds are reported, each once.
        d.OnUi([&] {
            for (ovra::JobResult& r : frame.m_results) {
                if (!IsSeed(r)) {
                    foreign.insert(Id(r));
                    r.bSelected = false; // not this test's to repair
                }
            }
            scanned = frame.m_results;
        });
        for (const Seed& s : seeds) {
            int found = 0;
            for (const ovra::JobResult& r : scanned)
                found += Id(r) == Id(s);
            EXPECT_EQ(found, s.dead ? 1 : 0) << Id(s);
        }

        Untick(d, keptShared);
        Untick(d, keptFont);

        d.Click(frame.m_btnNext.m_hWndButton); // Repair
        MessageBoxSeen box;
        ASSERT_TRUE(d.WaitForMessageBox(box));
        ASSERT_EQ(box.text, "Do you want to create a backup?");
        d.Answer(box, "&Yes");
        ASSERT_TRUE(d.WaitForMessageBox(box));
        EXPECT_EQ(box.caption, "SUCCESS");
        d.Answer(box, "OK");
        ASSERT_TRUE(d.WaitUntil([&] { return frame.m_strTitle == "Welcome to Ovra Hivemend"; }));

        // After the repair: ticked dead entries gone, the rest untouched.
        for (const Seed& s : seeds) {
            const bool removed = s.dead && Id(s) != keptShared && Id(s) != keptFont;
            EXPECT_EQ(Dump(s), removed ? "<missing>" : original[Id(s)]) << Id(s);
        }

        // The backup holds exactly the records ticked at Repair, in order.
        std::vector<ovra::JobResult> ticked;
        for (const ovra::JobResult& r : scanned)
            if (r.bSelected && Id(r) != keptShared && Id(r) != keptFont)
                ticked.push_back(r);
        std::vector<std::string> names;
        ovra::BackupManager manager;
        manager.GetBackupList(names);
        ASSERT_EQ(names, std::vector<std::string>{"AutomaticBackup001.backup2"});
        std::vector<ovra::JobResult> saved;
        ASSERT_TRUE(manager.ReadBackup(names[0].c_str(), saved));
        ASSERT_EQ(saved.size(), ticked.size());
        for (size_t i = 0; i < saved.size(); ++i) {
            EXPECT_EQ(saved[i].hRoot, ticked[i].hRoot);
            EXPECT_EQ(Id(saved[i]), Id(ticked[i]));
            EXPECT_EQ(saved[i].sProblem, ticked[i].sProblem);
            EXPECT_EQ(saved[i].sSection, ticked[i].sSection);
            EXPECT_EQ(saved[i].sValue, ticked[i].sValue);
            EXPECT_EQ(saved[i].nJobId, ticked[i].nJobId);
            EXPECT_EQ(saved[i].nKind, ticked[i].nKind);
        }

        // Restore: choose the backup, untick two, confirm.
        ASSERT_TRUE(OpenNewestBackup(d, frame));
        EXPECT_EQ(State(d), Expect("Select records to restore", kResult, Enabled("< Back", 1009),
                                   Enabled("Next >", 1010), Enabled("Cancel", 1200)));
        d.OnUi([&] {
            for (ovra::JobResult& r : frame.m_results)
                if (foreign.count(Id(r)))
                    r.bSelected = false;
        });
        Untick(d, notRestored1);
        Untick(d, notRestored2);
        d.Click(frame.m_btnNext.m_hWndButton);
        ASSERT_TRUE(d.WaitForMessageBox(box));
        EXPECT_EQ(box.caption, "QUESTION");
        EXPECT_EQ(box.text, "Are you sure you want to restore?");
        d.Answer(box, "&Yes");
        ASSERT_TRUE(d.WaitForMessageBox(box));
        EXPECT_EQ(box.caption, "SUCCESS");
        EXPECT_EQ(box.text, "All operations have been completed successfully.");
        d.Answer(box, "OK");
        ASSERT_TRUE(d.WaitUntil([&] { return frame.m_strTitle == "Welcome to Ovra Hivemend"; }));
    });

    // Exactly the ticked ones are back, byte for byte; the two left out stay gone.
    for (const Seed& s : seeds) {
        const bool absent = Id(s) == notRestored1 || Id(s) == notRestored2;
        EXPECT_EQ(Dump(s), absent ? "<missing>" : original[Id(s)]) << Id(s);
    }
}

TEST_F(FlowRoad, RestoreFromABackupThatCannotBeOpenedWritesNothing)
{
    // A backup of one dead seed, then the seed is removed.
    const Seed& shared = seeds[0];
    ovra::JobResult record;
    record.hRoot = 0x80000002u;
    record.sKeyPath = shared.key;
    record.sName = shared.name;
    record.nJobId = 6;
    record.bSelected = true;
    std::vector<ovra::JobResult> records{record};
    ovra::BackupManager manager;
    ASSERT_TRUE(manager.WriteBackup("AutomaticBackup001.backup2", records));
    delete_value(shared.root, shared.key.c_str(), shared.name.c_str());
    const std::string file = BackupFolder() + "AutomaticBackup001.backup2";
    HANDLE holder = INVALID_HANDLE_VALUE;

    Play(frame, [&](Driver& d) {
        ASSERT_TRUE(OpenNewestBackup(d, frame));
        // Another program now holds the file without sharing.
        holder = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        d.Click(frame.m_btnNext.m_hWndButton);
        MessageBoxSeen box;
        ASSERT_TRUE(d.WaitForMessageBox(box));
        d.Answer(box, "&Yes");
        ASSERT_TRUE(d.WaitForMessageBox(box));
        EXPECT_EQ(box.caption, "ERROR");
        EXPECT_EQ(box.text, "There were some problems while restoring backup file.");
        d.Answer(box, "OK");
        ASSERT_TRUE(d.WaitUntil([&] { return frame.m_strTitle == "Welcome to Ovra Hivemend"; }));
    });
    if (holder != INVALID_HANDLE_VALUE)
        CloseHandle(holder);
    EXPECT_EQ(Dump(shared), "<missing>");
}
