#include "platform/ovraCodePage.h"

#include <cstring>
#include <vector>

namespace ovra {

namespace {

bool IsLeadByte(char c)
{
    return IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(c)) != 0;
}

// Bytes of the character starting at text: two for a lead byte that has its
// trail byte, else one.
size_t CharBytes(const char* text, size_t left)
{
    return left >= 2 && IsLeadByte(text[0]) && text[1] != '\0' ? 2 : 1;
}

} // namespace

bool CodePage::ToAnsi(const wchar_t* text, size_t length, char* buffer, size_t size, size_t& written)
{
    written = 0;
    if (length == 0)
        return true;
    if (length > 0x7FFFFFFF || size == 0)
        return false;
    // UTF-8 as the code page takes neither the flag nor the report; the round
    // trip below still finds what it cannot hold (lone surrogates).
    const UINT codePage = GetACP();
    const bool reports = codePage != CP_UTF8 && codePage != CP_UTF7;
    BOOL usedDefault = FALSE;
    const int room = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
    const int bytes = WideCharToMultiByte(CP_ACP, reports ? WC_NO_BEST_FIT_CHARS : 0, text, static_cast<int>(length),
                                          buffer, room, nullptr, reports ? &usedDefault : nullptr);
    if (bytes <= 0 || usedDefault)
        return false;
    std::vector<wchar_t> back(length + 1);
    const int units =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, buffer, bytes, back.data(), static_cast<int>(back.size()));
    if (units != static_cast<int>(length) || std::memcmp(back.data(), text, length * sizeof(wchar_t)) != 0)
        return false;
    written = static_cast<size_t>(bytes);
    return true;
}

bool CodePage::ToAnsiText(const wchar_t* text, size_t length, char* buffer, size_t size)
{
    size_t written = 0;
    if (size == 0 || !ToAnsi(text, length, buffer, size - 1, written))
        return false;
    buffer[written] = '\0';
    return true;
}

bool CodePage::IsExact(const wchar_t* text, size_t length)
{
    // A character takes at most four bytes in any code page.
    std::vector<char> buffer(length * 4 + 1);
    size_t written = 0;
    return ToAnsi(text, length, buffer.data(), buffer.size(), written);
}

bool CodePage::ToWide(const char* text, std::wstring& wide)
{
    wide.clear();
    const size_t length = std::strlen(text);
    if (length == 0)
        return true;
    if (length > 0x7FFFFFFF)
        return false;
    const int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, static_cast<int>(length), nullptr, 0);
    if (units <= 0)
        return false;
    wide.resize(static_cast<size_t>(units));
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, static_cast<int>(length), &wide[0], units) ==
           units;
}

bool CodePage::IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

bool CodePage::IsCharStart(const char* text, size_t offset)
{
    size_t at = 0;
    while (at < offset && text[at] != '\0')
        at += CharBytes(text + at, 2);
    return at == offset;
}

bool CodePage::EndsWithBackslash(const char* text)
{
    const char* last = LastBackslash(text);
    return last != nullptr && last[1] == '\0';
}

const char* CodePage::LastBackslash(const char* text)
{
    const char* found = nullptr;
    for (const char* at = text; *at != '\0'; at += CharBytes(at, 2)) {
        if (*at == '\\')
            found = at;
    }
    return found;
}

char* CodePage::LastBackslash(char* text)
{
    return const_cast<char*>(LastBackslash(static_cast<const char*>(text)));
}

void CodePage::LowerAscii(char* text, size_t length)
{
    for (size_t i = 0; i < length;) {
        const size_t bytes = CharBytes(text + i, length - i);
        if (bytes == 1 && text[i] >= 'A' && text[i] <= 'Z')
            text[i] = static_cast<char>(text[i] - 'A' + 'a');
        i += bytes;
    }
}

char CodePage::FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool CodePage::ContainsFolded(const char* text, const char* word)
{
    for (; *text != '\0'; ++text) {
        size_t i = 0;
        while (word[i] != '\0' && FoldAscii(text[i]) == FoldAscii(word[i]))
            ++i;
        if (word[i] == '\0')
            return true;
    }
    return false;
}

} // namespace ovra
