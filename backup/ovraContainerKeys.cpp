#include "backup/ovraContainerKeys.h"

#include "platform/ovraCodePage.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ovra {

namespace {

// Below the machine's and the user's root alike.
const wchar_t* const kWalked[] = {
    L"SOFTWARE\\Classes\\CLSID",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
    L"SOFTWARE\\Microsoft\\Windows\\Help",
    L"SOFTWARE\\Microsoft\\Windows\\HTML Help",
    L"SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\MUICache",
    L"SOFTWARE\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers",
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Store",
    L"SOFTWARE\\Classes\\TypeLib",
    L"SOFTWARE\\Classes\\Applications",
    L"SOFTWARE\\Classes\\SystemFileAssociations",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
    L"SOFTWARE\\RegisteredApplications",
    L"AppEvents\\Schemes\\Apps", // directly below the user's root
};

// The shell's own objects in the classes, whose verbs and handler lists the
// file-types check walks.
const wchar_t* const kShellObjects[] = {
    L"*", L"AllFileSystemObjects", L"Folder", L"Directory", L"Directory\\Background", L"Drive", L"DesktopBackground",
};
const wchar_t* const kShellLists[] = {
    L"shell",
    L"shellex\\ContextMenuHandlers",
    L"shellex\\PropertySheetHandlers",
    L"shellex\\DragDropHandlers",
    L"shellex\\CopyHookHandlers",
    L"shellex\\ColumnHandlers",
};

using Path = std::vector<std::wstring>;

// The registry compares names without regard to case, by the same rule.
bool SameName(const std::wstring& a, const wchar_t* b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

// Splits at backslashes, dropping empty names and the Wow6432Node twins'
// own level, so that every spelling of a key gives the same list.
void Append(Path& path, const std::wstring& text)
{
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\\', start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring name = text.substr(start, end - start);
        if (!name.empty() && !SameName(name, L"Wow6432Node"))
            path.push_back(name);
        start = end + 1;
    }
}

// The classes root lives in the machine's SOFTWARE\Classes, merged with the
// user's own classes: all three spell the same classes here.
bool Canonical(uint32_t root, const char* keyPath, const char* name, Path& path)
{
    std::wstring wideKeyPath, wideName;
    if (!CodePage::ToWide(keyPath, wideKeyPath) || !CodePage::ToWide(name, wideName))
        return false;
    Path below;
    Append(below, wideKeyPath);
    Append(below, wideName);
    if (root == 0x80000000u)
        below.insert(below.begin(), {L"SOFTWARE", L"Classes"});
    else if (root != 0x80000001u && root != 0x80000002u)
        return false;
    const bool classes = below.size() >= 2 && SameName(below[0], L"SOFTWARE") && SameName(below[1], L"Classes");
    path.assign(1, root == 0x80000001u && !classes ? L"USER" : L"MACHINE");
    path.insert(path.end(), below.begin(), below.end());
    return true;
}

// path is the walked key or lies above it.
bool Holds(const Path& path, const Path& walked)
{
    if (path.size() > walked.size())
        return false;
    for (size_t i = 0; i < path.size(); ++i) {
        if (!SameName(path[i], walked[i].c_str()))
            return false;
    }
    return true;
}

} // namespace

bool ContainerKeys::IsContainer(uint32_t root, const char* keyPath, const char* name)
{
    Path path;
    if (!Canonical(root, keyPath, name, path))
        return true;
    if (path.size() <= 1)
        return true;
    for (const wchar_t* owner : {L"MACHINE", L"USER"}) {
        for (const wchar_t* text : kWalked) {
            Path walked(1, owner);
            Append(walked, text);
            if (Holds(path, walked))
                return true;
        }
        for (const wchar_t* object : kShellObjects) {
            for (const wchar_t* list : kShellLists) {
                Path walked(1, owner);
                Append(walked, L"SOFTWARE\\Classes");
                Append(walked, object);
                Append(walked, list);
                if (Holds(path, walked))
                    return true;
            }
        }
    }
    return false;
}

} // namespace ovra
