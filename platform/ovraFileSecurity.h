#pragma once

#include <windows.h>

namespace ovra {

// Who may change a file. A restore run by an administrator writes whatever a
// backup holds, into HKEY_LOCAL_MACHINE too: a backup that another user of
// the computer could have written is a way into the administrator's rights.
class FileSecurity {
public:
    // Creates folder with a protected security descriptor: full control for
    // Administrators and SYSTEM, read for Users, nothing inherited from the
    // folder above. True when the folder was created by this call.
    static bool CreateProtectedFolder(const char* folder);

    // True when the open file is owned by Administrators, SYSTEM or the user
    // running this program, and no one else may write to it, change its
    // permissions or take it over. A file whose security cannot be read is
    // not trusted.
    static bool OnlyTrustedWriters(HANDLE file);
};

} // namespace ovra
