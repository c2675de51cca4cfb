#include "checks/ovraFileUtils.h"

#include <windows.h>

#include <cctype>
#include <cstring>

namespace ovra {

namespace {

bool HasDriveLetter(const char* path)
{
    return path && std::strlen(path) > 2 && std::tolower(static_cast<unsigned char>(path[0])) >= 'a' &&
           std::tolower(static_cast<unsigned char>(path[0])) <= 'z' && path[1] == ':' && path[2] == '\\';
}

bool IsFixedDrive(const char* path)
{
    const char root[4] = {path[0], ':', '\\', '\0'};
    return GetDriveTypeA(root) == DRIVE_FIXED;
}

} // namespace

bool FileUtils::IsMissingError(unsigned long error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return true;
    default:
        return false;
    }
}

bool FileUtils::IsFullPath(const char* path)
{
    return HasDriveLetter(path) && IsFixedDrive(path);
}

bool FileUtils::FileExits(const char* path)
{
    if (!path)
        return false;
    if (HasDriveLetter(path) && IsFixedDrive(path)) {
        if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            return true;
        return !IsMissingError(GetLastError());
    }
    if (SearchPathA(nullptr, path, nullptr, 0, nullptr, nullptr) != 0)
        return true;
    return !IsMissingError(GetLastError());
}

} // namespace ovra
