#include "ui/ovraCardText.h"

#include <windows.h>

#include <vector>

namespace ovra {

namespace {

bool IsCombining(wchar_t c)
{
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F);
}

// A cut before offset keeps every character whole.
bool IsBoundary(const std::wstring& text, size_t offset)
{
    if (offset == 0 || offset >= text.size())
        return true;
    const wchar_t c = text[offset];
    return !(c >= 0xDC00 && c <= 0xDFFF) && !IsCombining(c);
}

const wchar_t* RootName(uint32_t root)
{
    switch (root) {
    case 0x80000000u: return L"HKEY_CLASSES_ROOT";
    case 0x80000001u: return L"HKEY_CURRENT_USER";
    case 0x80000002u: return L"HKEY_LOCAL_MACHINE";
    default: return L"";
    }
}

} // namespace

std::wstring CardText::Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], units);
    return wide;
}

std::string CardText::Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string narrow(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &narrow[0], size, nullptr,
                            nullptr);
    return narrow;
}

std::wstring CardText::FitEnd(const std::wstring& text, int width, const Measure& measure)
{
    if (measure(text) <= width)
        return text;
    // The longest beginning that fits with the mark; widths grow with length.
    size_t low = 0, high = text.size();
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (measure(text.substr(0, middle) + kEllipsis) <= width)
            low = middle;
        else
            high = middle - 1;
    }
    while (low > 0 && !IsBoundary(text, low))
        --low;
    return text.substr(0, low) + kEllipsis;
}

std::wstring CardText::FitPath(const std::wstring& text, int width, const Measure& measure)
{
    if (measure(text) <= width)
        return text;
    std::vector<std::wstring> names;
    for (size_t start = 0;;) {
        const size_t end = text.find(L'\\', start);
        names.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    if (names.size() < 3)
        return FitEnd(text, width, measure);
    // Names leave from the middle until the rest fits: first keeping the
    // root, the key below it and at least the last two names; then the root
    // and at least the last name.
    std::wstring shortened;
    for (size_t front = 2; front >= 1; --front) {
        const size_t least = front == 2 ? 2 : 1;
        for (size_t back = front + 1; back + least <= names.size(); ++back) {
            shortened = names[0];
            for (size_t i = 1; i < front; ++i)
                shortened += L'\\' + names[i];
            shortened += std::wstring(1, L'\\') + kEllipsis;
            for (size_t i = back; i < names.size(); ++i)
                shortened += L'\\' + names[i];
            if (measure(shortened) <= width)
                return shortened;
        }
    }
    shortened = names[0] + L'\\' + kEllipsis + L'\\' + names.back();
    return FitEnd(shortened, width, measure);
}

std::wstring CardText::KeyName(const JobResult& record)
{
    std::wstring key = std::wstring(RootName(record.hRoot)) + L'\\' + Wide(record.sKeyPath);
    if (record.nKind == kKindKey)
        key += L'\\' + Wide(record.sName);
    return key;
}

std::wstring CardText::Whole(const JobResult& record, bool withProblem)
{
    std::wstring text = withProblem ? Wide(record.sProblem) + L"\r\n" : std::wstring();
    return text + L"Section: " + Wide(record.sSection) + L"\r\nValue: " + Wide(record.sValue) + L"\r\nKey: " +
           KeyName(record);
}

} // namespace ovra
