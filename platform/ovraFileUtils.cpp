#include "platform/ovraFileUtils.h"

#include "platform/ovraExistenceCache.h"
#include "platform/ovraPathViews.h"

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

// During a scan each drive's type is asked once.
bool IsFixedDrive(const char* path)
{
    ExistenceCache* cache = ExistenceCache::Active();
    unsigned type = 0;
    if (!cache || !cache->FindDriveType(path[0], type)) {
        const char root[4] = {path[0], ':', '\\', '\0'};
        type = GetDriveTypeA(root);
        if (cache)
            cache->RememberDriveType(path[0], type);
    }
    return type == DRIVE_FIXED;
}

bool LookUpAttributes(const char* path, bool native)
{
    return FileUtils::LookUp(path, native) != PathKind::kMissing;
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

// One spelling in one view. During a scan each is looked at once; the
// scan's later entries that name it get the same answer. The attributes
// answer both questions asked of a path, whether it is there and whether it
// is a folder, in one call that lists no folder.
PathKind FileUtils::LookUp(const char* path, bool native)
{
    ExistenceCache* cache = ExistenceCache::Active();
    PathKind kind = PathKind::kMissing;
    if (cache && cache->Find(path, kind, native))
        return kind;
    {
        PathViews::NativeScope view(native);
        if (!view.Active())
            return PathKind::kFile; // the view cannot be looked at
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES)
            kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kFolder : PathKind::kFile;
        else if (!IsMissingError(GetLastError()))
            kind = PathKind::kFile;
    }
    if (cache)
        cache->Remember(path, kind, native);
    return kind;
}

bool FileUtils::IsFullPath(const char* path)
{
    return HasDriveLetter(path) && IsFixedDrive(path);
}

bool FileUtils::FileExits(const char* path)
{
    if (!path)
        return false;
    if (HasDriveLetter(path) && IsFixedDrive(path))
        return PathViews::Exists(path, &LookUpAttributes);
    if (SearchPathA(nullptr, path, nullptr, 0, nullptr, nullptr) != 0)
        return true;
    return !IsMissingError(GetLastError());
}

} // namespace ovra
