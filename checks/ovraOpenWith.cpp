#include "checks/ovraOpenWith.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraProgramSearch.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegView.h"
#include "checks/ovraClassAreas.h"
#include "checks/ovraClassEntry.h"
#include "checks/ovraRegWalk.h"

#include <cstring>

namespace ovra {

namespace {

const char kProblem[] = "Open With item is invalid";
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// OpenWithList is meant for programs named by their file alone, ".exe" only
// (Microsoft: "How to Include an Application in the Open With Dialog Box").
// Anything else there (an MRU letter, a path) is not judged.
bool IsProgramName(const char* name)
{
    const size_t length = std::strlen(name);
    return length > 4 && lstrcmpiA(name + length - 4, ".exe") == 0 && !CodePage::LastBackslash(name) &&
           !std::strchr(name, '/') && !std::strchr(name, ':');
}

bool HasAppPath(const char* name)
{
    char path[kRegTextSize];
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::string& area : RegView::AreaPaths(root, kAppPathsKey)) {
            RegKey key;
            if (!RegText::Compose(path, "%s\\%s", area.c_str(), name) || key.Open(root, path, KEY_READ))
                return true;
        }
    }
    return false;
}

} // namespace

OpenWith::OpenWith(const Applications& applications) : m_applications(applications)
{
}

std::string OpenWith::Folded(const char* name)
{
    std::string text(name);
    CodePage::LowerAscii(&text[0], text.size());
    return text;
}

void OpenWith::Report(const Job& job, JobStatus& status, std::vector<JobResult>& records, HKEY root,
                      const std::string& extension, unsigned holds) const
{
    if (holds & ClassEntry::kOpenWithProgids)
        ReportProgIds(job, status, records, root, extension + "\\OpenWithProgids");
    if (holds & ClassEntry::kOpenWithList)
        ReportPrograms(job, status, records, root, extension + "\\OpenWithList");
}

// A type named here that exists in neither kind of classes, in neither
// view, is offered by nothing.
void OpenWith::ReportProgIds(const Job& job, JobStatus& status, std::vector<JobResult>& records, HKEY root,
                             const std::string& list) const
{
    const std::string section = RegWalk::Section(root, list.c_str());
    RegWalk::Values(root, list.c_str(), RegWalk::Data::kNone, [&](RegValue& value) {
        ClassEntry::Kind kind;
        if (!*value.name || CodePage::LastBackslash(value.name) || !ClassEntry::KindOf(value.name, kind) ||
            ClassAreas::Registered(value.name))
            return;
        RegWalk::Report(job, status, records, root, list.c_str(), value.name, kProblem, section, value.name,
                        kKindValue);
    });
}

void OpenWith::ReportPrograms(const Job& job, JobStatus& status, std::vector<JobResult>& records, HKEY root,
                              const std::string& list) const
{
    const std::string section = RegWalk::Section(root, list.c_str());
    RegWalk::Subkeys(root, list.c_str(), nullptr, [&](HKEY, const char* name) {
        if (IsProgramName(name) && !ProgramLives(name))
            RegWalk::Report(job, status, records, root, list.c_str(), name, kProblem,
                            RegWalk::Section(root, (list + "\\" + name).c_str()), name, kKindKey);
    });
    RegWalk::Values(root, list.c_str(), RegWalk::Data::kNone, [&](RegValue& value) {
        if (IsProgramName(value.name) && !ProgramLives(value.name))
            RegWalk::Report(job, status, records, root, list.c_str(), value.name, kProblem, section, value.name,
                            kKindValue);
    });
}

// An Applications entry the walk did not list (it was added since) is
// looked up again: found, it counts as live.
bool OpenWith::ProgramLives(const char* name) const
{
    const std::string folded = Folded(name);
    if (m_applications.live.count(folded))
        return true;
    if (!m_applications.seen.count(folded) && ClassAreas::Registered(("Applications\\" + std::string(name)).c_str()))
        return true;
    return HasAppPath(name) || ProgramSearch::FindsBareName(name);
}

} // namespace ovra
