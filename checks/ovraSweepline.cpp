#include "checks/ovraSweepline.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraFileHandle.h"
#include "platform/ovraFileUtils.h"
#include "platform/ovraPathViews.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ovra {

namespace {

// The last judged text, lower-cased and cut into pieces in place.
char Buf[kSweeplineBufSize];
char* Command = nullptr;
char* Files[kSweeplineMaxFiles];
int32_t FileCount = 0;
bool bCommandStringLoaded = false;
const char* const FileExtensions[] = {"isu", "log", "ini"};

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

// The ending must be three characters of their own, not a double-byte
// character's trail byte followed by two letters.
bool HasTrackedEnding(const char* s)
{
    const size_t length = std::strlen(s);
    if (length <= 3 || !CodePage::IsCharStart(s, length - 3))
        return false;
    for (const char* ending : FileExtensions) {
        if (std::strcmp(s + length - 3, ending) == 0)
            return true;
    }
    return false;
}

void Track(char* file)
{
    // A full table leaves further files untracked: the text is judged on the
    // files that fit, which can only make a report less likely.
    if (FileCount < kSweeplineMaxFiles)
        Files[FileCount++] = file;
}

// Takes the text between the first two quote characters of token as a
// tracked file when it is one; the second quote becomes the text's end.
bool TakeQuoted(char* token, char quote)
{
    char* open = std::strchr(token, quote);
    if (!open)
        return false;
    char* close = std::strchr(open + 1, quote);
    if (!close)
        return false;
    *close = '\0';
    char* candidate = open + 1;
    if (*candidate == '\0' || !IsDrivePath(candidate) || !HasTrackedEnding(candidate))
        return false;
    Track(candidate);
    return true;
}

// A log switch of the common uninstallers: msiexec's "/l" with its modifiers
// ("/l*v", "/lv+"), "/log" and "-log", each also with '=' or ':' after it.
// Returns what follows the switch in token, or null when token is none.
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
        ++at;
    return at;
}

// Splits the argument text Buf[start, end) at blanks outside double quotes
// and collects the tracked files named between quotes. A quoted file right
// after a log switch is left out: the uninstaller writes it only when it
// runs, so its absence says nothing.
void ParseArguments(size_t start, size_t end)
{
    // Tokens past the table's end are still cut off from their neighbours,
    // so every earlier piece reads the same, but they are not examined.
    char* tokens[kSweeplineMaxTokens];
    int tokenCount = 0;
    tokens[tokenCount++] = Buf + start;
    bool inQuotes = false;
    size_t i = start;
    while (i < end) {
        const char c = Buf[i];
        if (c == '"') {
            inQuotes = !inQuotes;
            ++i;
        } else if (!inQuotes && IsBlank(c)) {
            Buf[i++] = '\0';
            while (i < end && IsBlank(Buf[i]))
                ++i;
            if (i < end && tokenCount < kSweeplineMaxTokens)
                tokens[tokenCount++] = Buf + i;
        } else {
            ++i;
        }
    }

    bool afterSwitch = false;
    for (int t = 0; t < tokenCount; ++t) {
        const char* rest = AfterLogSwitch(tokens[t]);
        const bool logHere = rest && (*rest == '"' || *rest == '\'');
        if (!afterSwitch && !logHere && !TakeQuoted(tokens[t], '"'))
            TakeQuoted(tokens[t], '\'');
        afterSwitch = rest && *rest == '\0';
    }
}

bool Loaded()
{
    bCommandStringLoaded = true;
    return IsAnyFileMissing();
}

} // namespace

bool IsSuspiciousUninstallString(const char* text)
{
    // Every call rewrites the state, so it never shows an older text's parse.
    bCommandStringLoaded = false;
    Command = nullptr;
    FileCount = 0;
    if (!text || *text == '\0')
        return false;

    // The one caller reads texts into buffers of this size. A longer text
    // cannot be held whole, and a cut text would name another program: it is
    // not judged, and not reported.
    size_t n = 0;
    while (n < static_cast<size_t>(kSweeplineBufSize) && text[n] != '\0')
        ++n;
    if (n >= static_cast<size_t>(kSweeplineBufSize))
        return false;

    // Lower-case ASCII only, whatever the locale: drive letters and the
    // tracked endings are compared in lower case. A trail byte of a
    // double-byte character is part of that character and stays as it is.
    std::memcpy(Buf, text, n);
    Buf[n] = '\0';
    CodePage::LowerAscii(Buf, n);

    size_t p = 0;
    while (p < n && IsBlank(Buf[p]))
        ++p;
    if (p == n)
        return false;

    size_t next = p;
    if (Buf[p] == '"') {
        Command = Buf + p + 1;
        char* close = std::strchr(Command, '"');
        if (close) {
            *close = '\0';
            next = static_cast<size_t>(close - Buf) + 1;
        } else {
            next = n;
        }
    } else if (n - p >= 4 && IsDrivePath(Buf + p)) {
        // An unquoted path may hold blanks ("c:\program files\..."): it ends
        // after the first ".exe", else after the first ".bat".
        Command = Buf + p;
        char* cut = std::strstr(Command + 3, ".exe");
        if (!cut)
            cut = std::strstr(Command + 3, ".bat");
        if (cut) {
            cut[4] = '\0';
            next = static_cast<size_t>(cut - Buf) + 4;
        }
        // Otherwise the command is the first token of the arguments, cut at
        // its first blank outside quotes.
    } else {
        Command = Buf + p;
        next = p;
        while (next < n && !IsBlank(Buf[next]))
            ++next;
        Buf[next] = '\0';
    }

    while (next < n && IsBlank(Buf[next]))
        ++next;
    if (next >= n)
        return Loaded();

    char* arguments = Buf + next;
    if (IsDrivePath(arguments) && HasTrackedEnding(arguments)) {
        // A whole argument text such as "c:\program files\app\install.log"
        // is one file, blanks and all.
        Files[FileCount++] = arguments;
        return Loaded();
    }
    if (arguments[0] == '-' && arguments[1] == 'f' && IsDrivePath(arguments + 2) && HasTrackedEnding(arguments + 2))
        Files[FileCount++] = arguments + 2;

    ParseArguments(next, n);
    return Loaded();
}

bool IsAnyFileMissing()
{
    if (!bCommandStringLoaded || !Command)
        return false;
    if (*Command != '\0' && IsDrivePath(Command) && HasTrackedEnding(Command)) {
        if (!ExistsFullPath(Command))
            return true;
    } else if (!ExistsShortName(Command)) {
        return true;
    }
    for (int32_t i = 0; i < FileCount; ++i) {
        if (!ExistsFullPath(Files[i]))
            return true;
    }
    return false;
}

namespace {

// A UNC path, or a name on a drive that is not fixed (removable, optical,
// network, a letter with no root). Such a name counts as found without a
// look: the disk may merely be unplugged, and a question to the network can
// wait for its timeout. Only the root's drive type is asked.
bool IsElsewhere(const char* name)
{
    if ((name[0] == '\\' || name[0] == '/') && (name[1] == '\\' || name[1] == '/'))
        return true;
    const char letter = name[0];
    if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z')) || name[1] != ':')
        return false;
    const char root[4] = {letter, ':', '\\', '\0'};
    return !FileUtils::IsFullPath(root);
}

} // namespace

// Both searches call a name missing only when the system says it is not
// there; a name that cannot be looked at (access denied, device not ready,
// too long) or that lies elsewhere counts as found, so a live entry is never
// called dead.
namespace {

bool SearchInView(const char* name, bool native)
{
    PathViews::NativeScope view(native);
    if (!view.Active())
        return true;
    if (SearchPathA(nullptr, name, ".exe", 0, nullptr, nullptr) != 0)
        return true;
    return !FileUtils::IsMissingError(GetLastError());
}

bool FindInView(const char* path, bool native)
{
    PathViews::NativeScope view(native);
    if (!view.Active())
        return true;
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA(path, &data));
    if (find.IsOpen())
        return true;
    return !FileUtils::IsMissingError(GetLastError());
}

} // namespace

// A command given as a full path, like every full path, is missing only when
// missing in every view the entry may have been written for (PathViews).
bool ExistsShortName(const char* name)
{
    if (!name || *name == '\0')
        return false;
    if (IsElsewhere(name))
        return true;
    return PathViews::Exists(name, &SearchInView);
}

bool ExistsFullPath(const char* path)
{
    if (!path || *path == '\0')
        return false;
    if (IsElsewhere(path))
        return true;
    return PathViews::Exists(path, &FindInView);
}

const char* SweeplineCommand()
{
    return Command;
}

int SweeplineFileCount()
{
    return static_cast<int>(FileCount);
}

const char* SweeplineFile(int index)
{
    return index >= 0 && index < FileCount ? Files[index] : nullptr;
}

} // namespace ovra
