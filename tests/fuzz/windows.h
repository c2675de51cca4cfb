#pragma once

// Test-only stand-in for <windows.h>, first on the include path of the native
// fuzz build: just the names the command-line heuristics use, so
// ovraSweepline.cpp builds unchanged on Linux. The functions live in
// ovraFuzzWindows.cpp and answer from a fixed rule, not from any disk.
#include <cstdint>

typedef unsigned long DWORD;
typedef int BOOL;
typedef void* HANDLE;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_BAD_PATHNAME = 161;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    char cFileName[260];
};

HANDLE FindFirstFileA(const char* path, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);
BOOL CloseHandle(HANDLE handle);
DWORD SearchPathA(const char* path, const char* name, const char* extension, DWORD length, char* buffer,
                  char** filePart);
DWORD GetLastError();
