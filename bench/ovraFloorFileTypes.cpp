// The floor's share of the file-types check: every class root's keys opened
// and listed, every verb's command read and parsed as the check parses it,
// every icon, Open With entry and handler's class looked up, one question
// each, nothing remembered.
#include "bench/ovraFloor.h"

#include "platform/ovraPathViews.h"
#include "platform/ovraProgramSearch.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegText.h"
#include "platform/ovraRegView.h"
#include "checks/ovraClassAreas.h"
#include "checks/ovraCommandLine.h"

#include <cstring>
#include <vector>

namespace ovra {

namespace {

const DWORD kNameSize = 2048;
const DWORD kListed = 64;
const char* const kKnown[] = {"shell", "DefaultIcon", "shellex", "OpenWithProgids", "OpenWithList", "Background"};
const char* const kLists[] = {"ContextMenuHandlers", "PropertySheetHandlers", "DragDropHandlers", "CopyHookHandlers",
                              "ColumnHandlers"};

DWORD Count(HKEY key, bool values)
{
    DWORD subkeys = 0, count = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
    return values ? count : subkeys;
}

// The names of key's subkeys, or of its values.
std::vector<std::string> Names(HKEY key, bool values)
{
    std::vector<std::string> names;
    char name[kNameSize];
    for (DWORD i = 0, count = Count(key, values); i < count; ++i) {
        DWORD length = kNameSize;
        const LONG rc = values ? RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr)
                               : RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS)
            names.push_back(name);
    }
    return names;
}

std::vector<std::string> Subkeys(HKEY key)
{
    return Names(key, false);
}

std::vector<std::string> ValueNames(HKEY key)
{
    return Names(key, true);
}

bool Named(const std::string& name, const char* known)
{
    return lstrcmpiA(name.c_str(), known) == 0;
}

// What reporting a key costs before the record is shown: the check that its
// tree can be saved exactly. Returns 1.
int ReportedKey(HKEY parent, const std::string& name)
{
    RegKey key;
    if (key.Open(parent, name.c_str(), KEY_READ))
        RegText::TreeFitsCodePage(key.Get());
    return 1;
}

int ReportedValue(HKEY key, const std::string& name)
{
    RegText::ValueFitsCodePage(key, name.c_str());
    return 1;
}

} // namespace

int Floor::FileTypes()
{
    const ClassAreas areas;
    m_pAreas = &areas;
    int missing = 0;
    for (const ClassAreas::Area& area : areas.Walked()) {
        missing += ClassKeys(area.root, area.path + "\\Applications");
        missing += ClassKeys(area.root, area.path);
        missing += ClassKeys(area.root, area.path + "\\SystemFileAssociations");
    }
    for (const std::string& area : RegView::AreaPaths(
             HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers"))
        missing += Handlers(HKEY_LOCAL_MACHINE, area);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::string& area :
             RegView::AreaPaths(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved")) {
            RegKey approved;
            if (approved.Open(root, area.c_str(), KEY_READ))
                for (const std::string& name : ValueNames(approved.Get()))
                    if (!areas.Registered(("CLSID\\" + name).c_str(), RegText::OwnerOf(root)))
                        missing += ReportedValue(approved.Get(), name);
        }
    }
    m_pAreas = nullptr;
    return missing;
}

int Floor::ClassKeys(HKEY root, const std::string& path)
{
    int missing = 0;
    RegKey key;
    if (!key.Open(root, path.c_str(), KEY_READ))
        return 0;
    for (const std::string& name : Subkeys(key.Get()))
        missing += Entry(root, key.Get(), name.c_str(), path + "\\" + name);
    return missing;
}

// As the check asks: a type by its registrations' names, listed whole only
// when all of them are gone; an extension by its list of subkeys.
int Floor::Entry(HKEY root, HKEY parent, const char* name, const std::string& path)
{
    RegKey entry;
    if (name[0] != '.') {
        int registrations = 0;
        int missing = Verbs(parent, std::string(name) + "\\shell", registrations) +
                      Icon(parent, std::string(name) + "\\DefaultIcon", registrations);
        const bool whole = registrations > 0 && missing == registrations;
        RegKey shellex, background;
        if (shellex.Open(parent, (std::string(name) + "\\shellex").c_str(), KEY_READ))
            for (const char* list : kLists)
                missing += Handlers(root, path + "\\shellex\\" + list);
        if (lstrcmpiA(name, "Directory") == 0 &&
            background.Open(parent, (std::string(name) + "\\Background").c_str(), KEY_READ))
            missing += Entry(root, parent, "Directory\\Background", path + "\\Background");
        if (whole && entry.Open(parent, name, KEY_READ)) {
            Subkeys(entry.Get());
            ValueNames(entry.Get());
        }
        return missing;
    }
    if (!entry.Open(parent, name, KEY_READ))
        return 0;
    const DWORD count = Count(entry.Get(), false);
    if (count == 0)
        return 0;
    std::vector<std::string> names;
    if (count > kListed) {
        for (const char* known : kKnown) {
            RegKey probe;
            if (probe.Open(entry.Get(), known, KEY_READ))
                names.push_back(known);
        }
    } else {
        names = Subkeys(entry.Get());
    }
    int missing = 0, registrations = 0;
    for (const std::string& sub : names) {
        if (Named(sub, "shell"))
            missing += Verbs(entry.Get(), "shell", registrations);
        else if (Named(sub, "DefaultIcon"))
            missing += Icon(entry.Get(), "DefaultIcon", registrations);
        else if (Named(sub, "shellex"))
            for (const char* list : kLists)
                missing += Handlers(root, path + "\\shellex\\" + list);
        else if (Named(sub, "OpenWithProgids"))
            missing += OpenWithProgids(root, path + "\\OpenWithProgids");
        else if (Named(sub, "OpenWithList"))
            missing += OpenWithList(root, path + "\\OpenWithList");
    }
    return missing;
}

int Floor::Verbs(HKEY base, const std::string& path, int& registrations)
{
    int missing = 0;
    RegKey shell;
    if (!shell.Open(base, path.c_str(), KEY_READ))
        return 0;
    char data[kNameSize], expanded[kNameSize];
    for (const std::string& verb : Subkeys(shell.Get())) {
        ++registrations;
        RegKey command;
        DWORD type = 0, length = kNameSize;
        PathViews::Forget();
        if (!command.Open(shell.Get(), (verb + "\\command").c_str(), KEY_READ) ||
            RegQueryValueExA(command.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &length) !=
                ERROR_SUCCESS)
            continue;
        const char* text = Text(type, data, length, expanded);
        if (text && CommandLine::Read(text, CommandLine::Kind::kStartup).IsDead())
            missing += ReportedKey(shell.Get(), verb);
    }
    return missing;
}

int Floor::Icon(HKEY base, const std::string& path, int& registrations)
{
    RegKey icon;
    char data[kNameSize], expanded[kNameSize];
    DWORD type = 0, length = kNameSize;
    PathViews::Forget();
    if (!icon.Open(base, path.c_str(), KEY_READ))
        return 0;
    ++registrations;
    if (RegQueryValueExA(icon.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &length) !=
        ERROR_SUCCESS)
        return 0;
    const char* text = Text(type, data, length, expanded);
    if (!text)
        return 0;
    std::string file(text);
    const size_t comma = file.rfind(',');
    if (comma != std::string::npos)
        file.resize(comma);
    return Missing(file.c_str()) ? ReportedKey(base, path) : 0;
}

// A handler's class is looked up where the check looks: both kinds of
// classes, both views, until found.
int Floor::Handlers(HKEY root, const std::string& list)
{
    int missing = 0;
    RegKey key;
    if (!key.Open(root, list.c_str(), KEY_READ))
        return 0;
    char data[kNameSize];
    for (const std::string& name : Subkeys(key.Get())) {
        RegKey handler;
        DWORD type = 0, length = kNameSize;
        if (!handler.Open(key.Get(), name.c_str(), KEY_READ))
            continue;
        const bool named = RegQueryValueExA(handler.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                            &length) == ERROR_SUCCESS && type == REG_SZ && length > 1;
        if (!m_pAreas->Registered(("CLSID\\" + (named ? std::string(data) : name)).c_str(), RegText::OwnerOf(root)))
            missing += ReportedKey(key.Get(), name);
    }
    return missing;
}

int Floor::OpenWithProgids(HKEY root, const std::string& list)
{
    int missing = 0;
    RegKey key;
    if (key.Open(root, list.c_str(), KEY_READ))
        for (const std::string& name : ValueNames(key.Get()))
            if (!m_pAreas->Registered(name.c_str(), RegText::OwnerOf(root)))
                missing += ReportedValue(key.Get(), name);
    return missing;
}

// Each program: the Applications entries, App Paths, then the search order.
int Floor::OpenWithList(HKEY root, const std::string& list)
{
    int missing = 0;
    RegKey key;
    if (!key.Open(root, list.c_str(), KEY_READ))
        return 0;
    std::vector<std::string> programs = Subkeys(key.Get());
    for (const std::string& name : ValueNames(key.Get()))
        programs.push_back(name);
    for (const std::string& program : programs) {
        if (m_pAreas->Registered(("Applications\\" + program).c_str(), RegText::OwnerOf(root)))
            continue;
        bool found = false;
        for (HKEY appRoot : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            RegKey appPath;
            const std::string path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + program;
            found = found || appPath.Open(appRoot, path.c_str(), KEY_READ);
        }
        if (!found && !ProgramSearch::FindsBareName(program.c_str()))
            missing += ReportedValue(key.Get(), program);
    }
    return missing;
}

} // namespace ovra
