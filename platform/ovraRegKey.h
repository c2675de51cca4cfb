#pragma once

#include "platform/ovraKeyCloser.h"
#include "platform/ovraRegView.h"

#include <windows.h>

#include <cstdint>

namespace ovra {

// Owns one open registry key and closes it on every path.
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : m_hKey(key) {}
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Opens path under parent; true when the registry answered success.
    // The path is taken in the machine's native view unless access asks for
    // the 32-bit one (RegView::Native).
    bool Open(HKEY parent, const char* path, REGSAM access) { return Try(parent, path, access) == ERROR_SUCCESS; }

    // The same, giving the registry's answer: a key that is not there can
    // then be told from one that is there but cannot be opened.
    LONG Try(HKEY parent, const char* path, REGSAM access)
    {
        Close();
        const LONG answer = RegOpenKeyExA(parent, path, 0, InView(access), &m_hKey);
        if (answer != ERROR_SUCCESS)
            Forget();
        return answer;
    }

    // False only when the registry answered that no key is there. A key that
    // refuses to be opened is there all the same: a registration behind it
    // may be live.
    static bool IsThere(LONG answer) { return answer != ERROR_FILE_NOT_FOUND && answer != ERROR_PATH_NOT_FOUND; }
    static bool Exists(HKEY parent, const char* path, REGSAM access)
    {
        RegKey key;
        return IsThere(key.Try(parent, path, access));
    }

    // The same for a UTF-16 path, which any name can be spelt in.
    bool Open(HKEY parent, const wchar_t* path, REGSAM access)
    {
        Close();
        return RegOpenKeyExW(parent, path, 0, InView(access), &m_hKey) == ERROR_SUCCESS || Forget();
    }

    void Close()
    {
        if (m_hKey) {
            KeyCloser::Close(m_hKey);
            m_hKey = nullptr;
        }
    }

    HKEY Get() const { return m_hKey; }
    HKEY* Receive() { Close(); return &m_hKey; }
    explicit operator bool() const { return m_hKey != nullptr; }

    // A record's root travels as the predefined handle's 32-bit value.
    static HKEY Root(uint32_t value) { return reinterpret_cast<HKEY>(static_cast<uintptr_t>(static_cast<int32_t>(value))); }

private:
    static REGSAM InView(REGSAM access)
    {
        return (access & KEY_WOW64_32KEY) == 0 ? access | RegView::Native() : access;
    }
    // A failed open leaves nothing to close.
    bool Forget()
    {
        m_hKey = nullptr;
        return false;
    }

    HKEY m_hKey = nullptr;
};

} // namespace ovra
