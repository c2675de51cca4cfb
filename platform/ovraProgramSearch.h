#pragma once

namespace ovra {

// Whether the file a command line names is there, asked the way Windows
// starts a program. Every answer errs towards "found": a name that cannot be
// looked at (access denied, device not ready, too long) or that lies
// elsewhere counts as found, so a live entry is never called dead.
class ProgramSearch {
public:
    // True for a UNC path, and for a path on a drive letter whose drive is not
    // fixed (removable, optical, network, a letter with no root). Such a name
    // counts as found without a look: the disk may merely be unplugged, and a
    // question to the network can wait for its timeout. Only the root's drive
    // type is asked.
    static bool IsElsewhere(const char* path);

    // True when the last part of path has an extension: a dot with text
    // after it.
    static bool HasExtension(const char* path);

    // True when path names a file or folder in any of its views (PathViews).
    static bool FindsFile(const char* path);

    // True when path names a program file in any of its views, tried as
    // written and, when its last part has no extension, with ".exe" too. A
    // folder is no program unless folderCounts.
    static bool FindsProgram(const char* path, bool folderCounts);

    // True when the system's search order has the bare name (no folder in
    // it) as a program: the system folder (in both views on 64-bit Windows),
    // the Windows folder, then every entry of PATH that is a full path on a
    // fixed drive. Relative, UNC and other drives' entries are not looked
    // into, and no drive is ever asked to prompt for a disk; when any entry
    // was passed over, a name found nowhere else counts as found too, since
    // that entry may hold it.
    static bool FindsBareName(const char* name);
};

} // namespace ovra
