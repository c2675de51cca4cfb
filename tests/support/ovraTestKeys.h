#pragma once

// The keys the checks walk, as the tests that seed them spell them.
namespace ovratest {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kMuiCacheKey[] = "SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
const char kShellCacheKey[] = "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
const char kLayersKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
const char kAssistantKey[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Store";
const char kUserClassesKey[] = "Software\\Classes\\CLSID";

} // namespace ovratest
