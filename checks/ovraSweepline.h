#pragma once

// Sweepline: judges one uninstall command line. The text is split into the
// program to run (the command) and the argument files that end in one of the
// tracked endings ("isu", "log", "ini"), leaving out a quoted file right
// after a log switch; the text is suspicious when the command or one of
// those files cannot be found.
//
// The parse lives in module-level state that every judgement rewrites. It is
// used from the scan thread only, one judgement at a time.
namespace ovra {

// Bytes of the working copy, text terminator included: a text of
// kSweeplineBufSize characters or more is not judged.
constexpr int kSweeplineBufSize = 2048;
// Entries of the token table and of the tracked-file table.
constexpr int kSweeplineMaxTokens = 256;
constexpr int kSweeplineMaxFiles = 256;

// True when the command or a tracked file of text is missing; false for a
// null, empty, all-blank or over-long text. Leaves its parse in the state.
bool IsSuspiciousUninstallString(const char* text);

// Judges the state left by the last parse; false when none was loaded.
bool IsAnyFileMissing();

// True when the system search order finds name (default extension ".exe").
// Both lookups also answer true, without looking, for a UNC path and for a
// name on a drive that is not fixed (only the root's drive type is asked).
bool ExistsShortName(const char* name);

// True when a search for path finds something.
bool ExistsFullPath(const char* path);

// Read-only view of the last parse: the command (null when none), and the
// tracked files in the order found.
const char* SweeplineCommand();
int SweeplineFileCount();
const char* SweeplineFile(int index);

} // namespace ovra
