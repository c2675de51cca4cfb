#pragma once

#include "checks/ovraCommandLine.h"

// Sweepline: judges one uninstall command line, read as Windows would start
// it (CommandLine): the entry is suspicious when its program, the DLL its
// rundll32 line runs, or one of its tracked files ("isu", "log", "ini",
// never a log switch's own output) cannot be found. Nothing is remembered
// between judgements.
namespace ovra {

// Bytes of the working copy, text terminator included: a text of
// kSweeplineBufSize characters or more is not judged.
constexpr int kSweeplineBufSize = CommandLine::kBufSize;
// Entries of the token table and of the tracked-file table.
constexpr int kSweeplineMaxTokens = CommandLine::kMaxTokens;
constexpr int kSweeplineMaxFiles = CommandLine::kMaxFiles;

// True when the program or a tracked file of text is missing; false for a
// null, empty, all-blank or over-long text.
bool IsSuspiciousUninstallString(const char* text);

// Judges a line already read; false when there was nothing to read.
bool IsAnyFileMissing(const CommandLine& line);

// True when the system's search order finds name as a program (also with
// ".exe" added when it has no extension).
bool ExistsShortName(const char* name);

// True when path names a file or folder in any of its views. Both lookups
// also answer true, without looking, for a UNC path and for a name on a drive
// that is not fixed (only the root's drive type is asked), and for a name
// that cannot be looked at.
bool ExistsFullPath(const char* path);

} // namespace ovra
