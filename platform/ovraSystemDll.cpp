#include "platform/ovraSystemDll.h"

#include <cstdio>

namespace ovra {

HMODULE SystemDll::Load(const char* name)
{
    // Kept loaded: the shell may go on working on its own threads after its
    // call returns, and a screen reader may hold objects of ours at any time.
    // A second LoadLibrary of the same path only returns the loaded module.
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof(system));
    if (length == 0 || length >= sizeof(system))
        return nullptr;
    char path[MAX_PATH + 32];
    const int written = std::snprintf(path, sizeof(path), "%s\\%s", system, name);
    if (written < 0 || static_cast<size_t>(written) >= sizeof(path))
        return nullptr;
    const HMODULE loaded = GetModuleHandleA(path);
    return loaded ? loaded : LoadLibraryA(path);
}

} // namespace ovra
