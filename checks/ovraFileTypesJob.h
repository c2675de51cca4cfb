#pragma once

#include "records/ovraJob.h"
#include "checks/ovraClassAreas.h"
#include "checks/ovraClassEntry.h"
#include "checks/ovraOpenWith.h"

namespace ovra {

// What programs leave in the classes: document types, URL protocols and
// Applications entries whose verbs and icons name missing files, Open With
// entries naming types or programs that are gone, and shell extension
// handlers whose class is registered nowhere. The per-user and machine-wide
// classes are walked apart, with their 32-bit twins (ClassAreas).
class FileTypesJob : public Job {
public:
    FileTypesJob();
    void OnRun(JobStatus& status, std::vector<JobResult>& results) override;

    // The Applications entries of every class root first: the Open With
    // lists judge their programs by what this walk keeps.
    void ScanApplications(JobStatus& status, std::vector<JobResult>& results, const ClassAreas& areas,
                          OpenWith::Entries& found);
    // Every key of the class roots: types, protocols, extensions with their
    // Open With lists, shell objects, and their handlers.
    void ScanClasses(JobStatus& status, std::vector<JobResult>& results, const ClassAreas& areas,
                     OpenWith& openWith);
    // SystemFileAssociations\<extension or kind>: verbs, icon and handlers.
    void ScanSystemAssociations(JobStatus& status, std::vector<JobResult>& results, const ClassAreas& areas);

private:
    // One entry read and reported with its handlers; returns it for what
    // the caller looks at next.
    ClassEntry Judge(HKEY parentKey, const ClassAreas& areas, const ClassAreas::Area& area, const std::string& parent,
                     const char* name, ClassEntry::Kind kind, JobStatus& status, std::vector<JobResult>& records);
};

} // namespace ovra
