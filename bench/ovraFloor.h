#pragma once

#include <windows.h>

#include <string>

namespace ovra {

class ClassAreas;

// The least a scan can do without help: the registry walks of the jobs
// over every place they read (both registry views where the 32-bit twin is a
// key of its own) and one file-system question per path view, as the checks
// need them (key opens, counts, enumerations, default-value reads,
// expansions, drive types, attributes, the other view of a 64-bit system's
// folders; startup lines, uninstall commands and verbs go through the same
// parse and searches), and for each missing entry the check that a record
// of it could be saved exactly, building no record and remembering nothing.
// The benchmark's yardstick.
class Floor {
public:
    // driveOncePerLetter: a drive's type is asked once per letter and run
    // (the tighter floor); otherwise once per path, as each check's own
    // full-path test does when nothing is remembered.
    explicit Floor(bool driveOncePerLetter);

    // Walks everything once; returns the number of entries found missing.
    int Run();

    // File-system questions asked by the last run (drive types not counted).
    long Questions() const;

    // The last run's time spent on each catalogue job's places (ms).
    static const int kJobs = 10;
    double JobMs(int id) const { return id >= 0 && id < kJobs ? m_jobMs[id] : 0.0; }

private:
    bool Missing(const char* path);         // drive test, then every view's attributes
    bool MissingFile(const char* path);     // as written, else without a trailing "\N"
    const char* Text(DWORD type, char* data, DWORD length, char* expanded);
    int Values(HKEY root, const char* path, int how); // what each value names: see How
    int DefaultValues(HKEY root, const char* path, const char* format, const char* valueName, bool uninstall);
    int TypeLibraries();
    int Reported(HKEY root, const std::string& keyPath, const char* name, bool key);
    int Reported(HKEY parent, const char* name, bool key);
    int RegisteredApps();
    int Sounds();
    // The file-types check's walks (ovraFloorFileTypes.cpp).
    int FileTypes();
    int ClassKeys(HKEY root, const std::string& path);
    int Entry(HKEY root, HKEY parent, const char* name, const std::string& path);
    int Verbs(HKEY base, const std::string& path, int& registrations);
    int Icon(HKEY base, const std::string& path, int& registrations);
    int Handlers(HKEY root, const std::string& list);
    int OpenWithProgids(HKEY root, const std::string& list);
    int OpenWithList(HKEY root, const std::string& list);

    bool m_bDriveOncePerLetter;
    unsigned m_driveTypes[26]; // 0: not asked in this run
    char m_szFonts[MAX_PATH]; // the Windows directory with "\FONTS\" after it
    double m_jobMs[kJobs];
    const ClassAreas* m_pAreas; // during FileTypes
};

} // namespace ovra
