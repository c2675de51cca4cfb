#pragma once

#include "records/ovraJobResult.h"

#include <functional>
#include <string>

namespace ovra {

// The texts of a record card as UTF-16, and their forms shortened to a width
// with a mark, always cut where a character ends: never inside a surrogate
// pair, never before a combining mark.
class CardText {
public:
    // The width a text takes, in pixels, in the font it is drawn in.
    using Measure = std::function<int(const std::wstring&)>;

    static const wchar_t kEllipsis = L'\x2026';

    // A text of the program's code page in UTF-16, and back.
    static std::wstring Wide(const std::string& text);
    static std::string Narrow(const std::wstring& text);

    // text as it is when it fits width; otherwise its end replaced by "…".
    static std::wstring FitEnd(const std::wstring& text, int width, const Measure& measure);

    // A key path that does not fit width loses key names from its middle,
    // "…" in their place, keeping the root's name and as many of the last
    // names as fit ("HKEY_CURRENT_USER\Software\…\Shell\MuiCache": the key
    // below the root too while two last names fit beside it); when not even
    // the root and the last name fit, that is cut at its end as FitEnd cuts.
    static std::wstring FitPath(const std::wstring& text, int width, const Measure& measure);

    // The full name of the key a record names, with its root's long name:
    // the key that holds the value, or the key itself.
    static std::wstring KeyName(const JobResult& record);

    // Every text of a record, whole, a line each: its problem when asked,
    // then its Section, Value and key.
    static std::wstring Whole(const JobResult& record, bool withProblem);
};

} // namespace ovra
