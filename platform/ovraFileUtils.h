#pragma once

#include "platform/ovraPathKind.h"

namespace ovra {

// Path tests shared by the checks.
class FileUtils {
public:
    // True only for "x:\..." on a drive the system reports as fixed.
    static bool IsFullPath(const char* path);

    // True when the file or folder exists. A path counts as missing only when
    // the system says it does not or cannot exist; any other failure (access
    // denied, sharing violation, device not ready) counts as existing, so a
    // live entry is never called dead because it could not be looked at.
    // On 64-bit Windows a full path is looked for in each of its views
    // (PathViews).
    static bool FileExits(const char* path);

    // What one spelling of a path names in one view (native: past a 32-bit
    // program's redirector), looked at once per scan (ExistenceCache).
    // Any failure but "does not exist" counts as a file.
    static PathKind LookUp(const char* path, bool native);

    // The errors that mean "does not exist": file or path not found, bad name.
    static bool IsMissingError(unsigned long error);
};

} // namespace ovra
