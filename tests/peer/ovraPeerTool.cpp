// The other build's half of the shared-backup test:
//   ovra_peer_backup write NAME     writes the shared records to backups\NAME
//   ovra_peer_backup restore NAME   restores them from backups\NAME
//   ovra_peer_backup scan NAME      scans and writes all it found to backups\NAME
//   ovra_peer_backup repair NAME M  scans, writes the records holding M to
//                                   backups\NAME and deletes them
// Exit code 0 on success.
#include "ovraPeerBackup.h"

#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "repair") == 0)
        return ovrapeer::ScanAndWrite(argv[2], argv[3], true) ? 0 : 1;
    if (argc != 3)
        return 2;
    if (std::strcmp(argv[1], "scan") == 0)
        return ovrapeer::ScanAndWrite(argv[2], nullptr, false) ? 0 : 1;
    if (std::strcmp(argv[1], "write") == 0)
        return ovrapeer::Write(argv[2]) ? 0 : 1;
    if (std::strcmp(argv[1], "restore") == 0)
        return ovrapeer::Restore(argv[2]) ? 0 : 1;
    return 2;
}
