#include "ovraTestRecords.h"

#include "ovraTestRegistry.h"
#include "platform/ovraRegView.h"
#include "scan/ovraJobEnumerator.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace ovratest {

std::string RecordText(const ovra::JobResult& r)
{
    char numbers[96];
    std::snprintf(numbers, sizeof(numbers), "root=%08lx job=%ld kind=%ld offset=%ld selected=%d",
                  static_cast<unsigned long>(r.hRoot), static_cast<long>(r.nJobId), static_cast<long>(r.nKind),
                  static_cast<long>(r.nDataOffset), r.bSelected ? 1 : 0);
    return std::string(numbers) + " key=[" + r.sKeyPath + "] name=[" + r.sName + "] problem=[" + r.sProblem +
           "] section=[" + r.sSection + "] value=[" + r.sValue + "]";
}

std::vector<std::string> RecordTexts(const std::vector<ovra::JobResult>& records)
{
    std::vector<std::string> texts;
    for (const auto& r : records)
        texts.push_back(RecordText(r));
    return texts;
}

std::vector<std::string> RecordTextsNamed(const std::vector<ovra::JobResult>& records, const std::string& marker)
{
    std::vector<std::string> texts;
    for (const auto& r : records)
        if (r.sName.find(marker) != std::string::npos)
            texts.push_back(RecordText(r));
    return texts;
}

ovra::JobResult ScanRecord(HKEY root, const std::string& keyPath, const std::string& name,
                           const std::string& problem, const std::string& section, const std::string& value,
                           int jobId, int kind)
{
    ovra::JobResult r;
    r.hRoot = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(root));
    r.sKeyPath = keyPath;
    r.sName = name;
    r.sProblem = problem;
    r.sSection = section;
    r.sValue = value;
    r.nJobId = jobId;
    r.nKind = kind;
    r.bSelected = true;
    return r;
}

std::vector<ovra::JobResult> ScanAll()
{
    ovra::JobEnumerator catalogue;
    ovra::JobStatus status;
    std::vector<ovra::JobResult> records;
    for (ovra::Job* job : catalogue.m_jobs)
        job->OnRun(status, records);
    return records;
}

std::vector<ovra::JobResult> RunJob(ovra::Job& job, bool cancelled)
{
    std::vector<ovra::JobResult> results(2);
    results[0].sName = "earlier record";
    results[0].nDataOffset = 11;
    results[1].sName = "another earlier record";
    results[1].bSelected = true;
    const std::vector<std::string> before = RecordTexts(results);

    ovra::JobStatus status;
    status.nCount = 0;
    status.bCancel = cancelled;
    job.OnRun(status, results);

    EXPECT_EQ(before, RecordTexts({results.begin(), results.begin() + 2})) << "records already present changed";
    EXPECT_EQ(status.nCount, static_cast<int>(results.size()) - 2) << "nCount differs from the records appended";
    return {results.begin() + 2, results.end()};
}

namespace {

bool KeyExists(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | ovra::RegView::Native(), &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Copies from\ into to (created), then deletes from.
void MoveKey(HKEY root, const std::string& from, const std::string& to)
{
    HKEY source = nullptr, target = nullptr;
    const REGSAM native = ovra::RegView::Native();
    ASSERT_EQ(RegOpenKeyExA(root, from.c_str(), 0, KEY_READ | native, &source), ERROR_SUCCESS) << from;
    ASSERT_EQ(RegCreateKeyExA(root, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | native, nullptr, &target, nullptr),
              ERROR_SUCCESS)
        << to;
    const LONG rc = RegCopyTreeA(source, nullptr, target);
    RegCloseKey(source);
    RegCloseKey(target);
    ASSERT_EQ(rc, ERROR_SUCCESS) << "copying " << from;
    delete_tree(root, from.c_str());
}

} // namespace

KeyAside::KeyAside(HKEY root, const char* path)
    : m_hRoot(root), m_strPath(path), m_strAside("Software\\ovra_test_aside")
{
    if (KeyExists(m_hRoot, m_strAside.c_str())) {
        delete_tree(m_hRoot, m_strPath.c_str());
        MoveKey(m_hRoot, m_strAside, m_strPath);
    }
    MoveKey(m_hRoot, m_strPath, m_strAside);
}

KeyAside::~KeyAside()
{
    delete_tree(m_hRoot, m_strPath.c_str());
    MoveKey(m_hRoot, m_strAside, m_strPath);
}

OtherPlaces::OtherPlaces(const std::string& extension)
{
    const std::string present = "ovra_present" + extension;
    const std::string gone = "ovra_gone" + extension;
    for (const char* drive : {"R:\\", "S:\\", "N:\\"}) {
        m_files.push_back(drive + present);
        paths.push_back(drive + present);
        paths.push_back(drive + gone);
    }
    paths.push_back("\\\\ovra_server\\share\\" + gone);
    create_dir("C:\\ovra_other_places");
    m_files.push_back("C:\\ovra_other_places\\" + present);
    quoted.push_back("\"C:\\ovra_other_places\\" + present + "\"");
    quoted.push_back("\"C:\\ovra_other_places\\" + gone + "\"");
    bare.push_back("kernel32.dll");
    bare.push_back(gone);
    for (const auto& file : m_files)
        create_file(file.c_str(), "x");
}

OtherPlaces::~OtherPlaces()
{
    for (const auto& file : m_files)
        delete_file(file.c_str());
    remove_dir_tree("C:\\ovra_other_places");
}

} // namespace ovratest
