#include "checks/ovraLocalServer.h"

#include "checks/ovraCommandLine.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegText.h"

#include <string>

namespace ovra {

namespace {

// A server key whose command line is not shown to name a missing program.
bool ServerMayRun(HKEY classKey, const char* serverKey, RegText::Owner owner)
{
    RegKey key;
    const LONG answer = key.Try(classKey, serverKey, KEY_READ);
    if (answer != ERROR_SUCCESS)
        return RegKey::IsThere(answer);
    // A key that is there but cannot be read, or read as text, is left to run.
    char data[kRegTextSize];
    char expanded[kRegTextSize];
    const char* command = RegText::QueryString(key.Get(), nullptr, data, expanded, owner);
    return !command || !CommandLine::Read(command, CommandLine::Kind::kStartup).IsDead();
}

// An AppID that cannot be read may name a service.
bool HasLocalService(HKEY root, const std::string& appIds, const char* appId)
{
    RegKey key;
    const LONG answer = key.Try(root, (appIds + "\\" + appId).c_str(), KEY_READ);
    if (answer != ERROR_SUCCESS)
        return RegKey::IsThere(answer);
    return RegQueryValueExA(key.Get(), "LocalService", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The AppID key beside the key that holds the class ("Wow6432Node\CLSID"
// has its AppIDs at "Wow6432Node\AppID"). The held paths are ASCII.
std::string AppIdsBeside(const char* classesPath)
{
    const std::string path(classesPath);
    const size_t slash = path.rfind('\\');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "AppID";
}

} // namespace

bool LocalServer::MayServe(HKEY classKey, HKEY root, const char* classesPath)
{
    const RegText::Owner owner = RegText::OwnerOf(root);
    if (ServerMayRun(classKey, "LocalServer32", owner) || ServerMayRun(classKey, "LocalServer", owner))
        return true;
    char appId[kRegTextSize];
    char expanded[kRegTextSize];
    const char* id = RegText::QueryString(classKey, "AppID", appId, expanded, owner);
    if (!id || *id == '\0')
        return false;
    // Windows merges the user's AppIDs over the machine's in the classes
    // root; a 32-bit class may name one kept with the 64-bit ones.
    const std::string beside = AppIdsBeside(classesPath);
    return HasLocalService(root, beside, id) || HasLocalService(HKEY_CLASSES_ROOT, "AppID", id) ||
           HasLocalService(HKEY_CLASSES_ROOT, "Wow6432Node\\AppID", id);
}

} // namespace ovra
