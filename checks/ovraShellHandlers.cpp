#include "checks/ovraShellHandlers.h"

#include "platform/ovraRegKey.h"
#include "platform/ovraRegView.h"
#include "checks/ovraClassAreas.h"
#include "checks/ovraRegWalk.h"

namespace ovra {

namespace {

const char kProblem[] = "Shell extension is invalid";
const char* const kLists[] = {"ContextMenuHandlers", "PropertySheetHandlers", "DragDropHandlers", "CopyHookHandlers",
                              "ColumnHandlers"};
const char kOverlays[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";
const char kApproved[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

bool ClassIsGone(const ClassAreas& areas, const char* classId, HKEY root)
{
    return ClassAreas::IsClassId(classId) &&
           !areas.Registered(("CLSID\\" + std::string(classId)).c_str(), RegText::OwnerOf(root));
}

} // namespace

void ShellHandlers::ReportLists(const Job& job, JobStatus& status, std::vector<JobResult>& records,
                                const ClassAreas& areas, HKEY root, const std::string& entryPath)
{
    for (const char* list : kLists)
        ReportHandlers(job, status, records, areas, root, entryPath + "\\shellex\\" + list);
}

void ShellHandlers::ReportHandlers(const Job& job, JobStatus& status, std::vector<JobResult>& records,
                                   const ClassAreas& areas, HKEY root, const std::string& list)
{
    RegWalk::Subkeys(root, list.c_str(), nullptr, [&](HKEY parent, const char* name) {
        // A handler whose key cannot be read may name a live class.
        RegKey handler;
        if (!handler.Open(parent, name, KEY_READ))
            return;
        char data[kRegTextSize];
        char expanded[kRegTextSize];
        const char* text = RegText::QueryString(handler.Get(), nullptr, data, expanded, RegText::OwnerOf(root));
        // The default value names the class; empty or absent, the key's name
        // does. One that is there but cannot be read as text is not judged.
        if (!text && RegQueryValueExW(handler.Get(), nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_FILE_NOT_FOUND)
            return;
        const bool byName = !text || !*text;
        if (!ClassIsGone(areas, byName ? name : text, root))
            return;
        RegWalk::Report(job, status, records, root, list.c_str(), name, kProblem,
                        RegWalk::Section(root, (list + "\\" + name).c_str()),
                        byName ? std::string(name) : RegText::Display("(Default) = %s", text), kKindKey, parent,
                        handler.Get());
    });
}

void ShellHandlers::ReportMachineLists(const Job& job, JobStatus& status, std::vector<JobResult>& records,
                                       const ClassAreas& areas)
{
    for (const std::string& area : RegView::AreaPaths(HKEY_LOCAL_MACHINE, kOverlays))
        ReportHandlers(job, status, records, areas, HKEY_LOCAL_MACHINE, area);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::string& area : RegView::AreaPaths(root, kApproved)) {
            const std::string section = RegWalk::Section(root, area.c_str());
            RegWalk::Values(root, area.c_str(), RegWalk::Data::kTypeAndData, [&](RegValue& value) {
                if (!ClassIsGone(areas, value.name, root))
                    return;
                // The data is a description the shell never reads; it is only shown.
                const char* text = value.type == REG_SZ ? RegText::StringData(REG_SZ, value.data, value.length,
                                                                              nullptr, RegText::OwnerOf(root))
                                                        : nullptr;
                RegWalk::Report(job, status, records, root, area.c_str(), value.name, kProblem, section,
                                text ? RegText::Display("%s = %s", value.name, text) : std::string(value.name),
                                kKindValue, value.key);
            });
        }
    }
}

} // namespace ovra
