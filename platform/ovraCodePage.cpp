#include "platform/ovraCodePage.h"

#include <cstdlib>
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

// Converts into buffer (room bytes) and checks the round trip; the number
// of bytes written, or 0 when the text has no exact form in the code page.
int ToCodePage(UINT codePage, const wchar_t* text, int length, char* buffer, int room)
{
    // UTF-8 takes neither the flag nor the report; the round trip below
    // still finds what it cannot hold (lone surrogates).
    const UINT actual = codePage == CP_ACP ? GetACP() : codePage;
    const bool reports = actual != CP_UTF8 && actual != CP_UTF7;
    BOOL usedDefault = FALSE;
    const int bytes = WideCharToMultiByte(codePage, reports ? WC_NO_BEST_FIT_CHARS : 0, text, length, buffer, room,
                                          nullptr, reports ? &usedDefault : nullptr);
    if (bytes <= 0 || usedDefault)
        return 0;
    std::vector<wchar_t> back(static_cast<size_t>(length) + 1);
    const int units =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, buffer, bytes, back.data(), static_cast<int>(back.size()));
    if (units != length || std::memcmp(back.data(), text, static_cast<size_t>(length) * sizeof(wchar_t)) != 0)
        return 0;
    return bytes;
}

UINT ReadSystemCodePage()
{
    char number[16] = "";
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, number, sizeof(number)) > 0) {
        const UINT codePage = static_cast<UINT>(std::strtoul(number, nullptr, 10));
        if (codePage != 0 && IsValidCodePage(codePage))
            return codePage;
    }
    return GetACP();
}

} // namespace

bool CodePage::ToAnsi(const wchar_t* text, size_t length, char* buffer, size_t size, size_t& written)
{
    written = 0;
    if (length == 0)
        return true;
    if (length > 0x7FFFFFFF || size == 0)
        return false;
    const int room = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
    const int bytes = ToCodePage(CP_ACP, text, static_cast<int>(length), buffer, room);
    written = static_cast<size_t>(bytes);
    return bytes > 0;
}

UINT CodePage::SystemCodePage()
{
    static const UINT codePage = ReadSystemCodePage();
    return codePage;
}

bool CodePage::Encode(UINT codePage, const wchar_t* text, size_t length, std::string& out)
{
    if (length == 0)
        return true;
    if (length > 0x0FFFFFFF)
        return false;
    // A character takes at most four bytes in any code page.
    std::vector<char> buffer(length * 4);
    const int bytes = ToCodePage(codePage, text, static_cast<int>(length), buffer.data(), static_cast<int>(buffer.size()));
    if (bytes <= 0)
        return false;
    out.append(buffer.data(), static_cast<size_t>(bytes));
    return true;
}

bool CodePage::Decode(UINT codePage, const char* text, size_t length, std::wstring& out)
{
    if (length == 0)
        return true;
    if (length > 0x7FFFFFFF)
        return false;
    const int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, static_cast<int>(length), nullptr, 0);
    if (units <= 0)
        return false;
    std::wstring wide(static_cast<size_t>(units), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, static_cast<int>(length), &wide[0], units) != units)
        return false;
    // Bytes that two readings share (best-fit code pages) do not come back
    // the same: not exact.
    std::string back;
    if (!Encode(codePage, wide.data(), wide.size(), back) || back.size() != length ||
        std::memcmp(back.data(), text, length) != 0)
        return false;
    out += wide;
    return true;
}

size_t CodePage::CharBoundary(const char* text, size_t length)
{
    if (GetACP() == CP_UTF8) {
        // Continuation bytes are 10xxxxxx.
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
        return length;
    }
    while (length > 0 && !IsCharStart(text, length))
        --length;
    return length;
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

bool CodePage::StartsFolded(const char* text, const char* start)
{
    for (; *start != '\0'; ++text, ++start)
        if (FoldAscii(*text) != FoldAscii(*start))
            return false;
    return true;
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
