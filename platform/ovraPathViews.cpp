#include "platform/ovraPathViews.h"

#include "platform/ovraCodePage.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace ovra {

namespace {

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);
typedef BOOL(WINAPI* DisableRedirectionFn)(PVOID*);
typedef BOOL(WINAPI* RevertRedirectionFn)(PVOID);
typedef UINT(WINAPI* GetSystemWow64DirectoryFn)(LPSTR, UINT);

const bool kIs64BitProgram = sizeof(void*) == 8;

// These exist only on systems that know WOW64; looked up by name so that the
// program still starts on older Windows.
template <typename Function>
Function Kernel32(const char* name)
{
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    if (!kernel32)
        return nullptr;
    const FARPROC proc = GetProcAddress(kernel32, name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

// The folders a path may be read through, as this program sees them.
struct Folders {
    char system[MAX_PATH];    // System32
    char wow64[MAX_PATH];     // SysWOW64; empty where there is none
    char sysnative[MAX_PATH]; // the alias 32-bit programs use for the 64-bit System32
};

bool Fits(UINT length)
{
    return length > 0 && length < MAX_PATH;
}

Folders ReadFolders()
{
    Folders folders = {};
    if (!Fits(GetSystemDirectoryA(folders.system, MAX_PATH)))
        folders.system[0] = '\0';
    const auto wow64Directory = Kernel32<GetSystemWow64DirectoryFn>("GetSystemWow64DirectoryA");
    if (!wow64Directory || !Fits(wow64Directory(folders.wow64, MAX_PATH)))
        folders.wow64[0] = '\0';
    char windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (Fits(length)) {
        const char* separator = windows[length - 1] == '\\' ? "" : "\\";
        const int written = std::snprintf(folders.sysnative, MAX_PATH, "%s%sSysnative", windows, separator);
        if (written < 0 || written >= MAX_PATH)
            folders.sysnative[0] = '\0';
    }
    return folders;
}

const Folders& TheFolders()
{
    static const Folders folders = ReadFolders();
    return folders;
}

// The length of folder when path is that folder or lies inside it, else 0.
// Only ASCII letters are folded: the folder names are ASCII, so a byte of a
// double-byte character never matches one of them.
size_t InFolder(const char* path, const char* folder)
{
    size_t length = 0;
    for (; folder[length] != '\0'; ++length)
        if (CodePage::FoldAscii(path[length]) != CodePage::FoldAscii(folder[length]))
            return 0;
    return length > 0 && (path[length] == '\\' || path[length] == '\0') ? length : 0;
}

// A program folder as the entry's writer may have meant it, and as this
// program's expansion spelt it.
struct FolderPair {
    char from[MAX_PATH];
    char to[MAX_PATH];
};

struct ExpansionNote {
    int count;
    FolderPair pairs[2];
};

thread_local ExpansionNote t_note = {};

bool LookUpIn(const char* folder, const char* rest, PathViews::Lookup lookup)
{
    if (folder[0] == '\0')
        return false;
    const std::string other = std::string(folder) + rest;
    return lookup(other.c_str(), false);
}

} // namespace

bool PathViews::TwoViews()
{
    static const bool twoViews = [] {
        if (kIs64BitProgram)
            return true;
        const auto isWow64Process = Kernel32<IsWow64ProcessFn>("IsWow64Process");
        BOOL wow64 = FALSE;
        return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
    }();
    return twoViews;
}

bool PathViews::Exists(const char* path, Lookup lookup)
{
    if (!path)
        return false;
    if (lookup(path, false))
        return true;
    if (!TwoViews())
        return false;
    const Folders& folders = TheFolders();
    if (const size_t length = InFolder(path, folders.system)) {
        // The 64-bit program reads a 32-bit writer's System32 as SysWOW64;
        // the 32-bit program looks past its redirector for a 64-bit one's.
        if (kIs64BitProgram ? LookUpIn(folders.wow64, path + length, lookup) : lookup(path, true))
            return true;
    }
    if (kIs64BitProgram) {
        // A 32-bit writer names the 64-bit System32 by its alias, which only
        // 32-bit programs can open.
        if (const size_t length = InFolder(path, folders.sysnative))
            if (LookUpIn(folders.system, path + length, lookup))
                return true;
    }
    for (int i = 0; i < t_note.count; ++i) {
        const FolderPair& pair = t_note.pairs[i];
        if (const size_t length = InFolder(path, pair.from))
            if (LookUpIn(pair.to, path + length, lookup))
                return true;
    }
    return false;
}

void PathViews::NoteExpansion(const char* text)
{
    Forget();
    if (!text || !TwoViews())
        return;
    // Each variable with the one that spells the other program's folder.
    static const struct {
        const char* reference;
        const char* name;
        const char* otherFor64;
        const char* otherFor32;
    } kVariables[] = {
        {"%ProgramFiles%", "ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"},
        {"%CommonProgramFiles%", "CommonProgramFiles", "CommonProgramFiles(x86)", "CommonProgramW6432"},
    };
    for (const auto& variable : kVariables) {
        if (!CodePage::ContainsFolded(text, variable.reference))
            continue;
        FolderPair& pair = t_note.pairs[t_note.count];
        const char* other = kIs64BitProgram ? variable.otherFor64 : variable.otherFor32;
        if (!Fits(GetEnvironmentVariableA(variable.name, pair.from, MAX_PATH)) ||
            !Fits(GetEnvironmentVariableA(other, pair.to, MAX_PATH)) || InFolder(pair.from, pair.to))
            continue;
        ++t_note.count;
    }
}

void PathViews::Forget()
{
    t_note.count = 0;
}

PathViews::NativeScope::NativeScope(bool native) : m_pOldValue(nullptr), m_bDisabled(false), m_bActive(true)
{
    // A 64-bit program sees the native folders already.
    if (!native || kIs64BitProgram)
        return;
    const auto disable = Kernel32<DisableRedirectionFn>("Wow64DisableWow64FsRedirection");
    m_bDisabled = disable && disable(&m_pOldValue);
    m_bActive = m_bDisabled;
}

PathViews::NativeScope::~NativeScope()
{
    if (!m_bDisabled)
        return;
    const auto revert = Kernel32<RevertRedirectionFn>("Wow64RevertWow64FsRedirection");
    if (revert)
        revert(m_pOldValue);
}

} // namespace ovra
