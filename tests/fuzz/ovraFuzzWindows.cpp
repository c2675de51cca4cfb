// The stand-in's file system: whether a name exists, and which error a miss
// reports, follows from a hash of the name, so every answer is repeatable
// and all three outcomes (found, not found, cannot be looked at) occur.
#include "ovraFuzzWindows.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraPathViews.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

DWORD g_lastError = 0;
int g_openSearches = 0;
char g_searchHandle;

// 0 exists; otherwise the error a lookup reports.
DWORD Lookup(const char* name)
{
    // Every name the heuristics look up comes from their lower-cased copy.
    // Trail bytes of double-byte characters stay as they are.
    uint32_t hash = 2166136261u;
    for (const char* p = name; *p; ++p) {
        if (*p >= 'A' && *p <= 'Z')
            std::abort();
        hash = (hash ^ static_cast<unsigned char>(*p)) * 16777619u;
        if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(*p)) && p[1] != '\0')
            hash = (hash ^ static_cast<unsigned char>(*++p)) * 16777619u;
    }
    static const DWORD outcomes[] = {0, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED};
    return outcomes[hash % 4];
}

} // namespace

HANDLE FindFirstFileA(const char* path, WIN32_FIND_DATAA* data)
{
    std::memset(data, 0, sizeof(*data));
    g_lastError = Lookup(path);
    if (g_lastError != 0)
        return INVALID_HANDLE_VALUE;
    ++g_openSearches;
    return &g_searchHandle;
}

BOOL FindClose(HANDLE find)
{
    if (find != &g_searchHandle || g_openSearches <= 0)
        std::abort();
    --g_openSearches;
    return 1;
}

BOOL CloseHandle(HANDLE)
{
    std::abort(); // the heuristics open no files
}

DWORD SearchPathA(const char* path, const char* name, const char*, DWORD length, char*, char**)
{
    if (path != nullptr || length != 0)
        std::abort();
    g_lastError = Lookup(name);
    return g_lastError == 0 ? static_cast<DWORD>(std::strlen(name) + 1) : 0;
}

DWORD GetLastError()
{
    return g_lastError;
}

// The heuristics need only this one of the path tests; the rest of them
// stays out of the native build.
bool ovra::FileUtils::IsMissingError(unsigned long error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_BAD_PATHNAME;
}

UINT GetACP()
{
    return 932;
}

BOOL IsDBCSLeadByteEx(UINT, BYTE c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

int WideCharToMultiByte(UINT, DWORD, const wchar_t*, int, char*, int, const char*, BOOL*)
{
    std::abort(); // the heuristics convert nothing
}

int MultiByteToWideChar(UINT, DWORD, const char*, int, wchar_t*, int)
{
    std::abort();
}

// Drives a to m are fixed, the others are not; only roots are asked.
bool ovra::FileUtils::IsFullPath(const char* path)
{
    if (std::strlen(path) != 3 || path[1] != ':' || path[2] != '\\')
        std::abort();
    const char letter = static_cast<char>(path[0] | 0x20);
    return letter >= 'a' && letter <= 'm';
}

// The stand-in is a system of one view: every path is asked as written.
bool ovra::PathViews::Exists(const char* path, Lookup lookup)
{
    return path && lookup(path, false);
}

ovra::PathViews::NativeScope::NativeScope(bool) : m_pOldValue(nullptr), m_bDisabled(false), m_bActive(true)
{
}

ovra::PathViews::NativeScope::~NativeScope()
{
    static_cast<void>(m_pOldValue);
    static_cast<void>(m_bDisabled);
}

int FuzzOpenSearches()
{
    return g_openSearches;
}
