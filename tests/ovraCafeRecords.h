#pragma once

// Two records whose every text fits the system's code page (Western
// European, 1252) but is not ASCII: a value and a key tree below
// HKEY_CURRENT_USER\Software\ovra_café, with string, list, expandable,
// number and binary data. Texts are made in the running program's code page,
// as a scan makes them.
#include "ovraTestRegistry.h"
#include "records/ovraJobResult.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ovratest {

const wchar_t kCafeKey[] = L"Software\\ovra_caf\u00e9";

inline std::string InCodePage(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

inline void SetWide(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
}

inline void SeedCafe()
{
    HKEY top = nullptr, sub = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kCafeKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &top, nullptr);
    const wchar_t app[] = L"C:\\Caf\u00e9\\app.exe";
    SetWide(top, L"Caf\u00e9 tool", REG_SZ, app, sizeof(app));
    RegCreateKeyExW(top, L"Sous-cl\u00e9", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
    const wchar_t elan[] = L"\u00c9lan";
    const wchar_t list[] = L"C:\\Caf\u00e9\\a.dll\0D\u00e9p\u00f4t\0";
    const wchar_t path[] = L"%ProgramFiles%\\Caf\u00e9";
    const DWORD number = 0x1234;
    const BYTE bytes[] = {0xe9, 0x00, 0xff};
    SetWide(sub, nullptr, REG_SZ, elan, sizeof(elan));
    SetWide(sub, L"Liste", REG_MULTI_SZ, list, sizeof(list));
    SetWide(sub, L"Pfad", REG_EXPAND_SZ, path, sizeof(path));
    SetWide(sub, L"Zahl", REG_DWORD, &number, sizeof(number));
    SetWide(sub, L"Octets \u00e0 garder", REG_BINARY, bytes, sizeof(bytes));
    RegCloseKey(sub);
    RegCloseKey(top);
}

inline std::vector<ovra::JobResult> CafeRecords()
{
    const std::string key = InCodePage(kCafeKey);
    ovra::JobResult value;
    value.hRoot = 0x80000001u;
    value.sKeyPath = key;
    value.sName = InCodePage(L"Caf\u00e9 tool");
    value.sProblem = "Value is invalid";
    value.sSection = "HKEY_CURRENT_USER\\" + key;
    value.sValue = InCodePage(L"Caf\u00e9 tool = C:\\Caf\u00e9\\app.exe");
    value.nJobId = 7;
    value.nKind = ovra::kKindValue;
    value.bSelected = true;
    ovra::JobResult tree = value;
    tree.sName = InCodePage(L"Sous-cl\u00e9");
    tree.sProblem = "Add/Remove item is invalid";
    tree.sValue = InCodePage(L"Sous-cl\u00e9 = \u00c9lan");
    tree.nJobId = 8;
    tree.nKind = ovra::kKindKey;
    return {value, tree};
}

} // namespace ovratest
