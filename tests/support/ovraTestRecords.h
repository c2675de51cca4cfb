#pragma once

// Running a check and comparing what it found, record by record and field by
// field; and putting a key of the prefix aside for the length of a test.
#include "records/ovraJob.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ovratest {

// Every field of a record in one line, so whole records compare and print.
std::string RecordText(const ovra::JobResult& record);
std::vector<std::string> RecordTexts(const std::vector<ovra::JobResult>& records);
// Only the records whose name contains marker: for keys the prefix fills.
std::vector<std::string> RecordTextsNamed(const std::vector<ovra::JobResult>& records, const std::string& marker);

// A record as a scan makes it: ticked, no backup offset.
ovra::JobResult ScanRecord(HKEY root, const std::string& keyPath, const std::string& name,
                           const std::string& problem, const std::string& section, const std::string& value,
                           int jobId, int kind);

// Runs job as the scan run does (nCount set to 0 first, bCancel as given)
// into a vector that already holds two records, checks that those stay in
// front untouched and that nCount equals the number appended, and returns
// the appended records.
std::vector<ovra::JobResult> RunJob(ovra::Job& job, bool cancelled = false);

// Every check of the catalogue, run one after another as a whole scan runs
// them, and everything they found.
std::vector<ovra::JobResult> ScanAll();

// Moves a key of the prefix out of the way and puts it back, exactly, on
// destruction; a key left aside by a crashed run is put back first.
class KeyAside {
public:
    KeyAside(HKEY root, const char* path);
    ~KeyAside();
    KeyAside(const KeyAside&) = delete;
    KeyAside& operator=(const KeyAside&) = delete;

private:
    HKEY m_hRoot;
    std::string m_strPath;
    std::string m_strAside;
};

// Texts no check may judge, whether or not something exists there: paths on
// the removable R:, the CD-ROM S: and the network drive N: (on each a file
// that exists and one that does not) and a UNC path in paths; quoted paths
// (one live, one dead) in quoted; bare names (one the search path finds, one
// it does not) in bare. The files are created here and removed again.
class OtherPlaces {
public:
    explicit OtherPlaces(const std::string& extension);
    ~OtherPlaces();
    OtherPlaces(const OtherPlaces&) = delete;
    OtherPlaces& operator=(const OtherPlaces&) = delete;

    std::vector<std::string> paths;
    std::vector<std::string> quoted;
    std::vector<std::string> bare;

private:
    std::vector<std::string> m_files;
};

} // namespace ovratest
