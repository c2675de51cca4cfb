#include "platform/ovraRegText.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraPathViews.h"
#include "platform/ovraRegKey.h"
#include "platform/ovraRegView.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace ovra {

namespace {

// The registry nests keys at most 512 deep.
const int kMaxDepth = 512;

bool IsExactData(DWORD type, const std::vector<wchar_t>& data, DWORD size)
{
    return !CodePage::IsStringType(type) || (size % 2 == 0 && CodePage::IsExact(data.data(), size / 2));
}

bool TreeFits(HKEY key, int depth)
{
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestValueName = 0, longestData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                         &longestValueName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return true;
    std::vector<wchar_t> name((longestSubkey > longestValueName ? longestSubkey : longestValueName) + 1);
    std::vector<wchar_t> data(longestData / 2 + 1);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = 0, type = 0, size = 0;
        LONG rc = ERROR_MORE_DATA;
        // A value that grew since the key was asked gets a second, larger try.
        for (int attempt = 0; attempt < 3 && rc == ERROR_MORE_DATA; ++attempt) {
            nameLength = static_cast<DWORD>(name.size());
            size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
            rc = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                               &size);
            if (rc == ERROR_MORE_DATA) {
                data.resize(data.size() + size / 2 + 1);
                name.resize(name.size() * 2);
            }
        }
        if (rc != ERROR_SUCCESS)
            continue;
        if (!CodePage::IsExact(name.data(), nameLength) || !IsExactData(type, data, size))
            return false;
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        if (!CodePage::IsExact(name.data(), nameLength))
            return false;
        RegKey subkey;
        if (depth >= kMaxDepth ||
            RegOpenKeyExW(key, name.data(), 0, KEY_READ | RegView::Native(), subkey.Receive()) != ERROR_SUCCESS)
            continue;
        if (!TreeFits(subkey.Get(), depth + 1))
            return false;
    }
    return true;
}

// The variables Windows sets per user at logon.
const char* const kUserVariables[] = {
    "%LOCALAPPDATA%", "%APPDATA%",   "%USERPROFILE%", "%TEMP%",            "%TMP%",
    "%HOMEDRIVE%",    "%HOMEPATH%",  "%USERNAME%",    "%OneDrive%",        "%OneDriveConsumer%",
    "%OneDriveCommercial%",
};

} // namespace

RegText::Owner RegText::OwnerOf(HKEY root)
{
    return root == HKEY_CURRENT_USER ? Owner::kUser : Owner::kMachine;
}

bool RegText::NamesUserVariable(const char* text)
{
    for (const char* variable : kUserVariables)
        if (CodePage::ContainsFolded(text, variable))
            return true;
    return false;
}

const char* RegText::StringData(DWORD type, char* data, DWORD length, char* expanded, Owner owner)
{
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return nullptr;
    // Stored strings may lack their terminating zero; add it where there is
    // room, and refuse a full buffer that holds none.
    if (length < kRegTextSize)
        data[length] = '\0';
    else if (!std::memchr(data, '\0', kRegTextSize))
        return nullptr;
    if (type == REG_SZ)
        return data;
    if (owner == Owner::kMachine && NamesUserVariable(data))
        return nullptr;
    PathViews::NoteExpansion(data);
    // Expanded in UTF-16: a variable may name a folder that the code page
    // cannot spell, and its look-alike would name another folder.
    std::wstring wide;
    if (!CodePage::ToWide(data, wide))
        return nullptr;
    wchar_t result[kRegTextSize];
    const DWORD needed = ExpandEnvironmentStringsW(wide.c_str(), result, kRegTextSize);
    if (needed == 0 || needed > kRegTextSize)
        return nullptr;
    result[kRegTextSize - 1] = L'\0';
    if (!CodePage::ToAnsiText(result, std::wcslen(result), expanded, kRegTextSize))
        return nullptr;
    return expanded;
}

bool RegText::FromWide(DWORD type, const BYTE* wide, DWORD size, char* data, DWORD& length)
{
    length = 0;
    if (!CodePage::IsStringType(type)) {
        if (size > kRegTextSize)
            return false;
        std::memcpy(data, wide, size);
        length = size;
        return true;
    }
    size_t written = 0;
    if (size % 2 != 0 ||
        !CodePage::ToAnsi(reinterpret_cast<const wchar_t*>(wide), size / 2, data, kRegTextSize, written))
        return false;
    length = static_cast<DWORD>(written);
    return true;
}

const char* RegText::QueryString(HKEY key, const char* valueName, char* data, char* expanded, Owner owner)
{
    std::wstring name;
    if (valueName && !CodePage::ToWide(valueName, name))
        return nullptr;
    wchar_t wide[kRegTextSize];
    DWORD type = 0;
    DWORD size = sizeof(wide);
    DWORD length = 0;
    if (RegQueryValueExW(key, valueName ? name.c_str() : nullptr, nullptr, &type, reinterpret_cast<BYTE*>(wide),
                         &size) != ERROR_SUCCESS ||
        !FromWide(type, reinterpret_cast<const BYTE*>(wide), size, data, length))
        return nullptr;
    return StringData(type, data, length, expanded, owner);
}

bool RegText::ValueFitsCodePage(HKEY key, const char* name)
{
    std::wstring wideName;
    if (!CodePage::ToWide(name, wideName))
        return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        !CodePage::IsStringType(type))
        return true;
    std::vector<wchar_t> data(size / 2 + 1);
    size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return true;
    return IsExactData(type, data, size);
}

bool RegText::TreeFitsCodePage(HKEY key)
{
    return TreeFits(key, 1);
}

bool RegText::EntryFitsCodePage(HKEY root, const char* keyPath, const char* name, bool subkey)
{
    RegKey parent;
    if (!parent.Open(root, keyPath, KEY_READ))
        return true;
    return EntryFitsCodePage(parent.Get(), name, subkey);
}

bool RegText::EntryFitsCodePage(HKEY parent, const char* name, bool subkey)
{
    if (!subkey)
        return ValueFitsCodePage(parent, name);
    RegKey key;
    if (!key.Open(parent, name, KEY_READ))
        return true;
    return TreeFitsCodePage(key.Get());
}

const char* RegText::DefaultValue(HKEY parent, const char* path, char* data, char* expanded, Owner owner)
{
    RegKey key;
    if (!key.Open(parent, path, KEY_READ))
        return nullptr;
    return QueryString(key.Get(), nullptr, data, expanded, owner);
}

bool RegText::Compose(char* buffer, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, kRegTextSize, format, args);
    va_end(args);
    return written >= 0 && static_cast<DWORD>(written) < kRegTextSize;
}

std::string RegText::Display(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    char text[kRegTextSize];
    const int written = std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    std::string shown;
    if (written >= 0 && static_cast<DWORD>(written) < kRegTextSize) {
        shown = text;
    } else if (written >= 0) {
        // Cut where a character ends, never inside one.
        std::vector<char> whole(static_cast<size_t>(written) + 1);
        std::vsnprintf(whole.data(), whole.size(), format, again);
        shown.assign(whole.data(), CodePage::CharBoundary(whole.data(), kRegTextSize - 1));
    }
    va_end(again);
    return shown;
}

} // namespace ovra
