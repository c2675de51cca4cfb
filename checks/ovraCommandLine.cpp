#include "checks/ovraCommandLine.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraProgramSearch.h"

#include <cstddef>
#include <cstring>

namespace ovra {

namespace {

const char* const kTrackedEndings[] = {"isu", "log", "ini"};

// Bytes 1 to 32, and a zero we wrote, separate tokens. Bytes from 0x80 up are
// letters of the code page, not blanks: taking them for blanks would cut an
// unquoted "Müller.exe" down to "m" and call a live program missing.
bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// "x:\" with a lower-case letter; the drive's type is asked only when the
// path is looked up.
bool IsDrivePath(const char* s)
{
    return s[0] >= 'a' && s[0] <= 'z' && s[1] == ':' && s[2] == '\\';
}

// A name with no folder in it, which the system's search order looks for.
bool IsBareName(const char* s)
{
    return !CodePage::LastBackslash(s) && !std::strchr(s, '/') && !std::strchr(s, ':');
}

// The length bytes at text end in a tracked ending that is three characters
// of their own, not a double-byte character's trail byte and two letters.
bool EndsTracked(const char* text, size_t length)
{
    if (length <= 3)
        return false;
    for (const char* ending : kTrackedEndings) {
        if (std::strncmp(text + length - 3, ending, 3) == 0)
            return CodePage::IsCharStart(text, length - 3);
    }
    return false;
}

bool HasTrackedEnding(const char* s)
{
    return EndsTracked(s, std::strlen(s));
}

// A log switch of the common uninstallers: msiexec's "/l" with its modifiers
// ("/l*v", "/lv+"), "/log" and "-log", alone, or with '=' or ':' after it, or
// with a quoted file joined to it. What the uninstaller writes there exists
// only once it runs, so its absence says nothing. Returns what follows the
// switch in token, or null when token is none.
const char* AfterLogSwitch(const char* token)
{
    if (token[0] != '/' && token[0] != '-')
        return nullptr;
    const char* at = token + 1;
    if (std::strncmp(at, "log", 3) == 0) {
        at += 3;
    } else if (*at == 'l') {
        ++at;
        while (*at != '\0' && std::strchr("iwearucmopvx+!*", *at))
            ++at;
    } else {
        return nullptr;
    }
    if (*at == '=' || *at == ':')
        return at + 1;
    return *at == '\0' || *at == '"' || *at == '\'' ? at : nullptr;
}

bool IsRundll(const char* program)
{
    const char* name = program;
    for (const char* at = program; *at != '\0'; ++at)
        if (*at == '/')
            name = at + 1;
    if (const char* backslash = CodePage::LastBackslash(name))
        name = backslash + 1;
    return std::strcmp(name, "rundll32") == 0 || std::strcmp(name, "rundll32.exe") == 0;
}

CommandLine::Verdict Of(bool found)
{
    return found ? CommandLine::Verdict::kFound : CommandLine::Verdict::kMissing;
}

} // namespace

CommandLine::CommandLine() : m_szBuf{}, m_nProgram(-1), m_nDll(-1), m_anFiles{}, m_nFileCount(0),
                             m_verdict(Verdict::kUnjudged)
{
}

CommandLine CommandLine::Read(const char* text, Kind kind)
{
    CommandLine line;
    if (!text)
        return line;
    // The callers read texts into buffers of this size. A longer text cannot
    // be held whole, and a cut text would name another program: it is not
    // judged.
    size_t n = 0;
    while (n < static_cast<size_t>(kBufSize) && text[n] != '\0')
        ++n;
    if (n >= static_cast<size_t>(kBufSize))
        return line;
    // Lower-case ASCII only, whatever the locale: drive letters and the
    // tracked endings are compared in lower case. A trail byte of a
    // double-byte character is part of that character and stays as it is.
    std::memcpy(line.m_szBuf, text, n);
    line.m_szBuf[n] = '\0';
    CodePage::LowerAscii(line.m_szBuf, n);

    int start = 0;
    int end = static_cast<int>(n);
    while (start < end && IsBlank(line.m_szBuf[start]))
        ++start;
    while (end > start && IsBlank(line.m_szBuf[end - 1]))
        --end;
    if (start == end)
        return line;
    line.m_szBuf[end] = '\0';

    int argumentsAt = end;
    line.ReadProgram(start, end, kind, argumentsAt);
    if (IsRundll(line.Program()))
        line.ReadRundll(argumentsAt, end);
    line.ReadArguments(argumentsAt, end);
    return line;
}

const char* CommandLine::Program() const
{
    return m_nProgram >= 0 ? m_szBuf + m_nProgram : nullptr;
}

const char* CommandLine::Dll() const
{
    return m_nDll >= 0 ? m_szBuf + m_nDll : nullptr;
}

const char* CommandLine::File(int index) const
{
    return index >= 0 && index < m_nFileCount ? m_szBuf + m_anFiles[index] : nullptr;
}

bool CommandLine::IsDead() const
{
    if (!Judged())
        return false;
    if (m_verdict == Verdict::kMissing)
        return true;
    for (int i = 0; i < m_nFileCount; ++i) {
        if (!ProgramSearch::FindsFile(File(i)))
            return true;
    }
    return false;
}

// A quoted program is the text between the quotes (to the end when the
// closing quote is missing); an empty one is a name found nowhere.
void CommandLine::ReadProgram(int start, int end, Kind kind, int& argumentsAt)
{
    if (m_szBuf[start] != '"') {
        ReadUnquoted(start, end, kind, argumentsAt);
        return;
    }
    m_nProgram = start + 1;
    char* close = std::strchr(m_szBuf + m_nProgram, '"');
    argumentsAt = end;
    if (close) {
        *close = '\0';
        argumentsAt = static_cast<int>(close - m_szBuf) + 1;
    }
    const char* program = Program();
    if (IsDrivePath(program)) {
        // Only a line that is nothing but a path may name a folder: the shell
        // opens it.
        int rest = argumentsAt;
        while (rest < end && IsBlank(m_szBuf[rest]))
            ++rest;
        m_verdict = Of(ProgramSearch::FindsProgram(program, rest == end));
    } else if (IsBareName(program) && kind == Kind::kUninstall) {
        m_verdict = Of(ProgramSearch::FindsBareName(program));
    } else {
        m_verdict = Verdict::kUnjudged;
    }
}

// As CreateProcess does: each blank ends a candidate, shortest first, and the
// first candidate that exists is the program; the rest are its arguments.
// Relative paths, UNC paths and the bare names of startup lines are not
// judged.
void CommandLine::ReadUnquoted(int start, int end, Kind kind, int& argumentsAt)
{
    m_nProgram = start;
    char* const program = m_szBuf + start;
    int firstCut = start;
    while (firstCut < end && !IsBlank(m_szBuf[firstCut]))
        ++firstCut;
    const bool drive = IsDrivePath(program);
    const char saved = m_szBuf[firstCut];
    m_szBuf[firstCut] = '\0';
    const bool bare = !drive && IsBareName(program) && kind == Kind::kUninstall;
    m_szBuf[firstCut] = saved;

    int chosen = firstCut;
    m_verdict = Verdict::kUnjudged;
    if (drive || bare) {
        int shown = -1; // the candidate shown when none exists
        int tried = 0;
        for (int cut = firstCut;;) {
            const char keep = m_szBuf[cut];
            m_szBuf[cut] = '\0';
            // A bare name has no folder: longer candidates that hold one are
            // no bare names.
            if (drive || IsBareName(program)) {
                if (tried == kMaxTokens) {
                    // More candidates than the table holds: not judged.
                    m_szBuf[cut] = keep;
                    m_verdict = Verdict::kUnjudged;
                    break;
                }
                ++tried;
                const bool found = drive ? ProgramSearch::FindsProgram(program, cut == end)
                                         : ProgramSearch::FindsBareName(program);
                m_verdict = Of(found);
                if (found) {
                    shown = cut;
                    break;
                }
                if (shown < 0 && ProgramSearch::HasExtension(program))
                    shown = cut;
            }
            m_szBuf[cut] = keep;
            if (cut == end)
                break;
            while (cut < end && IsBlank(m_szBuf[cut]))
                ++cut;
            while (cut < end && !IsBlank(m_szBuf[cut]))
                ++cut;
        }
        if (m_verdict != Verdict::kUnjudged && shown >= 0)
            chosen = shown;
    }
    m_szBuf[chosen] = '\0';
    argumentsAt = chosen < end ? chosen + 1 : end;
}

// rundll32 runs the DLL its first argument names, up to the comma before the
// entry point. A bare DLL name is left to the loader's search and not judged.
void CommandLine::ReadRundll(int& argumentsAt, int end)
{
    m_verdict = Verdict::kUnjudged;
    int at = argumentsAt;
    while (at < end && IsBlank(m_szBuf[at]))
        ++at;
    if (at >= end)
        return;
    bool inQuotes = false;
    int stop = -1;
    int next = at;
    for (; next < end; ++next) {
        const char c = m_szBuf[next];
        if (c == '"')
            inQuotes = !inQuotes;
        else if (!inQuotes && IsBlank(c))
            break;
        else if (!inQuotes && c == ',' && stop < 0)
            stop = next;
    }
    if (stop < 0)
        stop = next;
    // The DLL without its quotes, in place.
    int to = at;
    for (int from = at; from < stop; ++from)
        if (m_szBuf[from] != '"')
            m_szBuf[to++] = m_szBuf[from];
    m_szBuf[to] = '\0';
    m_nDll = at;
    argumentsAt = next < end ? next + 1 : end;
    const char* dll = Dll();
    if (IsDrivePath(dll))
        m_verdict = Of(ProgramSearch::FindsFile(dll));
}

void CommandLine::Track(int at)
{
    // A full table leaves further files untracked: the text is judged on the
    // files that fit, which can only make a report less likely.
    if (m_nFileCount < kMaxFiles)
        m_anFiles[m_nFileCount++] = at;
}

// Takes the text between the first two quote characters of the token at as
// a tracked file when it is one; the second quote becomes the text's end.
bool CommandLine::TakeQuoted(int at, char quote)
{
    char* open = std::strchr(m_szBuf + at, quote);
    if (!open)
        return false;
    char* close = std::strchr(open + 1, quote);
    if (!close)
        return false;
    *close = '\0';
    char* candidate = open + 1;
    if (*candidate == '\0' || !IsDrivePath(candidate) || !HasTrackedEnding(candidate))
        return false;
    Track(static_cast<int>(candidate - m_szBuf));
    return true;
}

// An unquoted "-f" file may hold blanks ("-fc:\program files\app\x.isu"): it
// runs to the last tracked ending that a blank or the end follows, before the
// next switch or quote. -1 when there is none.
int CommandLine::DashFileEnd(int at, int end) const
{
    int limit = end;
    for (int i = at; i < end && limit == end; ++i) {
        if (m_szBuf[i] == '"' || m_szBuf[i] == '\'') {
            limit = i;
        } else if (IsBlank(m_szBuf[i])) {
            int j = i;
            while (j < end && IsBlank(m_szBuf[j]))
                ++j;
            if (m_szBuf[j] == '/' || m_szBuf[j] == '-')
                limit = i;
        }
    }
    int found = -1;
    for (int e = at + 4; e <= limit; ++e) {
        if ((e == end || IsBlank(m_szBuf[e])) && EndsTracked(m_szBuf + at, static_cast<size_t>(e - at)))
            found = e;
    }
    return found;
}

// The tracked files among the arguments in [start, end). The whole argument
// text is one file ("c:\program files\app\install.log") only when no token
// of it is a switch; otherwise it is split at blanks outside double quotes.
void CommandLine::ReadArguments(int start, int end)
{
    while (start < end && IsBlank(m_szBuf[start]))
        ++start;
    if (start >= end)
        return;

    // Tokens past the table's end are not examined.
    int tokenStart[kMaxTokens];
    int tokenEnd[kMaxTokens];
    int count = 0;
    bool anySwitch = false;
    bool inQuotes = false;
    int begin = start;
    for (int i = start; i <= end; ++i) {
        if (i < end && (inQuotes || !IsBlank(m_szBuf[i]))) {
            if (m_szBuf[i] == '"')
                inQuotes = !inQuotes;
            continue;
        }
        anySwitch = anySwitch || m_szBuf[begin] == '/' || m_szBuf[begin] == '-';
        if (count < kMaxTokens) {
            tokenStart[count] = begin;
            tokenEnd[count] = i;
            ++count;
        }
        while (i < end && IsBlank(m_szBuf[i + 1]))
            ++i;
        begin = i + 1;
    }

    if (!anySwitch && IsDrivePath(m_szBuf + start) && HasTrackedEnding(m_szBuf + start)) {
        Track(start);
        return;
    }

    bool afterLogSwitch = false;
    int consumed = start;
    for (int t = 0; t < count; ++t) {
        const int s = tokenStart[t];
        if (s < consumed)
            continue;
        if (afterLogSwitch) {
            afterLogSwitch = false;
            continue;
        }
        if (m_szBuf[s] == '-' && m_szBuf[s + 1] == 'f' && IsDrivePath(m_szBuf + s + 2)) {
            const int fileEnd = DashFileEnd(s + 2, end);
            if (fileEnd > 0) {
                m_szBuf[fileEnd] = '\0';
                Track(s + 2);
                consumed = fileEnd;
                continue;
            }
        }
        m_szBuf[tokenEnd[t]] = '\0';
        if (const char* rest = AfterLogSwitch(m_szBuf + s)) {
            afterLogSwitch = *rest == '\0';
            continue;
        }
        if (!TakeQuoted(s, '"'))
            TakeQuoted(s, '\'');
    }
}

} // namespace ovra
