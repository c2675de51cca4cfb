#include "ui/ovraRegistryEditor.h"

#include "platform/ovraRegKey.h"

#include <windows.h>

#include <vector>

namespace ovra {

const wchar_t RegistryEditor::kSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

namespace {

std::wstring ReadLastKey()
{
    RegKey settings;
    if (!settings.Open(HKEY_CURRENT_USER, RegistryEditor::kSettings, KEY_READ))
        return std::wstring();
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(settings.Get(), L"LastKey", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(settings.Get(), L"LastKey", nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return std::wstring();
    return text.data();
}

} // namespace

std::wstring RegistryEditor::LastKeyFor(const std::wstring& key, const std::wstring& previous)
{
    const size_t root = previous.find(L"\\HKEY_");
    return root == std::wstring::npos ? key : previous.substr(0, root + 1) + key;
}

bool RegistryEditor::OpenAt(const std::wstring& key)
{
    const std::wstring lastKey = LastKeyFor(key, ReadLastKey());
    HKEY created = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr) !=
        ERROR_SUCCESS)
        return false;
    RegKey settings(created);
    if (RegSetValueExW(settings.Get(), L"LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(lastKey.c_str()),
                       static_cast<DWORD>((lastKey.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        return false;
    wchar_t folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    std::wstring program = folder;
    program += L"\\regedit.exe";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring command = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace ovra
