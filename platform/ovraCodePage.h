#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace ovra {

// Text in the process's code page, as the byte-string functions see it: the
// system's ANSI code page, or UTF-8 where Windows honours the program's
// manifest asking for it (Windows 10 1903 and later).
// The registry and the file system hold UTF-16; a character the code page has
// no exact counterpart for comes back from the byte-string functions as a
// look-alike or "?", which names another file or value. Such text is found
// here, exactly, so that nothing judges or saves it. Double-byte code pages
// put ASCII-valued trail bytes (backslashes and letters among them) inside
// characters; the byte tests here never take a trail byte for a character.
class CodePage {
public:
    // Converts length UTF-16 units into buffer (size bytes, no terminator
    // added) and sets written. False when a character has no exact form in the
    // code page (a default character was used, or the text does not come back
    // the same) or when the result does not fit.
    static bool ToAnsi(const wchar_t* text, size_t length, char* buffer, size_t size, size_t& written);

    // The same, with a terminating zero that must fit as well.
    static bool ToAnsiText(const wchar_t* text, size_t length, char* buffer, size_t size);

    // True when every character of the UTF-16 text has an exact form.
    static bool IsExact(const wchar_t* text, size_t length);

    // The system's own ANSI code page (the system locale's, 1252 on a
    // Western system), which the process's may differ from.
    static UINT SystemCodePage();

    // Converts length UTF-16 units into codePage bytes (appended to out, no
    // terminator added); false when a character has no exact form there.
    static bool Encode(UINT codePage, const wchar_t* text, size_t length, std::string& out);
    // Converts length bytes of codePage text into UTF-16 (appended to out);
    // false for bytes the code page does not define or that do not come
    // back the same.
    static bool Decode(UINT codePage, const char* text, size_t length, std::wstring& out);

    // The UTF-16 form of a code-page text; false for bytes the code page
    // does not define.
    static bool ToWide(const char* text, std::wstring& wide);

    // The types whose data the byte-string functions convert.
    static bool IsStringType(DWORD type);

    // True when byte offset of text starts a character rather than falling on
    // a trail byte.
    static bool IsCharStart(const char* text, size_t offset);

    // The largest length of at most length bytes of text (a zero-terminated
    // text of at least that many bytes) that ends on a character boundary,
    // so that a cut text never ends inside a character.
    static size_t CharBoundary(const char* text, size_t length);

    // The last character of text is a backslash (not a trail byte of that
    // value).
    static bool EndsWithBackslash(const char* text);

    // The last backslash character of text, or null.
    static const char* LastBackslash(const char* text);
    static char* LastBackslash(char* text);

    // Lower-cases the ASCII letters among the first length bytes of text,
    // leaving every double-byte character whole.
    static void LowerAscii(char* text, size_t length);

    // An ASCII letter in lower case; every other byte as it is.
    static char FoldAscii(char c);

    // True when word occurs in text, ASCII letters compared without case.
    // For words that begin with a byte no double-byte code page uses as a
    // trail byte ('%', '\\'), a match never starts inside a character.
    static bool ContainsFolded(const char* text, const char* word);

    // True when text begins with start, ASCII letters compared without case.
    static bool StartsFolded(const char* text, const char* start);
};

} // namespace ovra
