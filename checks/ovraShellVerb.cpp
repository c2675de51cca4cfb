#include "checks/ovraShellVerb.h"

#include "platform/ovraPathViews.h"
#include "platform/ovraRegKey.h"
#include "checks/ovraCommandLine.h"

namespace ovra {

namespace {

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

bool HasValue(HKEY key, const char* name)
{
    return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

} // namespace

bool ShellVerb::StartsDocument(const char* text)
{
    while (IsBlank(*text) && *text)
        ++text;
    const bool quoted = *text == '"';
    if (quoted)
        ++text;
    if (text[0] != '%' || (text[1] != '1' && text[1] != 'L' && text[1] != 'l'))
        return false;
    const char after = text[2];
    return quoted ? after == '"' : after == '\0' || IsBlank(after);
}

ShellVerb::Verdict ShellVerb::Judge(HKEY shell, const char* verb, RegText::Owner owner, std::string& command)
{
    char path[kRegTextSize];
    RegKey key;
    if (!RegText::Compose(path, "%s\\command", verb) || !key.Open(shell, path, KEY_READ))
        return Verdict::kUnjudged;
    // Each text is judged in its own views: an earlier verb's expansion says
    // nothing of this one.
    PathViews::Forget();
    char data[kRegTextSize];
    char expanded[kRegTextSize];
    const char* text = RegText::QueryString(key.Get(), nullptr, data, expanded, owner);
    if (!text || StartsDocument(text))
        return Verdict::kUnjudged;
    const CommandLine line = CommandLine::Read(text, CommandLine::Kind::kStartup);
    if (!line.Judged())
        return Verdict::kUnjudged;
    if (!line.IsDead())
        return Verdict::kLive;
    // The shell prefers DelegateExecute, an ExplorerCommandHandler and a
    // DropTarget to the command line: with any of them, a missing program in
    // the line is never started.
    RegKey verbKey, dropTarget;
    if (HasValue(key.Get(), "DelegateExecute") || !verbKey.Open(shell, verb, KEY_READ) ||
        HasValue(verbKey.Get(), "ExplorerCommandHandler") || HasValue(verbKey.Get(), "DelegateExecute") ||
        dropTarget.Open(verbKey.Get(), "DropTarget", KEY_READ))
        return Verdict::kUnjudged;
    command = text;
    return Verdict::kDead;
}

} // namespace ovra
