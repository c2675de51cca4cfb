#include "checks/ovraClassAreas.h"

#include "platform/ovraPathViews.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegText.h"
#include "platform/ovraRegView.h"

#include <cstring>

namespace ovra {

namespace {

const char kUserClasses[] = "Software\\Classes";
const char kMachineClasses[] = "SOFTWARE\\Classes";
const char kTwin[] = "\\Wow6432Node";

bool Opens(HKEY root, const char* path)
{
    RegKey key;
    return key.Open(root, path, KEY_READ);
}

} // namespace

const char* ClassAreas::ClassesPath(HKEY root)
{
    return root == HKEY_CURRENT_USER ? kUserClasses : kMachineClasses;
}

std::vector<ClassAreas::Area> ClassAreas::Walked()
{
    std::vector<Area> areas;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        areas.push_back(Area{root, ClassesPath(root)});
    if (!PathViews::TwoViews())
        return areas;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        const std::string twin = std::string(ClassesPath(root)) + kTwin;
        RegKey own, twinKey;
        // A twin that is the classes key itself, seen again, is walked once.
        if (own.Open(root, ClassesPath(root), KEY_READ) && twinKey.Open(root, twin.c_str(), KEY_READ) &&
            !RegView::SameKey(own.Get(), twinKey.Get()))
            areas.push_back(Area{root, twin});
    }
    return areas;
}

// The machine's classes first: most types live there.
bool ClassAreas::Registered(const char* path)
{
    char full[kRegTextSize];
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const char* twin : {"", kTwin}) {
            // A name too long to look up is never called unregistered.
            if (!RegText::Compose(full, "%s%s\\%s", ClassesPath(root), twin, path) || Opens(root, full))
                return true;
        }
    }
    return false;
}

bool ClassAreas::IsClassId(const char* name)
{
    static const char kShape[] = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    if (std::strlen(name) != sizeof(kShape) - 1)
        return false;
    for (size_t i = 0; kShape[i]; ++i) {
        const bool hex = std::strchr("0123456789abcdefABCDEF", name[i]) != nullptr;
        if (kShape[i] == 'x' ? !hex : name[i] != kShape[i])
            return false;
    }
    return true;
}

} // namespace ovra
