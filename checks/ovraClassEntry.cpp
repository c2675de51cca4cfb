#include "checks/ovraClassEntry.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraPathViews.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegText.h"
#include "checks/ovraClassAreas.h"
#include "checks/ovraDefaultIcon.h"
#include "checks/ovraRegWalk.h"
#include "checks/ovraShellVerb.h"

#include <cstring>

namespace ovra {

namespace {

const char kVerbProblem[] = "Shell command is invalid";
const char kIconProblem[] = "Default icon is invalid";

// A key with more subkeys than this is no type (CLSID, Interface, TypeLib):
// it holds something else, and is not listed.
const DWORD kListed = 64;

// The shell's own objects (Microsoft: "Registering Shell Extension
// Handlers", "File Types"): their verbs and handlers are judged, but such a
// key never goes whole.
const char* const kShellObjects[] = {"*",        "AllFileSystemObjects", "Folder",   "Directory", "Drive",
                                     "DesktopBackground", "Network",  "NetShare", "NetServer", "Printers",
                                     "AudioCD",  "DVD",                  "Unknown"};

// Values that describe a type or a program and register nothing.
const char* const kDescriptive[] = {"",        "FriendlyTypeName", "FriendlyAppName", "ApplicationCompany",
                                    "EditFlags", "InfoTip",         "URL Protocol",    "NoOpenWith",
                                    "AlwaysShowExt", "NeverShowExt", "BrowserFlags"};

bool EqualsFolded(const char* a, const char* b)
{
    return lstrcmpiA(a, b) == 0;
}

// The subkey names of key at indexes 0 .. count - 1. False when one cannot
// be read or the code page cannot hold it exactly: what it holds is then
// unknown.
bool SubkeyNames(HKEY key, DWORD count, std::vector<std::string>& names)
{
    wchar_t wide[kRegTextSize];
    char name[kRegTextSize];
    bool all = true;
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = kRegTextSize;
        if (RegEnumKeyExW(key, index, wide, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            !CodePage::ToAnsiText(wide, length, name, kRegTextSize))
            all = false;
        else
            names.push_back(name);
    }
    return all;
}

bool CountsOf(HKEY key, DWORD* subkeys, DWORD* values)
{
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, subkeys, nullptr, nullptr, values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

} // namespace

ClassEntry::ClassEntry(HKEY root, const std::string& parentPath, const char* name, Kind kind)
    : m_hRoot(root), m_strParent(parentPath), m_strName(name), m_strPath(parentPath + "\\" + name), m_kind(kind),
      m_nHolds(0), m_bOther(false), m_bWhole(false),
      m_nRegistrations(0)
{
}

bool ClassEntry::KindOf(const char* name, Kind& kind)
{
    for (const char* list : {"Applications", "SystemFileAssociations", "Wow6432Node"})
        if (EqualsFolded(name, list))
            return false;
    // Packaged apps' types belong to their package, which keeps what they name.
    if (CodePage::StartsFolded(name, "AppX"))
        return false;
    kind = Kind::kType;
    if (name[0] == '.')
        kind = Kind::kPartsOnly;
    for (const char* object : kShellObjects)
        if (EqualsFolded(name, object))
            kind = Kind::kPartsOnly;
    return true;
}

// Each question is a round trip to the registry, and every key opened is
// one more close, which Wine makes one at a time for the whole process.
// An entry is therefore asked for its registrations by name, and lists its
// subkeys only when every one of them is dead, to see whether it holds
// anything else. An extension's Open With lists are not asked for here:
// their own walks open them, and a list that is not there costs that one
// question.
void ClassEntry::Read(HKEY parent)
{
    RegKey entry;
    DWORD subkeys = 0, values = 0;
    if (m_strName[0] == '.')
        m_nHolds |= kOpenWithProgids | kOpenWithList;
    ReadVerbs(parent, (m_strName + "\\shell").c_str());
    ReadIcon(parent, (m_strName + "\\DefaultIcon").c_str());
    RegKey probe;
    if (probe.Open(parent, (m_strName + "\\shellex").c_str(), KEY_READ))
        m_nHolds |= kShellex;
    if (EqualsFolded(m_strName.c_str(), "Directory") &&
        probe.Open(parent, (m_strName + "\\Background").c_str(), KEY_READ))
        m_nHolds |= kBackground;
    if (m_kind == Kind::kPartsOnly || m_nRegistrations == 0 || static_cast<int>(m_dead.size()) != m_nRegistrations ||
        !entry.Open(parent, m_strName.c_str(), KEY_READ) || !CountsOf(entry.Get(), &subkeys, &values))
        return;
    ListSubkeys(entry.Get(), subkeys);
    m_bWhole = !m_bOther && (values == 0 || OnlyDescriptiveValues(entry.Get()));
}

// Anything but an entry's registrations (CLSID, CurVer, shellex, ShellNew,
// ...) keeps the entry, whatever becomes of its dead parts.
void ClassEntry::ListSubkeys(HKEY entry, DWORD count)
{
    std::vector<std::string> names;
    if (count > kListed || !SubkeyNames(entry, count, names)) {
        m_bOther = true;
        return;
    }
    for (const std::string& name : names) {
        const char* text = name.c_str();
        // An application's list of the types it opens registers nothing.
        if (!EqualsFolded(text, "shell") && !EqualsFolded(text, "DefaultIcon") &&
            !(m_kind == Kind::kApplication && EqualsFolded(text, "SupportedTypes")))
            m_bOther = true;
    }
}

void ClassEntry::ReadVerbs(HKEY base, const char* path)
{
    RegKey shell;
    DWORD count = 0;
    std::vector<std::string> verbs;
    const LONG answer = shell.Try(base, path, KEY_READ);
    if (answer != ERROR_SUCCESS) {
        // Verbs that cannot be read may be live: the entry keeps them.
        if (RegKey::IsThere(answer))
            m_bOther = true;
        return;
    }
    if (!CountsOf(shell.Get(), &count, nullptr) || !SubkeyNames(shell.Get(), count, verbs)) {
        m_bOther = true; // a verb that cannot be read may be live
        return;
    }
    for (const std::string& verb : verbs) {
        ++m_nRegistrations;
        std::string command;
        if (ShellVerb::Judge(shell.Get(), verb.c_str(), RegText::OwnerOf(m_hRoot), command) !=
            ShellVerb::Verdict::kDead)
            continue;
        const std::string shellPath = m_strPath + "\\shell";
        m_dead.push_back(Part{shellPath, verb,
                              RegWalk::Section(m_hRoot, (shellPath + "\\" + verb + "\\command").c_str()),
                              RegText::Display("(Default) = %s", command.c_str()), kVerbProblem});
    }
}

void ClassEntry::ReadIcon(HKEY base, const char* path)
{
    RegKey icon;
    const LONG answer = icon.Try(base, path, KEY_READ);
    if (answer != ERROR_SUCCESS) {
        if (RegKey::IsThere(answer))
            m_bOther = true;
        return;
    }
    ++m_nRegistrations;
    PathViews::Forget();
    char data[kRegTextSize];
    char expanded[kRegTextSize];
    const char* text = RegText::QueryString(icon.Get(), nullptr, data, expanded, RegText::OwnerOf(m_hRoot));
    if (!text || !DefaultIcon::IsDead(text))
        return;
    m_dead.push_back(Part{m_strPath, "DefaultIcon", RegWalk::Section(m_hRoot, (m_strPath + "\\DefaultIcon").c_str()),
                          RegText::Display("(Default) = %s", text), kIconProblem});
}

bool ClassEntry::OnlyDescriptiveValues(HKEY entry) const
{
    DWORD count = 0;
    if (!CountsOf(entry, nullptr, &count))
        return false;
    wchar_t wide[kRegTextSize];
    char name[kRegTextSize];
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = kRegTextSize;
        if (RegEnumValueW(entry, index, wide, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            !CodePage::ToAnsiText(wide, length, name, kRegTextSize))
            return false;
        bool known = false;
        for (const char* descriptive : kDescriptive)
            known = known || EqualsFolded(name, descriptive);
        if (!known)
            return false;
    }
    return true;
}

void ClassEntry::Report(const Job& job, JobStatus& status, std::vector<JobResult>& records, HKEY parent) const
{
    if (!m_bWhole) {
        for (const Part& part : m_dead)
            RegWalk::Report(job, status, records, m_hRoot, part.keyPath.c_str(), part.name.c_str(), part.problem,
                            part.section, part.value, kKindKey);
        return;
    }
    const char* problem = "File type is invalid";
    RegKey entry;
    const bool open = entry.Open(parent, m_strName.c_str(), KEY_READ);
    if (m_kind == Kind::kApplication)
        problem = "Application entry is invalid";
    else if (open && RegQueryValueExA(entry.Get(), "URL Protocol", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
        problem = "URL protocol is invalid";
    RegWalk::Report(job, status, records, m_hRoot, m_strParent.c_str(), m_strName.c_str(), problem,
                    m_dead.front().section, m_dead.front().value, kKindKey, parent, open ? entry.Get() : nullptr);
}

bool ClassEntry::InsideWholeEntry(HKEY root, const char* path)
{
    std::string area = ClassAreas::ClassesPath(root);
    if (!CodePage::StartsFolded(path, (area + "\\").c_str()))
        return false;
    const char* rest = path + area.size() + 1;
    if (CodePage::StartsFolded(rest, "Wow6432Node\\")) {
        area += "\\Wow6432Node";
        rest += 12;
    }
    const char* end = std::strchr(rest, '\\');
    std::string name(rest, end ? static_cast<size_t>(end - rest) : std::strlen(rest));
    Kind kind = Kind::kPartsOnly;
    std::string parent = area;
    if (EqualsFolded(name.c_str(), "Applications") && end) {
        const char* program = end + 1;
        const char* programEnd = std::strchr(program, '\\');
        parent += "\\Applications";
        name.assign(program, programEnd ? static_cast<size_t>(programEnd - program) : std::strlen(program));
        kind = Kind::kApplication;
    } else if (!KindOf(name.c_str(), kind)) {
        return false;
    }
    RegKey parentKey;
    if (kind == Kind::kPartsOnly || name.empty() || !parentKey.Open(root, parent.c_str(), KEY_READ))
        return false;
    ClassEntry entry(root, parent, name.c_str(), kind);
    entry.Read(parentKey.Get());
    return entry.IsWhole();
}

} // namespace ovra
