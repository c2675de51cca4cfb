#include "checks/ovraFileTypesJob.h"

#include "platform/ovraCriticalSection.h"
#include "platform/ovraRegKey.h"
#include "checks/ovraRegWalk.h"
#include "checks/ovraShellHandlers.h"

namespace ovra {

FileTypesJob::FileTypesJob()
{
    m_strName = "File Types";
    m_strDescription = "Scans file types, Open With entries and shell extensions.";
    m_nIconId = 123;
}

// The walks read the cancel flag before every entry; a cancelled walk ends
// the job before anything is judged against what it did not see. The
// Open With lists are judged against the applications, so those come
// first; the rest is walked side by side, records kept as one walk after
// the other would give them.
void FileTypesJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    const ClassAreas areas;
    OpenWith::Entries applications;
    ScanApplications(status, results, areas, applications);
    if (status.bCancel)
        return;
    OpenWith openWith(areas, applications);
    RegWalk::SideBySide(status, results, {
        [&](std::vector<JobResult>& records) { ScanClasses(status, records, areas, openWith); },
        [&](std::vector<JobResult>& records) {
            if (!status.bCancel)
                ScanSystemAssociations(status, records, areas);
        },
        [&](std::vector<JobResult>& records) {
            if (!status.bCancel)
                ShellHandlers::ReportMachineLists(*this, status, records, areas);
        },
    });
}

ClassEntry FileTypesJob::Judge(HKEY parentKey, const ClassAreas& areas, const ClassAreas::Area& area,
                               const std::string& parent, const char* name, ClassEntry::Kind kind, JobStatus& status,
                               std::vector<JobResult>& records)
{
    ClassEntry entry(area.root, parent, name, kind);
    entry.Read(parentKey);
    entry.Report(*this, status, records, parentKey);
    if (entry.Holding() & ClassEntry::kShellex)
        ShellHandlers::ReportLists(*this, status, records, areas, area.root, entry.Path());
    return entry;
}

void FileTypesJob::ScanApplications(JobStatus& status, std::vector<JobResult>& results, const ClassAreas& areas,
                                    OpenWith::Entries& found)
{
    CriticalSection lock;
    for (const ClassAreas::Area& area : areas.Walked()) {
        const std::string list = area.path + "\\Applications";
        RegWalk::SplitSubkeys(area.root, list.c_str(), status, results,
                              [&](HKEY parent, const char* name, std::vector<JobResult>& records) {
                                  const ClassEntry entry = Judge(parent, areas, area, list, name,
                                                                 ClassEntry::Kind::kApplication, status, records);
                                  const std::string folded = OpenWith::Folded(name);
                                  CriticalSection::Guard guard(lock);
                                  found.seen.insert(folded);
                                  if (!entry.IsWhole())
                                      found.live.insert(folded);
                              });
    }
}

void FileTypesJob::ScanClasses(JobStatus& status, std::vector<JobResult>& results, const ClassAreas& areas,
                               OpenWith& openWith)
{
    CriticalSection lock;
    OpenWith::Entries types;
    for (const ClassAreas::Area& area : areas.Walked()) {
        RegWalk::SplitSubkeys(
            area.root, area.path.c_str(), status, results,
            [&](HKEY parent, const char* name, std::vector<JobResult>& records) {
                ClassEntry::Kind kind;
                const bool judged = ClassEntry::KindOf(name, kind);
                const ClassEntry entry = judged ? Judge(parent, areas, area, area.path, name, kind, status, records)
                                                : ClassEntry(area.root, area.path, name, ClassEntry::Kind::kPartsOnly);
                {
                    const std::string folded = OpenWith::Folded(name);
                    CriticalSection::Guard guard(lock);
                    types.seen.insert(folded);
                    if (!entry.IsWhole())
                        types.live.insert(folded);
                }
                if (!judged)
                    return;
                if (name[0] == '.')
                    openWith.Report(*this, status, records, area.root, entry.Path(), entry.Holding());
                if ((entry.Holding() & ClassEntry::kBackground) && lstrcmpiA(name, "Directory") == 0) {
                    RegKey directory;
                    if (directory.Open(parent, name, KEY_READ))
                        Judge(directory.Get(), areas, area, entry.Path(), "Background",
                              ClassEntry::Kind::kPartsOnly, status, records);
                }
            });
    }
    if (!status.bCancel)
        openWith.ReportProgIds(*this, status, results, types);
}

// Shared by every program that opens a kind of file: parts only.
void FileTypesJob::ScanSystemAssociations(JobStatus& status, std::vector<JobResult>& results,
                                          const ClassAreas& areas)
{
    for (const ClassAreas::Area& area : areas.Walked()) {
        const std::string list = area.path + "\\SystemFileAssociations";
        RegWalk::SplitSubkeys(area.root, list.c_str(), status, results,
                              [&](HKEY parent, const char* name, std::vector<JobResult>& records) {
                                  Judge(parent, areas, area, list, name, ClassEntry::Kind::kPartsOnly, status,
                                        records);
                              });
    }
}

} // namespace ovra
