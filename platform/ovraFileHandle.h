#pragma once

#include <windows.h>

namespace ovra {

// Owns a file handle from CreateFileA and closes it on every path.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : m_hFile(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    void Reset(HANDLE handle) { Close(); m_hFile = handle; }
    void Close()
    {
        if (m_hFile != INVALID_HANDLE_VALUE) {
            CloseHandle(m_hFile);
            m_hFile = INVALID_HANDLE_VALUE;
        }
    }
    HANDLE Get() const { return m_hFile; }
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};

// Owns a search handle from FindFirstFileA and closes it with FindClose.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : m_hFind(handle) {}
    ~FindHandle() { if (m_hFind != INVALID_HANDLE_VALUE) FindClose(m_hFind); }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE Get() const { return m_hFind; }
    bool IsOpen() const { return m_hFind != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_hFind;
};

} // namespace ovra
