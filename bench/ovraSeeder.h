#pragma once

#include "platform/ovraRegKey.h"

#include <windows.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace ovra {

// Fills a throwaway prefix with the registry of a well-used machine: tens of
// thousands of COM classes whose servers are shared as in a real system
// folder, uninstall entries of every style, shared libraries, fonts, help
// files, application paths, shell cache and installer folders, and what
// Vista to 11 add: per-user installs (uninstall entries, startup programs,
// application paths, COM classes), the shell's program-name cache, the
// compatibility lists and type libraries, the classes' document types,
// extensions, Applications entries and shell handlers, sound events and
// registered applications; about one in ten of them left behind by
// programs whose folders were removed. The live
// files are created on C:. Everything follows from one fixed seed, so every
// run seeds the same machine.
class Seeder {
public:
    explicit Seeder(uint32_t seed);

    // False when a key could not be written or a live file created.
    bool Run();

    // What was seeded, and how many entries of each area point at nothing.
    struct Area {
        const char* name;
        int nEntries;
        int nDead;
    };
    static const int kAreas = 20;
    const Area* Areas() const { return m_areas; }
    int FilesCreated() const { return m_nFiles; }

private:
    static const int kLiveProducts = 700;
    static const int kRemovedProducts = 120;

    static std::string Format(const char* format, ...);
    // Creates or opens path below root for writing; the holder closes it.
    static bool CreateKey(HKEY root, const std::string& path, RegKey& key);

    // A program folder: live ones exist with their files, removed ones do not.
    std::string ProductDir(int index, bool live) const;
    std::string LiveProductFile(int index, const char* file) const;
    std::string DeadPath(const char* file); // in a removed folder, or a deleted file in a live one
    std::string Guid();
    int Pick(int count);
    bool Chance(int perThousand);

    bool SeedFiles();
    bool SeedClasses();
    bool SeedUninstall();
    bool SeedSharedDlls();
    bool SeedFonts();
    bool SeedHelp();
    bool SeedAppPaths();
    bool SeedMuiCache();
    bool SeedInstallerFolders();
    bool SeedUserInstalls();
    bool SeedUserClasses();
    bool SeedTypeLibraries();
    bool SeedShellCache();
    bool SeedCompatLists();
    // The file types and the shell (ovraSeederFileTypes.cpp).
    bool SeedFileTypes();
    bool SeedApplications();
    bool SeedShellHandlers();
    bool SeedSoundEvents();
    bool SeedRegisteredApps();

    bool MakeFile(const std::string& path);
    bool SetText(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ);
    bool SetNumber(HKEY key, const char* name, DWORD number);
    bool SetNone(HKEY key, const char* name);

    std::mt19937 m_rng;
    std::string m_strWindows; // C:\windows
    std::string m_strSystem;  // C:\windows\system32
    std::set<std::string> m_dirs; // folders already made
    std::vector<std::string> m_classIds; // COM classes seeded, for the shell handlers
    Area m_areas[kAreas];
    int m_nFiles;
    bool m_bOk;
};

} // namespace ovra
