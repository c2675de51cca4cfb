#include "checks/ovraOpenWith.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraFileUtils.h"
#include "platform/ovraPathViews.h"
#include "platform/ovraProgramSearch.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegView.h"
#include "checks/ovraClassAreas.h"
#include "checks/ovraClassEntry.h"
#include "checks/ovraRegWalk.h"

#include <algorithm>
#include <cstring>
#include <tuple>

namespace ovra {

namespace {

const char kProblem[] = "Open With item is invalid";
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kUserAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// OpenWithList is meant for programs named by their file alone, ".exe" only
// (Microsoft: "How to Include an Application in the Open With Dialog Box").
// Anything else there (an MRU letter, a path) is not judged.
bool IsProgramName(const char* name)
{
    const size_t length = std::strlen(name);
    return length > 4 && lstrcmpiA(name + length - 4, ".exe") == 0 && !CodePage::LastBackslash(name) &&
           !std::strchr(name, '/') && !std::strchr(name, ':');
}

} // namespace

OpenWith::OpenWith(const ClassAreas& areas, const Entries& applications)
    : m_areas(areas), m_applications(applications)
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        for (const std::string& area : RegView::AreaPaths(root, kAppPathsKey))
            m_appPaths.push_back(AppPaths{root, area});
}

// An App Paths entry whose program is there, or that names nothing the
// Software Locations check would call missing.
bool OpenWith::HasLiveAppPath(const char* name) const
{
    char path[kRegTextSize];
    for (const AppPaths& list : m_appPaths) {
        RegKey key;
        if (!RegText::Compose(path, "%s\\%s", list.path.c_str(), name))
            return true;
        const LONG answer = key.Try(list.root, path, KEY_READ);
        if (answer != ERROR_SUCCESS) {
            if (RegKey::IsThere(answer))
                return true; // an entry that cannot be read may be live
            continue;
        }
        char data[kRegTextSize];
        char expanded[kRegTextSize];
        PathViews::Forget();
        const char* program = RegText::QueryString(key.Get(), nullptr, data, expanded, RegText::OwnerOf(list.root));
        if (!program || !FileUtils::IsFullPath(program) || FileUtils::FileExits(program))
            return true;
    }
    return false;
}

std::string OpenWith::Folded(const char* name)
{
    std::string text(name);
    CodePage::LowerAscii(&text[0], text.size());
    return text;
}

void OpenWith::Report(const Job& job, JobStatus& status, std::vector<JobResult>& records, HKEY root,
                      const std::string& extension, unsigned holds)
{
    if (holds & ClassEntry::kOpenWithProgids)
        ReportProgIds(job, status, records, root, extension + "\\OpenWithProgids");
    if (holds & ClassEntry::kOpenWithList)
        ReportPrograms(job, status, records, root, extension + "\\OpenWithList");
}

void OpenWith::ReportProgIds(const Job&, JobStatus&, std::vector<JobResult>&, HKEY root, const std::string& list)
{
    RegWalk::Values(root, list.c_str(), RegWalk::Data::kNone, [&](RegValue& value) {
        ClassEntry::Kind kind;
        if (!*value.name || CodePage::LastBackslash(value.name) || !ClassEntry::KindOf(value.name, kind))
            return;
        CriticalSection::Guard guard(m_lock);
        m_named.push_back(Named{root, list, value.name});
    });
}

// A type the walk did not see is looked up where it may be registered; one
// the walk saw exists, and is dead when the scan reports it whole wherever
// it saw it, unless another user may have it too.
void OpenWith::ReportProgIds(const Job& job, JobStatus& status, std::vector<JobResult>& results,
                             const Entries& types)
{
    std::sort(m_named.begin(), m_named.end(), [](const Named& a, const Named& b) {
        return std::make_tuple(RegWalk::RootValue(a.root), a.list, a.name) <
               std::make_tuple(RegWalk::RootValue(b.root), b.list, b.name);
    });
    // Each name is a few registry questions: the names are judged in slices
    // side by side, their records in the order of the sorted names.
    RegWalk::Split(static_cast<DWORD>(m_named.size()), RegWalk::kSplitFrom, status, results,
                   [&](DWORD first, DWORD end, std::vector<JobResult>& records) {
        for (DWORD index = first; index < end; ++index) {
            const Named& named = m_named[index];
            const std::string folded = Folded(named.name.c_str());
            const RegText::Owner owner = RegText::OwnerOf(named.root);
            if (!types.seen.count(folded)
                    ? m_areas.Registered(named.name.c_str(), owner)
                    : types.live.count(folded) ||
                          (owner == RegText::Owner::kMachine && m_areas.OtherUserHasClass(named.name.c_str())))
                continue;
            RegWalk::Report(job, status, records, named.root, named.list.c_str(), named.name.c_str(), kProblem,
                            RegWalk::Section(named.root, named.list.c_str()), named.name, kKindValue);
        }
    });
    m_named.clear();
}

void OpenWith::ReportPrograms(const Job& job, JobStatus& status, std::vector<JobResult>& records, HKEY root,
                              const std::string& list)
{
    const std::string section = RegWalk::Section(root, list.c_str());
    const RegText::Owner owner = RegText::OwnerOf(root);
    RegWalk::SubkeysAndValues(
        root, list.c_str(), RegWalk::Data::kNone,
        [&](HKEY parent, const char* name) {
            if (IsProgramName(name) && !ProgramLives(name, owner))
                RegWalk::Report(job, status, records, root, list.c_str(), name, kProblem,
                                RegWalk::Section(root, (list + "\\" + name).c_str()), name, kKindKey, parent);
        },
        [&](RegValue& value) {
            if (IsProgramName(value.name) && !ProgramLives(value.name, owner))
                RegWalk::Report(job, status, records, root, list.c_str(), value.name, kProblem, section, value.name,
                                kKindValue, value.key);
        });
}

bool OpenWith::ProgramLives(const char* name, RegText::Owner owner)
{
    const std::string folded = Folded(name);
    if (m_applications.live.count(folded))
        return true;
    // Many extensions list the same few programs: each of the others is
    // judged once per kind of list in a scan, as each file is looked at once.
    const std::pair<std::string, RegText::Owner> asked(folded, owner);
    {
        CriticalSection::Guard guard(m_lock);
        const auto known = m_programs.find(asked);
        if (known != m_programs.end())
            return known->second;
    }
    const bool lives = Resolves(name, folded, owner);
    CriticalSection::Guard guard(m_lock);
    m_programs[asked] = lives;
    return lives;
}

// An Applications entry the walk did not list (it was added since) is
// looked up again: found, it counts as live. One the walk reports whole is
// dead, unless another user has one too, for a list all users share; such
// a list's program may also be in another user's App Paths.
bool OpenWith::Resolves(const char* name, const std::string& folded, RegText::Owner owner) const
{
    const std::string application = "Applications\\" + std::string(name);
    const bool shared = owner == RegText::Owner::kMachine;
    if (!m_applications.seen.count(folded) ? m_areas.Registered(application.c_str(), owner)
                                           : shared && m_areas.OtherUserHasClass(application.c_str()))
        return true;
    if (shared && m_areas.OtherUserHas((std::string(kUserAppPathsKey) + "\\" + name).c_str()))
        return true;
    return HasLiveAppPath(name) || ProgramSearch::FindsBareName(name);
}

} // namespace ovra
