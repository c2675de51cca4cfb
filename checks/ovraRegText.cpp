#include "checks/ovraRegText.h"

#include "checks/ovraPathViews.h"
#include "checks/ovraRegKey.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace ovra {

const char* RegText::StringData(DWORD type, char* data, DWORD length, char* expanded)
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
    PathViews::NoteExpansion(data);
    const DWORD needed = ExpandEnvironmentStringsA(data, expanded, kRegTextSize);
    if (needed == 0 || needed > kRegTextSize)
        return nullptr;
    return expanded;
}

const char* RegText::DefaultValue(HKEY parent, const char* path, char* data, char* expanded)
{
    RegKey key;
    if (!key.Open(parent, path, KEY_READ))
        return nullptr;
    DWORD type = 0;
    DWORD length = kRegTextSize;
    if (RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &length) != ERROR_SUCCESS)
        return nullptr;
    return StringData(type, data, length, expanded);
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
    char text[kRegTextSize];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    if (written < 0)
        text[0] = '\0';
    return text;
}

} // namespace ovra
