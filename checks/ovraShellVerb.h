#pragma once

#include "platform/ovraRegText.h"

#include <windows.h>

#include <string>

namespace ovra {

// One verb of a class key: shell\<verb>\command holds the command line the
// shell starts for it, read as Windows starts a startup line (CommandLine):
// quotes, unquoted prefixes, rundll32's DLL; bare program names are left to
// the shell's own search (Microsoft: "File Types", "Application
// Registration").
class ShellVerb {
public:
    enum class Verdict {
        kLive,     // the command's program is there
        kDead,     // it names a missing file on a fixed drive
        kUnjudged, // nothing the check can judge
    };

    // Judges verb below shell (an open shell key). Not judged: a verb with
    // no command or an empty one, a command whose program is the document
    // itself ("%1"), a verb the shell starts through DelegateExecute, an
    // ExplorerCommandHandler or a DropTarget rather than its command line,
    // and text that cannot be read exactly. command receives the dead
    // command's text.
    static Verdict Judge(HKEY shell, const char* verb, RegText::Owner owner, std::string& command);

    // True when the program part of text is the document ("%1", "%L",
    // quoted or not): the shell starts the file itself.
    static bool StartsDocument(const char* text);
};

} // namespace ovra
