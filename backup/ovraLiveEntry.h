#pragma once

#include "backup/ovraBackupFile.h"
#include "records/ovraJobResult.h"

#include <string>
#include <vector>

namespace ovra {

// What the registry holds now where a saved record's entry was. A program
// reinstalled after a repair writes its entry again with new data; restoring
// the old backup over it would bring back the old uninstall command or path,
// and the next scan would delete the live program's entry.
class LiveEntry {
public:
    enum class State {
        kAbsent, // nothing there: a restore puts the saved entry back
        kSame,   // there with exactly the saved data
        kOther,  // there with other data (a key: any value or subkey differs)
    };

    // Compares a record read from the open backup file (its data block at
    // nDataOffset, its texts in the code page text) with the registry. What
    // cannot be read from the file or the registry counts as other data.
    static State Compare(void* file, const JobResult& record, BackupFile::Text text);

    // Compares every record of a backup just read; each one whose entry
    // exists again with other data is unticked, and notes[i] says so for
    // record i (empty for the others).
    static void MarkChanged(void* file, std::vector<JobResult>& records, std::vector<std::string>& notes,
                            BackupFile::Text text);

    // The note shown on the card of such a record.
    static const char* const kOtherDataNote;
};

} // namespace ovra
