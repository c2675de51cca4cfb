#pragma once

// Test-only stand-in for <windows.h>, first on the include path of the native
// fuzz build: just the names the command-line reader and its searches use, so
// ovraSweepline.cpp builds unchanged on Linux. The functions live in
// ovraFuzzWindows.cpp and answer from a fixed rule, not from any disk.
#include <cstdint>

typedef unsigned long DWORD;
typedef int BOOL;
typedef void* HANDLE;
typedef unsigned char BYTE;
typedef unsigned int UINT;

#define FALSE 0
#define MAX_PATH 260

constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_BAD_PATHNAME = 161;

constexpr UINT SEM_FAILCRITICALERRORS = 0x1;
constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF7 = 65000;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
typedef DWORD LCID;
typedef DWORD LCTYPE;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x800;
constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x1004;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_MULTI_SZ = 7;

UINT GetSystemDirectoryA(char* buffer, UINT size);
UINT GetWindowsDirectoryA(char* buffer, UINT size);
DWORD GetEnvironmentVariableA(const char* name, char* buffer, DWORD size);
BOOL SetThreadErrorMode(DWORD mode, DWORD* oldMode);
// The code page of the stand-in is 932, so the parse meets trail bytes.
UINT GetACP();
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE c);
int GetLocaleInfoA(LCID locale, LCTYPE type, char* buffer, int size);
BOOL IsValidCodePage(UINT codePage);
int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* text, int length, char* buffer, int size,
                        const char* defaultChar, BOOL* usedDefault);
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length, wchar_t* buffer, int size);
