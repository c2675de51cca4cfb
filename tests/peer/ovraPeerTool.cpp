// The other build's half of the shared-backup test:
//   ovra_peer_backup write NAME     writes the shared records to backups\NAME
//   ovra_peer_backup restore NAME   restores them from backups\NAME
// Exit code 0 on success.
#include "ovraPeerBackup.h"

#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    if (std::strcmp(argv[1], "write") == 0)
        return ovrapeer::Write(argv[2]) ? 0 : 1;
    if (std::strcmp(argv[1], "restore") == 0)
        return ovrapeer::Restore(argv[2]) ? 0 : 1;
    return 2;
}
