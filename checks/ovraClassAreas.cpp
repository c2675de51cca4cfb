#include "checks/ovraClassAreas.h"

#include "platform/ovraPathViews.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegText.h"
#include "platform/ovraRegView.h"
#include "platform/ovraUserAccount.h"
#include "checks/ovraRegWalk.h"

#include <cstring>

namespace ovra {

namespace {

const char kUserClasses[] = "Software\\Classes";
const char kMachineClasses[] = "SOFTWARE\\Classes";
const char kTwin[] = "\\Wow6432Node";
const char kProfileList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

} // namespace

const char* ClassAreas::ClassesPath(HKEY root)
{
    return root == HKEY_CURRENT_USER ? kUserClasses : kMachineClasses;
}

ClassAreas::ClassAreas() : m_bAllUsers(false)
{
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        m_walked.push_back(Area{root, ClassesPath(root)});
    if (PathViews::TwoViews()) {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            const std::string twin = std::string(ClassesPath(root)) + kTwin;
            RegKey own, twinKey;
            // A twin that is the classes key itself, seen again, is walked once.
            if (own.Open(root, ClassesPath(root), KEY_READ) && twinKey.Open(root, twin.c_str(), KEY_READ) &&
                !RegView::SameKey(own.Get(), twinKey.Get()))
                m_walked.push_back(Area{root, twin});
        }
    }
    // Every user with a profile but the scanning one, whose classes are
    // walked; the service accounts install nothing. Where the scanning
    // user's SID cannot be told, that user's hive is asked as another's.
    RegKey profiles;
    if (!profiles.Open(HKEY_LOCAL_MACHINE, kProfileList, KEY_READ))
        return;
    m_bAllUsers = true;
    std::string own;
    UserAccount::CurrentSidText(own);
    RegWalk::Subkeys(HKEY_LOCAL_MACHINE, kProfileList, nullptr, [&](HKEY, const char* sid) {
        for (const char* service : {"S-1-5-18", "S-1-5-19", "S-1-5-20", own.c_str()})
            if (lstrcmpiA(sid, service) == 0)
                return;
        RegKey hive;
        if (hive.Open(HKEY_USERS, sid, KEY_READ))
            m_users.push_back(sid);
        else
            m_bAllUsers = false;
    });
}

// The entry's own kind of classes first: its type most often lives there.
bool ClassAreas::Registered(const char* path, RegText::Owner owner) const
{
    char full[kRegTextSize];
    const bool user = owner == RegText::Owner::kUser;
    for (HKEY root : {user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, user ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER}) {
        for (const char* twin : {"", kTwin}) {
            // A name too long to look up is never called unregistered, nor
            // one whose key is there but cannot be read.
            if (!RegText::Compose(full, "%s%s\\%s", ClassesPath(root), twin, path) ||
                RegKey::Exists(root, full, KEY_READ))
                return true;
        }
    }
    return !user && OtherUserHasClass(path);
}

bool ClassAreas::OtherUserHasClass(const char* path) const
{
    char full[kRegTextSize];
    for (const char* twin : {"", kTwin})
        if (!RegText::Compose(full, "%s%s\\%s", kUserClasses, twin, path) || OtherUserHas(full))
            return true;
    return false;
}

bool ClassAreas::OtherUserHas(const char* path) const
{
    if (!m_bAllUsers)
        return true;
    char full[kRegTextSize];
    for (const std::string& user : m_users)
        if (!RegText::Compose(full, "%s\\%s", user.c_str(), path) || RegKey::Exists(HKEY_USERS, full, KEY_READ))
            return true;
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
