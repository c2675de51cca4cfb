#include "checks/ovraDefaultIcon.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraFileUtils.h"

#include <cstring>
#include <string>

namespace ovra {

namespace {

// "path,index" with an optional minus and digits after the last comma.
const char* IndexComma(const char* text)
{
    const char* comma = std::strrchr(text, ',');
    if (!comma)
        return nullptr;
    const char* at = comma + 1;
    while (*at == ' ')
        ++at;
    if (*at == '-')
        ++at;
    const char* digits = at;
    while (*at >= '0' && *at <= '9')
        ++at;
    while (*at == ' ')
        ++at;
    return at > digits && *at == '\0' ? comma : nullptr;
}

} // namespace

bool DefaultIcon::IsDead(const char* text)
{
    if (text[0] == '@' || CodePage::ContainsFolded(text, "%1"))
        return false;
    std::string path(text);
    bool indexed = false;
    if (text[0] == '"') {
        const char* close = std::strchr(text + 1, '"');
        if (!close || (close[1] != '\0' && IndexComma(close + 1) != close + 1))
            return false;
        path.assign(text + 1, static_cast<size_t>(close - text - 1));
    } else if (const char* comma = IndexComma(text)) {
        path.assign(text, static_cast<size_t>(comma - text));
        indexed = true;
    }
    if (!FileUtils::IsFullPath(path.c_str()) || FileUtils::FileExits(path.c_str()))
        return false;
    // A file whose name itself ends in ",N" is the file meant.
    if (indexed)
        return !FileUtils::FileExits(text);
    // An index the shell cannot read ("app.exe,IDI_MAIN") still names the
    // program before it, which may be there.
    const char* comma = text[0] == '"' ? nullptr : std::strrchr(text, ',');
    return !comma || !FileUtils::FileExits(std::string(text, static_cast<size_t>(comma - text)).c_str());
}

} // namespace ovra
