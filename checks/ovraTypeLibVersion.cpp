#include "checks/ovraTypeLibVersion.h"

#include "platform/ovraFileUtils.h"
#include "platform/ovraRegText.h"
#include "checks/ovraRegWalk.h"

#include <atomic>
#include <cstring>

namespace ovra {

namespace {

bool IsHexNumber(const char* name)
{
    if (!*name)
        return false;
    for (; *name; ++name)
        if (!std::strchr("0123456789abcdefABCDEF", *name))
            return false;
    return true;
}

// The length of text without a trailing "\N" (digits only), or 0 when it
// has none.
size_t WithoutResourceIndex(const char* text)
{
    size_t end = std::strlen(text);
    size_t digits = 0;
    while (digits < end && text[end - 1 - digits] >= '0' && text[end - 1 - digits] <= '9')
        ++digits;
    if (digits == 0 || digits == end || text[end - 1 - digits] != '\\')
        return 0;
    return end - 1 - digits;
}

} // namespace

bool TypeLibVersion::NamesMissingFile(const char* text)
{
    if (!FileUtils::IsFullPath(text) || FileUtils::FileExits(text))
        return false;
    const size_t length = WithoutResourceIndex(text);
    if (length == 0)
        return true;
    const std::string file(text, length);
    return !FileUtils::FileExits(file.c_str());
}

bool TypeLibVersion::IsDead(HKEY library, const char* version, std::string& registration, std::string& path)
{
    int dead = 0;
    // One live registration decides: the walks read no further names.
    std::atomic<bool> live(false);
    RegWalk::Subkeys(library, version, &live, [&](HKEY versionKey, const char* locale) {
        if (!IsHexNumber(locale))
            return;
        RegWalk::Subkeys(versionKey, locale, &live, [&](HKEY localeKey, const char* platform) {
            char data[kRegTextSize];
            char expanded[kRegTextSize];
            const bool known = lstrcmpiA(platform, "win32") == 0 || lstrcmpiA(platform, "win64") == 0;
            const char* text = known ? RegText::DefaultValue(localeKey, platform, data, expanded,
                                                                           RegText::Owner::kMachine) : nullptr;
            if (!text || !NamesMissingFile(text)) {
                live = true;
                return;
            }
            if (dead++ == 0) {
                registration = std::string(locale) + "\\" + platform;
                path = text;
            }
        });
    });
    return !live.load() && dead > 0;
}

} // namespace ovra
