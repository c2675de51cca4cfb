#include "checks/ovraCommandLine.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraProgramSearch.h"

#include <cstddef>
#include <cstring>

namespace ovra {

namespace {

// Bytes 1 to 32, and a zero we wrote, separate tokens. Bytes from 0x80 up are
// letters of the code page, not blanks: taking them for blanks would cut an
// unquoted "Müller.exe" down to "m" and call a live program missing.
bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// "x:\" in the folded text; the drive's type is asked only when the path is
// looked up.
bool IsDrivePath(const char* s)
{
    return s[0] >= 'a' && s[0] <= 'z' && s[1] == ':' && s[2] == '\\';
}

// A name with no folder in it, which the system's search order looks for.
bool IsBareName(const char* s)
{
    return !CodePage::LastBackslash(s) && !std::strchr(s, '/') && !std::strchr(s, ':');
}

// Where a file with a given ending counts as needed: an "isu" file is the
// uninstaller's own script wherever it is named; "log" and "ini" files only
// in the two shapes old uninstallers take their script in (after "-f", or as
// the whole argument text), since anywhere else they are the program's own
// output or settings.
enum class Shape { kAnywhere, kScript };

// The length bytes of the folded text end in a needed file's ending that is
// three characters of their own, not a double-byte character's trail byte
// and two letters.
bool EndsNeeded(const char* text, size_t length, Shape shape)
{
    if (length <= 3)
        return false;
    const char* ending = text + length - 3;
    const bool isu = std::strncmp(ending, "isu", 3) == 0;
    const bool script = isu || std::strncmp(ending, "log", 3) == 0 || std::strncmp(ending, "ini", 3) == 0;
    return (shape == Shape::kScript ? script : isu) && CodePage::IsCharStart(text, length - 3);
}

bool IsSwitch(const char* token)
{
    return token[0] == '/' || token[0] == '-';
}

// msiexec's "/l" with its modifiers ("/l*v", "/lv+"), alone or with a value.
bool IsMsiLogSwitch(const char* token)
{
    if (token[0] != '/' && token[0] != '-')
        return false;
    if (token[1] != 'l')
        return false;
    const char* at = token + 2;
    while (*at != '\0' && std::strchr("iwearucmopvx+!*", *at))
        ++at;
    return *at == '\0' || *at == '=' || *at == ':' || *at == '"' || *at == '\'';
}

// A switch that speaks of a log (--log-file, /LOGFILE, -LogPath, /l*v): what
// it names exists only once the program has run. Sets takesNext when its
// value is the next token rather than part of this one.
bool IsLogSwitch(const char* token, bool& takesNext)
{
    if (!IsSwitch(token) || (!std::strstr(token, "log") && !IsMsiLogSwitch(token)))
        return false;
    const char* value = std::strpbrk(token + 1, "=:\"'");
    takesNext = !value || ((*value == '=' || *value == ':') && value[1] == '\0');
    return true;
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

CommandLine::CommandLine() : m_szText{}, m_szFold{}, m_nProgram(-1), m_nDll(-1), m_anFiles{}, m_nFileCount(0),
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
    // Drive letters, endings and switches are compared in lower case, ASCII
    // only, whatever the locale: a trail byte of a double-byte character is
    // part of that character and stays as it is, so both copies hold their
    // characters at the same offsets.
    std::memcpy(line.m_szText, text, n);
    line.m_szText[n] = '\0';
    std::memcpy(line.m_szFold, text, n + 1);
    CodePage::LowerAscii(line.m_szFold, n);

    int start = 0;
    int end = static_cast<int>(n);
    while (start < end && IsBlank(line.m_szFold[start]))
        ++start;
    while (end > start && IsBlank(line.m_szFold[end - 1]))
        --end;
    if (start == end)
        return line;
    line.Cut(end);

    int argumentsAt = end;
    line.ReadProgram(start, end, kind, argumentsAt);
    if (IsRundll(line.m_szFold + line.m_nProgram))
        line.ReadRundll(argumentsAt, end);
    line.ReadArguments(argumentsAt, end);
    return line;
}

const char* CommandLine::Program() const
{
    return m_nProgram >= 0 ? m_szText + m_nProgram : nullptr;
}

const char* CommandLine::Dll() const
{
    return m_nDll >= 0 ? m_szText + m_nDll : nullptr;
}

const char* CommandLine::File(int index) const
{
    return index >= 0 && index < m_nFileCount ? m_szText + m_anFiles[index] : nullptr;
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

void CommandLine::Cut(int at)
{
    m_szText[at] = '\0';
    m_szFold[at] = '\0';
}

// A quoted program is the text between the quotes (to the end when the
// closing quote is missing); an empty one is a name found nowhere.
void CommandLine::ReadProgram(int start, int end, Kind kind, int& argumentsAt)
{
    if (m_szFold[start] != '"') {
        ReadUnquoted(start, end, kind, argumentsAt);
        return;
    }
    m_nProgram = start + 1;
    const char* close = std::strchr(m_szFold + m_nProgram, '"');
    argumentsAt = end;
    if (close) {
        const int at = static_cast<int>(close - m_szFold);
        Cut(at);
        argumentsAt = at + 1;
    }
    const char* folded = m_szFold + m_nProgram;
    if (IsDrivePath(folded)) {
        // Only a line that is nothing but a path may name a folder: the shell
        // opens it.
        int rest = argumentsAt;
        while (rest < end && IsBlank(m_szFold[rest]))
            ++rest;
        m_verdict = Of(ProgramSearch::FindsProgram(Program(), rest == end));
    } else if (IsBareName(folded) && kind == Kind::kUninstall) {
        m_verdict = Of(ProgramSearch::FindsBareName(Program()));
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
    const char* const folded = m_szFold + start;
    int firstCut = start;
    while (firstCut < end && !IsBlank(m_szFold[firstCut]))
        ++firstCut;
    const bool drive = IsDrivePath(folded);
    const char saved = m_szFold[firstCut];
    m_szFold[firstCut] = '\0';
    const bool bare = !drive && IsBareName(folded) && kind == Kind::kUninstall;
    m_szFold[firstCut] = saved;

    int chosen = firstCut;
    m_verdict = Verdict::kUnjudged;
    if (drive || bare) {
        int shown = -1; // the candidate shown when none exists
        int tried = 0;
        for (int cut = firstCut;;) {
            const char keepText = m_szText[cut];
            const char keepFold = m_szFold[cut];
            Cut(cut);
            // A bare name has no folder: longer candidates that hold one are
            // no bare names.
            if (drive || IsBareName(folded)) {
                if (tried == kMaxTokens) {
                    // More candidates than the table holds: not judged.
                    m_szText[cut] = keepText;
                    m_szFold[cut] = keepFold;
                    m_verdict = Verdict::kUnjudged;
                    break;
                }
                ++tried;
                const bool found = drive ? ProgramSearch::FindsProgram(Program(), cut == end)
                                         : ProgramSearch::FindsBareName(Program());
                m_verdict = Of(found);
                if (found) {
                    shown = cut;
                    break;
                }
                if (shown < 0 && ProgramSearch::HasExtension(folded))
                    shown = cut;
            }
            m_szText[cut] = keepText;
            m_szFold[cut] = keepFold;
            if (cut == end)
                break;
            while (cut < end && IsBlank(m_szFold[cut]))
                ++cut;
            while (cut < end && !IsBlank(m_szFold[cut]))
                ++cut;
        }
        if (m_verdict != Verdict::kUnjudged && shown >= 0)
            chosen = shown;
    }
    Cut(chosen);
    argumentsAt = chosen < end ? chosen + 1 : end;
}

// rundll32 runs the DLL its first argument names, up to the comma before the
// entry point. A bare DLL name is left to the loader's search and not judged.
void CommandLine::ReadRundll(int& argumentsAt, int end)
{
    m_verdict = Verdict::kUnjudged;
    int at = argumentsAt;
    while (at < end && IsBlank(m_szFold[at]))
        ++at;
    if (at >= end)
        return;
    bool inQuotes = false;
    int stop = -1;
    int next = at;
    for (; next < end; ++next) {
        const char c = m_szFold[next];
        if (c == '"')
            inQuotes = !inQuotes;
        else if (!inQuotes && IsBlank(c))
            break;
        else if (!inQuotes && c == ',' && stop < 0)
            stop = next;
    }
    if (stop < 0)
        stop = next;
    // The DLL without its quotes, in place in both copies.
    int to = at;
    for (int from = at; from < stop; ++from) {
        if (m_szFold[from] == '"')
            continue;
        m_szText[to] = m_szText[from];
        m_szFold[to] = m_szFold[from];
        ++to;
    }
    Cut(to);
    m_nDll = at;
    argumentsAt = next < end ? next + 1 : end;
    if (IsDrivePath(m_szFold + m_nDll))
        m_verdict = Of(ProgramSearch::FindsFile(Dll()));
}

void CommandLine::Track(int at)
{
    // A full table leaves further files untracked: the text is judged on the
    // files that fit, which can only make a report less likely.
    if (m_nFileCount < kMaxFiles)
        m_anFiles[m_nFileCount++] = at;
}

// Takes the text between the first two quote characters of the token at as
// a needed file when it is one in this shape; the second quote becomes the
// text's end.
bool CommandLine::TakeQuoted(int at, char quote, bool script)
{
    const char* open = std::strchr(m_szFold + at, quote);
    if (!open)
        return false;
    const char* close = std::strchr(open + 1, quote);
    if (!close)
        return false;
    const int from = static_cast<int>(open - m_szFold) + 1;
    const int to = static_cast<int>(close - m_szFold);
    Cut(to);
    if (from == to || !IsDrivePath(m_szFold + from) ||
        !EndsNeeded(m_szFold + from, static_cast<size_t>(to - from), script ? Shape::kScript : Shape::kAnywhere))
        return false;
    Track(from);
    return true;
}

// An unquoted "-f" file may hold blanks ("-fc:\program files\app\x.isu"): it
// runs to the last needed ending that a blank or the end follows, before the
// next switch or quote. -1 when there is none.
int CommandLine::DashFileEnd(int at, int end) const
{
    int limit = end;
    for (int i = at; i < end && limit == end; ++i) {
        if (m_szFold[i] == '"' || m_szFold[i] == '\'') {
            limit = i;
        } else if (IsBlank(m_szFold[i])) {
            int j = i;
            while (j < end && IsBlank(m_szFold[j]))
                ++j;
            if (m_szFold[j] == '/' || m_szFold[j] == '-')
                limit = i;
        }
    }
    int found = -1;
    for (int e = at + 4; e <= limit; ++e) {
        if ((e == end || IsBlank(m_szFold[e])) &&
            EndsNeeded(m_szFold + at, static_cast<size_t>(e - at), Shape::kScript))
            found = e;
    }
    return found;
}

// The needed files among the arguments in [start, end). The whole argument
// text is one file ("c:\program files\app\install.log") only when no token
// of it is a switch; otherwise it is split at blanks outside double quotes.
void CommandLine::ReadArguments(int start, int end)
{
    while (start < end && IsBlank(m_szFold[start]))
        ++start;
    // What follows ">" is where output goes.
    bool inQuotes = false;
    for (int i = start; i < end; ++i) {
        if (m_szFold[i] == '"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && m_szFold[i] == '>') {
            end = i;
            break;
        }
    }
    while (end > start && IsBlank(m_szFold[end - 1]))
        --end;
    if (start >= end)
        return;
    Cut(end);

    // Tokens past the table's end are not examined.
    int tokenStart[kMaxTokens];
    int tokenEnd[kMaxTokens];
    int count = 0;
    bool anySwitch = false;
    inQuotes = false;
    int begin = start;
    for (int i = start; i <= end; ++i) {
        if (i < end && (inQuotes || !IsBlank(m_szFold[i]))) {
            if (m_szFold[i] == '"')
                inQuotes = !inQuotes;
            continue;
        }
        anySwitch = anySwitch || IsSwitch(m_szFold + begin);
        if (count < kMaxTokens) {
            tokenStart[count] = begin;
            tokenEnd[count] = i;
            ++count;
        }
        while (i < end && IsBlank(m_szFold[i + 1]))
            ++i;
        begin = i + 1;
    }

    if (!anySwitch && IsDrivePath(m_szFold + start) &&
        EndsNeeded(m_szFold + start, static_cast<size_t>(end - start), Shape::kScript)) {
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
        const bool dashF = m_szFold[s] == '-' && m_szFold[s + 1] == 'f';
        if (dashF && IsDrivePath(m_szFold + s + 2)) {
            const int fileEnd = DashFileEnd(s + 2, end);
            if (fileEnd > 0) {
                Cut(fileEnd);
                Track(s + 2);
                consumed = fileEnd;
                continue;
            }
        }
        Cut(tokenEnd[t]);
        if (dashF && (m_szFold[s + 2] == '"' || m_szFold[s + 2] == '\'')) {
            TakeQuoted(s + 2, m_szFold[s + 2], true);
            continue;
        }
        bool takesNext = false;
        if (IsLogSwitch(m_szFold + s, takesNext)) {
            afterLogSwitch = takesNext;
            continue;
        }
        if (!TakeQuoted(s, '"', false))
            TakeQuoted(s, '\'', false);
    }
}

} // namespace ovra
