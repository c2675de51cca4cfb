// The stand-in's file system: whether a name exists (as a file or a folder),
// and which error a miss reports, follows from a hash of the name, so every
// answer is repeatable and every outcome (file, folder, not found, cannot be
// looked at) occurs.
#include "ovraFuzzWindows.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraPathViews.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

DWORD g_errorMode = 0;

const DWORD kFolder = ~0ul;

// 0 a file, kFolder a folder; otherwise the error a lookup reports.
DWORD Lookup(const char* name)
{
    // Names are looked up as written; like Windows' usual file systems the
    // stand-in ignores case. It folds every byte of an ASCII letter's value:
    // the texts fuzzed are not always valid double-byte text (a lead byte
    // before a quote the reader takes away), and for those no reading of
    // their characters is the right one.
    uint32_t hash = 2166136261u;
    for (const char* p = name; *p; ++p) {
        const char c = *p >= 'A' && *p <= 'Z' ? static_cast<char>(*p - 'A' + 'a') : *p;
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    static const DWORD outcomes[] = {0, kFolder, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED};
    return outcomes[hash % 5];
}

} // namespace

// Names are looked up as written, one view, nothing remembered.
ovra::PathKind ovra::FileUtils::LookUp(const char* path, bool)
{
    const DWORD outcome = Lookup(path);
    if (outcome == kFolder)
        return PathKind::kFolder;
    return outcome == 0 || !IsMissingError(outcome) ? PathKind::kFile : PathKind::kMissing;
}

// The search order's places, lower-cased as the reader's names are. PATH
// holds one entry of every kind the search must skip or take.
UINT GetSystemDirectoryA(char* buffer, UINT size)
{
    static const char kSystem[] = "c:\\windows\\system32";
    if (size < sizeof(kSystem))
        std::abort();
    std::memcpy(buffer, kSystem, sizeof(kSystem));
    return sizeof(kSystem) - 1;
}

UINT GetWindowsDirectoryA(char* buffer, UINT size)
{
    static const char kWindows[] = "c:\\windows\\";
    if (size < sizeof(kWindows))
        std::abort();
    std::memcpy(buffer, kWindows, sizeof(kWindows));
    return sizeof(kWindows) - 1;
}

DWORD GetEnvironmentVariableA(const char* name, char* buffer, DWORD size)
{
    static const char kPath[] = "c:\\bin;relative\\dir;\\\\srv\\share;r:\\tools;\"c:\\quoted dir\";;c:\\trail\\;%x%\\y";
    if (std::strcmp(name, "PATH") != 0)
        std::abort();
    if (size < sizeof(kPath))
        return sizeof(kPath);
    std::memcpy(buffer, kPath, sizeof(kPath));
    return sizeof(kPath) - 1;
}

BOOL SetThreadErrorMode(DWORD mode, DWORD* oldMode)
{
    if (oldMode)
        *oldMode = g_errorMode;
    g_errorMode = mode;
    return 1;
}

// The reader needs only this one of the path tests; the rest of them
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

int GetLocaleInfoA(LCID, LCTYPE type, char* buffer, int size)
{
    if (type != LOCALE_IDEFAULTANSICODEPAGE || size < 4)
        return 0;
    std::memcpy(buffer, "932", 4);
    return 4;
}

BOOL IsValidCodePage(UINT codePage)
{
    return codePage == 932;
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

unsigned long FuzzErrorMode()
{
    return g_errorMode;
}
