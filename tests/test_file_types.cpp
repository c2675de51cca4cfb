// What programs leave in the classes and the shell: one table row per place.
// Each row seeds dead entries beside live ones and every shape that is not
// judged; the scan must find exactly the dead ones, and the whole road of a
// repair with its backup and a restore must give the keys back byte for
// byte.
#include "platform/ovraExistenceCache.h"
#include "platform/ovraPathViews.h"
#include "platform/ovraRegView.h"
#include "ovraBackupTestFiles.h"
#include "ovraTestRecords.h"
#include "checks/ovraRegWalk.h"
#include "scan/ovraJobEnumerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <tuple>

using namespace ovratest;

#define UC "Software\\Classes\\"
#define MC "SOFTWARE\\Classes\\"
#define GONE "C:\\ovra_ft\\gone\\"
#define DEAD_CLASS "{0FA1DEAD-0000-4000-8000-0000000000A1}"
#define LIVE_CLASS "{0FA1A11E-0000-4000-8000-0000000000B2}"
#define W32_CLASS "{0FA10032-0000-4000-8000-0000000000C3}"
#define LOCKED_CLASS "{0FA1C105-0000-4000-8000-0000000000D4}"
#define UNREAD_CLASS "{0FA1DEAD-0000-4000-8000-0000000000E5}"
#define APP_PATHS "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"

namespace {

const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kMachine = HKEY_LOCAL_MACHINE;
const bool kGone = true;  // removed by the repair, with its record
const bool kKept = false; // live, or not judged: never reported, never removed
const DWORD kKeyOnly = 0xFFFFFFFF; // REG_NONE is 0
const char kDeadCommand[] = "\"" GONE "app.exe\" \"%1\"";
const std::string kUnreadable(3000, 'x'); // longer than any text the checks read

// A value (name null: the default; type kKeyOnly: only the key).
struct Seed {
    bool gone;
    HKEY root;
    std::string key;
    const char* name;
    DWORD type;
    const char* text;
    bool twoViewsOnly;
};

struct Expect {
    HKEY root;
    const char* keyPath;
    const char* name;
    const char* problem;
    const char* section; // below the root
    const char* value;
    int kind;
    bool twoViewsOnly;
};

struct Place {
    const char* title;
    int jobId;
    std::vector<Seed> seeds;
    std::vector<Expect> found;
    // Keys that refuse reading while the scan runs: what they hold may be live.
    std::vector<std::pair<HKEY, std::string>> locked = {};
};

Seed Kept(HKEY root, const char* key, const char* name, const char* text, DWORD type = REG_SZ)
{
    return Seed{kKept, root, key, name, type, text, false};
}

// Shapes no verb or icon check may judge, each in a type of its own.
const char* const kUnjudgedCommands[] = {
    "\"%1\" %*", "%1", "notepad.exe \"%1\"", "ovra_nowhere.exe \"%1\"", "rundll32.exe ovra_nowhere.dll,Run %1",
    "\"R:\\ovra_gone.exe\" \"%1\"", "\\\\ovra_server\\share\\gone.exe %1", "\"C:\\ovra_ft\\live.exe\" \"%1\"", "",
};
const char* const kUnjudgedIcons[] = {
    "%1", "@" GONE "res.dll,-101", "shell32.dll,3", "C:\\ovra_ft\\live.exe", "\"C:\\ovra_ft\\live.exe\",-2",
    "R:\\ovra_gone.ico", "C:\\ovra_ft\\live.exe, 1", "C:\\ovra_ft\\live.exe,IDI_MAIN",
};

std::vector<Seed> Unjudged()
{
    std::vector<Seed> seeds;
    for (const char* command : kUnjudgedCommands)
        seeds.push_back({kKept, kUser, UC "ovra.ft.kept" + std::to_string(seeds.size()) + "\\shell\\open\\command",
                         nullptr, REG_SZ, command, false});
    for (const char* icon : kUnjudgedIcons)
        seeds.push_back({kKept, kUser, UC "ovra.ft.kept" + std::to_string(seeds.size()) + "\\DefaultIcon", nullptr,
                         REG_SZ, icon, false});
    return seeds;
}

std::vector<Place> Places()
{
    std::vector<Place> places = {
        {"document types, per user", 9,
         {{kGone, kUser, UC "ovra.ft.gone\\shell\\open\\command", nullptr, REG_SZ, kDeadCommand, false},
          {kGone, kUser, UC "ovra.ft.gone\\DefaultIcon", nullptr, REG_SZ, GONE "app.exe,0", false},
          {kGone, kUser, UC "ovra.ft.gone", "FriendlyTypeName", REG_SZ, "Ovra Gone Document", false},
          {kGone, kUser, UC "ovra.ft.mixed\\DefaultIcon", nullptr, REG_SZ, GONE "mixed.ico", false},
          Kept(kUser, UC "ovra.ft.mixed\\shell\\open\\command", nullptr, "\"C:\\ovra_ft\\live.exe\" \"%1\""),
          {kGone, kUser, UC "ovra.ft.cur\\shell\\edit\\command", nullptr, REG_SZ, GONE "edit.exe %1", false},
          Kept(kUser, UC "ovra.ft.cur\\CurVer", nullptr, "ovra.ft.cur.2"),
          Kept(kUser, UC "ovra.ft.delegate\\shell\\open\\command", nullptr, kDeadCommand),
          Kept(kUser, UC "ovra.ft.delegate\\shell\\open\\command", "DelegateExecute", LIVE_CLASS),
          Kept(kUser, UC "ovra.ft.handler\\shell\\open\\command", nullptr, kDeadCommand),
          Kept(kUser, UC "ovra.ft.handler\\shell\\open", "ExplorerCommandHandler", LIVE_CLASS),
          Kept(kUser, UC "ovra.ft.drop\\shell\\open\\command", nullptr, kDeadCommand),
          Kept(kUser, UC "ovra.ft.drop\\shell\\open\\DropTarget", "Clsid", LIVE_CLASS),
          Kept(kUser, UC "ovra.ft.dde\\shell\\open\\command", nullptr, ""),
          Kept(kUser, UC "ovra.ft.dde\\shell\\open\\ddeexec", nullptr, "[open(\"%1\")]"),
          Kept(kUser, UC "AppXovra1\\shell\\open\\command", nullptr, kDeadCommand),
          Kept(kUser, UC "ovra.ft.locked\\shell\\open\\command", nullptr, "\"C:\\ovra_ft\\live.exe\" \"%1\""),
          {kGone, kUser, UC "ovra.ft.locked\\DefaultIcon", nullptr, REG_SZ, GONE "locked.ico", false}},
         {{kUser, "Software\\Classes", "ovra.ft.gone", "File type is invalid",
           UC "ovra.ft.gone\\shell\\open\\command", "(Default) = \"" GONE "app.exe\" \"%1\"", 1, false},
          {kUser, UC "ovra.ft.mixed", "DefaultIcon", "Default icon is invalid", UC "ovra.ft.mixed\\DefaultIcon",
           "(Default) = " GONE "mixed.ico", 1, false},
          {kUser, UC "ovra.ft.cur\\shell", "edit", "Shell command is invalid", UC "ovra.ft.cur\\shell\\edit\\command",
           "(Default) = " GONE "edit.exe %1", 1, false},
          {kUser, UC "ovra.ft.locked", "DefaultIcon", "Default icon is invalid", UC "ovra.ft.locked\\DefaultIcon",
           "(Default) = " GONE "locked.ico", 1, false}},
         {{kUser, UC "ovra.ft.locked\\shell"}}},
        {"document types, machine-wide and 32-bit", 9,
         {{kGone, kMachine, MC "ovra.ft.mgone\\shell\\print\\command", nullptr, REG_SZ,
           "rundll32.exe \"" GONE "print.dll\",Print %1", false},
          {kGone, kMachine, MC "ovra.ft.micon\\DefaultIcon", nullptr, REG_EXPAND_SZ, "%SystemDrive%\\ovra_ft\\gone\\m.dll,-3",
           false},
          {kGone, kMachine, MC "Wow6432Node\\ovra.ft.twin\\shell\\open\\command", nullptr, REG_SZ, kDeadCommand, true},
          Kept(kMachine, MC "ovra.ft.uservar\\shell\\open\\command", nullptr, "\"%APPDATA%\\ovra_gone\\app.exe\" \"%1\"",
               REG_EXPAND_SZ)},
         {{kMachine, "SOFTWARE\\Classes", "ovra.ft.mgone", "File type is invalid", MC "ovra.ft.mgone\\shell\\print\\command",
           "(Default) = rundll32.exe \"" GONE "print.dll\",Print %1", 1, false},
          {kMachine, "SOFTWARE\\Classes", "ovra.ft.micon", "File type is invalid", MC "ovra.ft.micon\\DefaultIcon",
           "(Default) = " GONE "m.dll,-3", 1, false},
          {kMachine, "SOFTWARE\\Classes\\Wow6432Node", "ovra.ft.twin", "File type is invalid",
           MC "Wow6432Node\\ovra.ft.twin\\shell\\open\\command", "(Default) = \"" GONE "app.exe\" \"%1\"", 1, true}}},
        {"URL protocols", 9,
         {{kGone, kUser, UC "ovraftp\\shell\\open\\command", nullptr, REG_SZ, kDeadCommand, false},
          {kGone, kUser, UC "ovraftp", "URL Protocol", REG_SZ, "", false},
          Kept(kUser, UC "ovraftlive\\shell\\open\\command", nullptr, "\"C:\\ovra_ft\\live.exe\" \"%1\""),
          Kept(kUser, UC "ovraftlive", "URL Protocol", "")},
         {{kUser, "Software\\Classes", "ovraftp", "URL protocol is invalid", UC "ovraftp\\shell\\open\\command",
           "(Default) = \"" GONE "app.exe\" \"%1\"", 1, false}}},
        {"Applications entries", 9,
         {{kGone, kUser, UC "Applications\\ovra_ft_gone.exe\\shell\\open\\command", nullptr, REG_SZ, kDeadCommand, false},
          {kGone, kUser, UC "Applications\\ovra_ft_gone.exe", "FriendlyAppName", REG_SZ, "Ovra Gone", false},
          {kGone, kUser, UC "Applications\\ovra_ft_gone.exe\\SupportedTypes", ".ovraft", REG_SZ, "", false},
          Kept(kUser, UC "Applications\\ovra_ft_live.exe\\shell\\open\\command", nullptr, "C:\\ovra_ft\\live.exe %1"),
          Kept(kUser, UC "Applications\\ovra_ft_plain.exe", "FriendlyAppName", "Ovra Plain")},
         {{kUser, UC "Applications", "ovra_ft_gone.exe", "Application entry is invalid",
           UC "Applications\\ovra_ft_gone.exe\\shell\\open\\command", "(Default) = \"" GONE "app.exe\" \"%1\"", 1,
           false}}},
        {"SystemFileAssociations: parts only", 9,
         {{kGone, kMachine, MC "SystemFileAssociations\\.ovraft\\shell\\ovra.view\\command", nullptr, REG_SZ,
           kDeadCommand, false},
          {kGone, kMachine, MC "SystemFileAssociations\\.ovraft\\DefaultIcon", nullptr, REG_SZ, GONE "v.ico", false}},
         {{kMachine, MC "SystemFileAssociations\\.ovraft\\shell", "ovra.view", "Shell command is invalid",
           MC "SystemFileAssociations\\.ovraft\\shell\\ovra.view\\command", "(Default) = \"" GONE "app.exe\" \"%1\"",
           1, false},
          {kMachine, MC "SystemFileAssociations\\.ovraft", "DefaultIcon", "Default icon is invalid",
           MC "SystemFileAssociations\\.ovraft\\DefaultIcon", "(Default) = " GONE "v.ico", 1, false}}},
        {"extensions: their icon, never their default", 9,
         {{kGone, kUser, UC ".ovraft\\DefaultIcon", nullptr, REG_SZ, GONE "ext.ico", false},
          Kept(kUser, UC ".ovraft", nullptr, "ovra.ft.nowhere")},
         {{kUser, UC ".ovraft", "DefaultIcon", "Default icon is invalid", UC ".ovraft\\DefaultIcon",
           "(Default) = " GONE "ext.ico", 1, false}}},
        {"OpenWithProgids, with a type reported in the same scan", 9,
         {{kGone, kUser, UC ".ovraft\\OpenWithProgids", "ovra.ft.nowhere", REG_NONE, nullptr, false},
          {kGone, kUser, UC ".ovraft\\OpenWithProgids", "ovra.ft.deadtype", REG_NONE, nullptr, false},
          {kGone, kUser, UC "ovra.ft.deadtype\\shell\\open\\command", nullptr, REG_SZ, kDeadCommand, false},
          Kept(kUser, UC ".ovraft\\OpenWithProgids", "ovra.ft.ureg", nullptr, REG_NONE),
          Kept(kUser, UC "ovra.ft.ureg", nullptr, "Ovra"),
          Kept(kUser, UC ".ovraft\\OpenWithProgids", "ovra.ft.mreg", ""),
          Kept(kMachine, MC "ovra.ft.mreg", nullptr, "Ovra"),
          {kKept, kUser, UC ".ovraft\\OpenWithProgids", "ovra.ft.w32", REG_SZ, "", true},
          {kKept, kMachine, MC "Wow6432Node\\ovra.ft.w32", nullptr, REG_SZ, "Ovra", true},
          Kept(kUser, UC ".ovraft\\OpenWithProgids", "AppXovra9", "")},
         {{kUser, UC ".ovraft\\OpenWithProgids", "ovra.ft.nowhere", "Open With item is invalid",
           UC ".ovraft\\OpenWithProgids", "ovra.ft.nowhere", 0, false},
          {kUser, UC ".ovraft\\OpenWithProgids", "ovra.ft.deadtype", "Open With item is invalid",
           UC ".ovraft\\OpenWithProgids", "ovra.ft.deadtype", 0, false},
          {kUser, "Software\\Classes", "ovra.ft.deadtype", "File type is invalid",
           UC "ovra.ft.deadtype\\shell\\open\\command", "(Default) = \"" GONE "app.exe\" \"%1\"", 1, false}}},
        {"OpenWithList, with an Applications entry reported in the same scan and a dead App Paths entry", 9,
         {{kGone, kUser, UC ".ovraft\\OpenWithList\\ovra_ft_nowhere.exe", nullptr, kKeyOnly, nullptr, false},
          {kGone, kUser, UC ".ovraft\\OpenWithList", "ovra_ft_nsis.exe", REG_NONE, nullptr, false},
          {kGone, kUser, UC ".ovraft\\OpenWithList", "ovra_ft_deadapp.exe", REG_NONE, nullptr, false},
          {kGone, kUser, UC ".ovraft\\OpenWithList", "ovra_ft_deadpath.exe", REG_NONE, nullptr, false},
          Kept(kUser, APP_PATHS "ovra_ft_deadpath.exe", nullptr, GONE "deadpath.exe"),
          {kGone, kUser, UC "Applications\\ovra_ft_deadapp.exe\\shell\\open\\command", nullptr, REG_SZ, kDeadCommand,
           false},
          Kept(kUser, UC ".ovraft\\OpenWithList", "notepad.exe", nullptr, REG_NONE),
          Kept(kUser, UC ".ovraft\\OpenWithList\\ovra_ft_apppath.exe", nullptr, nullptr, kKeyOnly),
          Kept(kUser, APP_PATHS "ovra_ft_apppath.exe", nullptr, "C:\\ovra_ft\\live.exe"),
          Kept(kUser, UC ".ovraft\\OpenWithList", "ovra_ft_liveapp.exe", nullptr, REG_NONE),
          Kept(kUser, UC "Applications\\ovra_ft_liveapp.exe\\shell\\open\\command", nullptr, "C:\\ovra_ft\\live.exe"),
          Kept(kUser, UC ".ovraft\\OpenWithList", "a", "ovra_ft_nowhere.exe"),
          Kept(kUser, UC ".ovraft\\OpenWithList", "MRUList", "a"),
          Kept(kUser, UC ".ovraft\\OpenWithList", GONE "path.exe", nullptr, REG_NONE),
          // Named by a second extension too: judged the same there.
          {kGone, kUser, UC ".ovraft2\\OpenWithList", "ovra_ft_nsis.exe", REG_NONE, nullptr, false},
          Kept(kUser, UC ".ovraft2\\OpenWithList", "ovra_ft_apppath.exe", nullptr, REG_NONE),
          Kept(kUser, UC ".ovraft\\OpenWithList", "ovra_ft_locked.exe", nullptr, REG_NONE),
          Kept(kUser, APP_PATHS "ovra_ft_locked.exe", nullptr, GONE "locked.exe")},
         {{kUser, UC "Applications", "ovra_ft_deadapp.exe", "Application entry is invalid",
           UC "Applications\\ovra_ft_deadapp.exe\\shell\\open\\command", "(Default) = \"" GONE "app.exe\" \"%1\"", 1,
           false},
          {kUser, UC ".ovraft\\OpenWithList", "ovra_ft_nowhere.exe", "Open With item is invalid",
           UC ".ovraft\\OpenWithList\\ovra_ft_nowhere.exe", "ovra_ft_nowhere.exe", 1, false},
          {kUser, UC ".ovraft\\OpenWithList", "ovra_ft_nsis.exe", "Open With item is invalid",
           UC ".ovraft\\OpenWithList", "ovra_ft_nsis.exe", 0, false},
          {kUser, UC ".ovraft\\OpenWithList", "ovra_ft_deadapp.exe", "Open With item is invalid",
           UC ".ovraft\\OpenWithList", "ovra_ft_deadapp.exe", 0, false},
          {kUser, UC ".ovraft\\OpenWithList", "ovra_ft_deadpath.exe", "Open With item is invalid",
           UC ".ovraft\\OpenWithList", "ovra_ft_deadpath.exe", 0, false},
          {kUser, UC ".ovraft2\\OpenWithList", "ovra_ft_nsis.exe", "Open With item is invalid",
           UC ".ovraft2\\OpenWithList", "ovra_ft_nsis.exe", 0, false}},
         {{kUser, APP_PATHS "ovra_ft_locked.exe"}}},
        // The scanning user's own dead entries are no other user's, nor
        // are the machine's.
        {"machine-wide lists naming what the same scan reports whole", 9,
         {{kGone, kMachine, MC ".ovraft\\OpenWithList", "ovra_ft_mdead.exe", REG_NONE, nullptr, false},
          {kGone, kUser, UC "Applications\\ovra_ft_mdead.exe\\shell\\open\\command", nullptr, REG_SZ, kDeadCommand,
           false},
          {kGone, kMachine, MC ".ovraft\\OpenWithList", "ovra_ft_mdead2.exe", REG_NONE, nullptr, false},
          {kGone, kMachine, MC "Applications\\ovra_ft_mdead2.exe\\shell\\open\\command", nullptr, REG_SZ,
           kDeadCommand, false},
          {kGone, kMachine, MC ".ovraft\\OpenWithProgids", "ovra.ft.mdead", REG_NONE, nullptr, false},
          {kGone, kUser, UC "ovra.ft.mdead\\shell\\open\\command", nullptr, REG_SZ, kDeadCommand, false}},
         {{kUser, UC "Applications", "ovra_ft_mdead.exe", "Application entry is invalid",
           UC "Applications\\ovra_ft_mdead.exe\\shell\\open\\command", "(Default) = \"" GONE "app.exe\" \"%1\"", 1,
           false},
          {kMachine, MC "Applications", "ovra_ft_mdead2.exe", "Application entry is invalid",
           MC "Applications\\ovra_ft_mdead2.exe\\shell\\open\\command", "(Default) = \"" GONE "app.exe\" \"%1\"", 1,
           false},
          {kMachine, MC ".ovraft\\OpenWithList", "ovra_ft_mdead.exe", "Open With item is invalid",
           MC ".ovraft\\OpenWithList", "ovra_ft_mdead.exe", 0, false},
          {kMachine, MC ".ovraft\\OpenWithList", "ovra_ft_mdead2.exe", "Open With item is invalid",
           MC ".ovraft\\OpenWithList", "ovra_ft_mdead2.exe", 0, false},
          {kMachine, MC ".ovraft\\OpenWithProgids", "ovra.ft.mdead", "Open With item is invalid",
           MC ".ovraft\\OpenWithProgids", "ovra.ft.mdead", 0, false},
          {kUser, "Software\\Classes", "ovra.ft.mdead", "File type is invalid",
           UC "ovra.ft.mdead\\shell\\open\\command", "(Default) = \"" GONE "app.exe\" \"%1\"", 1, false}}},
        {"shell extension handlers", 9,
         {{kGone, kMachine, MC "*\\shellex\\ContextMenuHandlers\\ovra ft gone", nullptr, REG_SZ, DEAD_CLASS, false},
          {kGone, kUser, UC "ovra.ft.shx\\shellex\\PropertySheetHandlers\\" DEAD_CLASS, nullptr, kKeyOnly, nullptr,
           false},
          {kGone, kMachine, MC "Directory\\Background\\shellex\\ContextMenuHandlers\\ovra ft bg", nullptr, REG_SZ,
           DEAD_CLASS, false},
          Kept(kUser, UC "ovra.ft.shx\\shell\\open\\command", nullptr, "C:\\ovra_ft\\live.exe %1"),
          Kept(kMachine, MC "CLSID\\" LIVE_CLASS "\\InprocServer32", nullptr, "C:\\ovra_ft\\live.dll"),
          Kept(kMachine, MC "*\\shellex\\ContextMenuHandlers\\ovra ft live", nullptr, LIVE_CLASS),
          Kept(kMachine, MC "*\\shellex\\ContextMenuHandlers\\" LIVE_CLASS, nullptr, nullptr, kKeyOnly),
          Kept(kMachine, MC "*\\shellex\\ContextMenuHandlers\\ovra ft off", nullptr, "--" DEAD_CLASS),
          {kKept, kMachine, MC "Wow6432Node\\CLSID\\" W32_CLASS "\\InprocServer32", nullptr, REG_SZ,
           "C:\\ovra_ft\\live.dll", true},
          {kKept, kMachine, MC "*\\shellex\\ContextMenuHandlers\\ovra ft w32", nullptr, REG_SZ, W32_CLASS, true},
          Kept(kMachine, MC "*\\shellex\\ContextMenuHandlers\\ovra ft locked", nullptr, LOCKED_CLASS),
          Kept(kMachine, MC "CLSID\\" LOCKED_CLASS "\\InprocServer32", nullptr, "C:\\ovra_ft\\live.dll"),
          Kept(kMachine, MC "*\\shellex\\ContextMenuHandlers\\" DEAD_CLASS, nullptr, kUnreadable.c_str()),
          Kept(kMachine, MC "*\\shellex\\ContextMenuHandlers\\" UNREAD_CLASS, nullptr, LIVE_CLASS)},
         {{kMachine, MC "*\\shellex\\ContextMenuHandlers", "ovra ft gone", "Shell extension is invalid",
           MC "*\\shellex\\ContextMenuHandlers\\ovra ft gone", "(Default) = " DEAD_CLASS, 1, false},
          {kMachine, MC "Directory\\Background\\shellex\\ContextMenuHandlers", "ovra ft bg",
           "Shell extension is invalid", MC "Directory\\Background\\shellex\\ContextMenuHandlers\\ovra ft bg",
           "(Default) = " DEAD_CLASS, 1, false},
          {kUser, UC "ovra.ft.shx\\shellex\\PropertySheetHandlers", DEAD_CLASS, "Shell extension is invalid",
           UC "ovra.ft.shx\\shellex\\PropertySheetHandlers\\" DEAD_CLASS, DEAD_CLASS, 1, false}},
         {{kMachine, MC "CLSID\\" LOCKED_CLASS}, {kMachine, MC "*\\shellex\\ContextMenuHandlers\\" UNREAD_CLASS}}},
        // A machine-wide list may name what another user registered for
        // himself; while that user's keys cannot be read, it is not judged.
        {"machine-wide lists while another user's classes cannot be read", 9,
         {Kept(kMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-4242-4242-4242-1001",
               "ProfileImagePath", "C:\\users\\ovra_other"),
          Kept(kMachine, MC "*\\shellex\\ContextMenuHandlers\\ovra ft other", nullptr, DEAD_CLASS),
          Kept(kMachine, MC ".ovraft\\OpenWithProgids", "ovra.ft.theirs", nullptr, REG_NONE),
          Kept(kMachine, MC ".ovraft\\OpenWithList", "ovra_ft_theirs.exe", nullptr, REG_NONE),
          // The user's own list names only what this user has.
          {kGone, kUser, UC ".ovraft\\OpenWithList", "ovra_ft_theirs.exe", REG_NONE, nullptr, false},
          {kGone, kUser, UC "ovra.ft.mine\\shellex\\ContextMenuHandlers\\ovra ft mine", nullptr, REG_SZ, DEAD_CLASS,
           false}},
         {{kUser, UC "ovra.ft.mine\\shellex\\ContextMenuHandlers", "ovra ft mine", "Shell extension is invalid",
           UC "ovra.ft.mine\\shellex\\ContextMenuHandlers\\ovra ft mine", "(Default) = " DEAD_CLASS, 1, false},
          {kUser, UC ".ovraft\\OpenWithList", "ovra_ft_theirs.exe", "Open With item is invalid",
           UC ".ovraft\\OpenWithList", "ovra_ft_theirs.exe", 0, false}}},
        {"icon overlays and the approved list", 9,
         {{kGone, kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers\\"
                            "  ovra ft gone", nullptr, REG_SZ, DEAD_CLASS, false},
          {kGone, kMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", DEAD_CLASS,
           REG_SZ, "Ovra Gone Handler", false},
          Kept(kMachine, MC "CLSID\\" LIVE_CLASS "\\InprocServer32", nullptr, "C:\\ovra_ft\\live.dll"),
          Kept(kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers\\"
                         "  ovra ft live", nullptr, LIVE_CLASS),
          Kept(kMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", LIVE_CLASS,
               "Ovra Live Handler")},
         {{kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers",
           "  ovra ft gone", "Shell extension is invalid",
           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers\\  ovra ft gone",
           "(Default) = " DEAD_CLASS, 1, false},
          {kMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", DEAD_CLASS,
           "Shell extension is invalid", "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
           DEAD_CLASS " = Ovra Gone Handler", 0, false}}},
        {"sound events", 5,
         {{kGone, kUser, "AppEvents\\Schemes\\Apps\\ovra_ft\\OvraDing\\.Current", nullptr, REG_SZ, GONE "ding.wav",
           false},
          {kGone, kUser, "AppEvents\\Schemes\\Apps\\ovra_ft\\OvraDing\\.Modified", nullptr, REG_EXPAND_SZ,
           "%SystemDrive%\\ovra_ft\\gone\\mod.wav", false},
          Kept(kUser, "AppEvents\\Schemes\\Apps\\ovra_ft\\OvraDing\\.Default", nullptr, "ding.wav"),
          Kept(kUser, "AppEvents\\Schemes\\Apps\\ovra_ft\\OvraQuiet\\.Current", nullptr, ""),
          Kept(kUser, "AppEvents\\Schemes\\Apps\\ovra_ft\\OvraLive\\.Current", nullptr, "C:\\ovra_ft\\live.wav")},
         {{kUser, "AppEvents\\Schemes\\Apps\\ovra_ft\\OvraDing\\.Current", "", "Sound file ding.wav doesn't exist",
           "AppEvents\\Schemes\\Apps\\ovra_ft\\OvraDing\\.Current", "(Default) = " GONE "ding.wav", 0, false},
          {kUser, "AppEvents\\Schemes\\Apps\\ovra_ft\\OvraDing\\.Modified", "", "Sound file mod.wav doesn't exist",
           "AppEvents\\Schemes\\Apps\\ovra_ft\\OvraDing\\.Modified", "(Default) = " GONE "mod.wav", 0, false}}},
        {"registered applications", 3,
         {{kGone, kUser, "Software\\RegisteredApplications", "ovra ft gone", REG_SZ,
           "Software\\ovra_ft_gone\\Capabilities", false},
          {kGone, kUser, "Software\\RegisteredApplications", "ovra ft uninstalled", REG_SZ,
           "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ovra_ft_uninst\\Capabilities", false},
          Kept(kUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ovra_ft_uninst", "UninstallString",
               GONE "uninst.exe"),
          Kept(kUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ovra_ft_uninst\\Capabilities",
               "ApplicationName", "Ovra"),
          {kGone, kUser, "Software\\RegisteredApplications", "ovra ft inside", REG_SZ,
           "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ovra_ft_rapp.exe\\Capabilities", false},
          {kGone, kUser, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ovra_ft_rapp.exe", nullptr, REG_SZ,
           GONE "rapp.exe", false},
          {kGone, kUser, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ovra_ft_rapp.exe\\Capabilities",
           "ApplicationName", REG_SZ, "Ovra", false},
          Kept(kUser, "Software\\RegisteredApplications", "ovra ft live", "Software\\ovra_ft_live\\Capabilities"),
          Kept(kUser, "Software\\ovra_ft_live\\Capabilities", "ApplicationDescription", "Ovra"),
          Kept(kUser, "Software\\RegisteredApplications", "ovra ft rooted", "\\Software\\ovra_ft_gone"),
          Kept(kUser, "Software\\RegisteredApplications", "ovra ft locked", "Software\\ovra_ft_locked\\Capabilities"),
          Kept(kUser, "Software\\ovra_ft_locked\\Capabilities", "ApplicationName", "Ovra")},
         {{kUser, "Software\\RegisteredApplications", "ovra ft gone", "Registered application is invalid",
           "Software\\RegisteredApplications", "ovra ft gone = Software\\ovra_ft_gone\\Capabilities", 0, false},
          {kUser, "Software\\RegisteredApplications", "ovra ft inside", "Registered application is invalid",
           "Software\\RegisteredApplications",
           "ovra ft inside = Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ovra_ft_rapp.exe\\Capabilities", 0,
           false},
          {kUser, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", "ovra_ft_rapp.exe", "Value is invalid",
           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ovra_ft_rapp.exe", "(Default) = " GONE "rapp.exe", 1,
           false},
          {kUser, "Software\\RegisteredApplications", "ovra ft uninstalled", "Registered application is invalid",
           "Software\\RegisteredApplications",
           "ovra ft uninstalled = Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ovra_ft_uninst\\Capabilities",
           0, false}},
         {{kUser, "Software\\ovra_ft_locked\\Capabilities"}}},
    };
    const std::vector<Seed> unjudged = Unjudged();
    places[0].seeds.insert(places[0].seeds.end(), unjudged.begin(), unjudged.end());
    return places;
}

bool Applies(bool twoViewsOnly)
{
    return !twoViewsOnly || ovra::PathViews::TwoViews();
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return text;
}

bool IsTestName(const std::string& text)
{
    const std::string folded = Lower(text);
    for (const char* marker : {"ovra", "{0fa1", "-4242-"})
        if (folded.find(marker) != std::string::npos)
            return true;
    return false;
}

// Where a seed goes again: the key tree from the first part of its path
// that the test named, or else its value.
struct Target {
    HKEY root;
    std::string key;
    const char* value;
    bool operator<(const Target& other) const
    {
        const std::string name = value ? value : "", otherName = other.value ? other.value : "";
        return std::tie(root, key, name) < std::tie(other.root, other.key, otherName);
    }
};

Target TargetOf(const Seed& seed)
{
    for (size_t end = seed.key.find('\\');; end = seed.key.find('\\', end + 1)) {
        const std::string prefix = seed.key.substr(0, end);
        const size_t start = prefix.rfind('\\');
        if (IsTestName(prefix.substr(start == std::string::npos ? 0 : start + 1)))
            return {seed.root, prefix, nullptr};
        if (end == std::string::npos)
            return {seed.root, seed.key, seed.name};
    }
}

bool KeyOpens(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | ovra::RegView::Native(), &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void Write(const Seed& seed)
{
    if (seed.type == kKeyOnly)
        add_key(seed.root, seed.key.c_str());
    else
        add_value(seed.root, seed.key.c_str(), seed.name, seed.type, seed.text,
                  seed.text ? static_cast<DWORD>(std::strlen(seed.text) + 1) : 0);
}

std::set<Target> Targets(const std::vector<Seed>& seeds)
{
    std::set<Target> targets;
    for (const Seed& seed : seeds)
        targets.insert(TargetOf(seed));
    return targets;
}

std::string Snapshot(const std::vector<Seed>& seeds)
{
    std::string text;
    for (const Target& target : Targets(seeds))
        text += dump_tree(target.root, target.key.c_str());
    return text;
}

std::vector<std::string> TestRecordTexts(std::vector<ovra::JobResult>& records)
{
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [](const ovra::JobResult& r) { return !IsTestName(RecordText(r)); }),
                  records.end());
    std::vector<std::string> texts = RecordTexts(records);
    std::sort(texts.begin(), texts.end());
    return texts;
}

class FileTypes : public BackupFolderTest {
protected:
    void SetUp() override
    {
        BackupFolderTest::SetUp();
        create_dir("C:\\ovra_ft");
        for (const char* file : {"live.exe", "live.dll", "live.wav"})
            create_file((std::string("C:\\ovra_ft\\") + file).c_str(), "x");
    }
    void TearDown() override
    {
        remove_dir_tree("C:\\ovra_ft");
        BackupFolderTest::TearDown();
    }

    std::vector<ovra::JobResult> Run(int jobId)
    {
        ovra::ExistenceCache::Scope cache;
        return RunJob(*catalogue.Find(jobId));
    }

    // Seeds the place, scans, repairs the records found with a backup that
    // gives them backupJobId, restores it, and takes the seeds away again.
    void Road(const Place& place, int32_t backupJobId)
    {
        SCOPED_TRACE(place.title);
        std::vector<Seed> seeds;
        for (const Seed& seed : place.seeds)
            if (Applies(seed.twoViewsOnly))
                seeds.push_back(seed);
        for (const Seed& seed : seeds)
            Write(seed);
        const std::string before = Snapshot(seeds);

        std::vector<std::string> expected;
        for (const Expect& e : place.found)
            if (Applies(e.twoViewsOnly))
                expected.push_back(RecordText(ScanRecord(e.root, e.keyPath, e.name, e.problem,
                                                         std::string(ovra::RegWalk::RootName(e.root)) + "\\" + e.section,
                                                         e.value, place.jobId, e.kind)));
        std::sort(expected.begin(), expected.end());
        const DWORD kNoReading = READ_CONTROL | WRITE_DAC | DELETE;
        for (const auto& key : place.locked)
            EXPECT_TRUE(set_key_access(key.first, key.second.c_str(), 0, kNoReading)) << key.second;
        std::vector<ovra::JobResult> found = Run(place.jobId);
        for (const auto& key : place.locked)
            set_key_access(key.first, key.second.c_str(), 0, 0);
        EXPECT_EQ(expected, TestRecordTexts(found));

        for (ovra::JobResult& record : found)
            record.nJobId = backupJobId;
        RepairAndRestore(found, [&] {
            for (const Seed& seed : seeds)
                EXPECT_EQ(!seed.gone, seed.type == kKeyOnly ? KeyOpens(seed.root, seed.key)
                                                            : value_present(seed.root, seed.key.c_str(), seed.name))
                    << seed.key << " " << (seed.name ? seed.name : "(Default)");
        });
        EXPECT_EQ(before, Snapshot(seeds));
        for (const Target& target : Targets(seeds)) {
            if (target.value)
                delete_value(target.root, target.key.c_str(), target.value);
            else
                delete_tree(target.root, target.key.c_str());
        }
    }

    ovra::JobEnumerator catalogue;
};

} // namespace

TEST_F(FileTypes, ThePrefixOwnRegistrationsGiveNoFinding)
{
    const std::vector<ovra::JobResult> found = Run(9);
    for (const ovra::JobResult& record : found)
        std::printf("  %s\n", RecordText(record).c_str());
    EXPECT_TRUE(found.empty());
}

TEST_F(FileTypes, DeadEntriesAreFoundAndComeBackByteForByte)
{
    for (const Place& place : Places())
        Road(place, place.jobId);
}

// A backup made by a later version may name a section this one lacks.
TEST_F(FileTypes, RecordsOfAnUnknownSectionRestore)
{
    Road(Places()[2], 42);
}
