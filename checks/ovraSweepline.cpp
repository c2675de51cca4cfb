#include "checks/ovraSweepline.h"

#include "platform/ovraProgramSearch.h"

namespace ovra {

bool IsSuspiciousUninstallString(const char* text)
{
    return IsAnyFileMissing(CommandLine::Read(text, CommandLine::Kind::kUninstall));
}

bool IsAnyFileMissing(const CommandLine& line)
{
    return line.IsDead();
}

bool ExistsShortName(const char* name)
{
    return ProgramSearch::FindsBareName(name);
}

bool ExistsFullPath(const char* path)
{
    return ProgramSearch::FindsFile(path);
}

} // namespace ovra
