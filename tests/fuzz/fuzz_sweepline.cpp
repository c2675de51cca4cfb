// libFuzzer target for the command-line reader and the uninstall heuristics: any byte text
// must be judged without touching memory outside the tables, and the parse
// must keep its promises whatever the text.
#include "checks/ovraSweepline.h"
#include "ovraFuzzWindows.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

struct Parse {
    bool suspicious;
    bool hasCommand;
    std::string command;
    std::string dll;
    std::vector<std::string> files;
};

Parse Judge(const char* text, ovra::CommandLine::Kind kind)
{
    const ovra::CommandLine line = ovra::CommandLine::Read(text, kind);
    Parse parse;
    parse.suspicious = ovra::IsAnyFileMissing(line);
    if (kind == ovra::CommandLine::Kind::kUninstall)
        Require(ovra::IsSuspiciousUninstallString(text) == parse.suspicious);
    const char* command = line.Program();
    parse.hasCommand = command != nullptr;
    Require(parse.hasCommand == line.Judged());
    parse.command = command ? command : "";
    parse.dll = line.Dll() ? line.Dll() : "";
    // A line that is not judged is never dead; a program found or not judged
    // leaves the tracked files to decide.
    Require(line.Judged() || !parse.suspicious);
    if (line.ProgramVerdict() == ovra::CommandLine::Verdict::kMissing)
        Require(parse.suspicious);
    const int count = line.FileCount();
    Require(count >= 0 && count <= ovra::kSweeplineMaxFiles);
    for (int i = 0; i < count; ++i) {
        const char* file = line.File(i);
        Require(file != nullptr);
        // Every needed file starts as a drive path, in the case it was written.
        const char drive = static_cast<char>(file[0] | 0x20);
        Require(drive >= 'a' && drive <= 'z' && file[1] == ':' && file[2] == '\\');
        parse.files.push_back(file);
    }
    Require(line.File(count) == nullptr);
    // Judging the same read again gives the same answer.
    Require(ovra::IsAnyFileMissing(line) == parse.suspicious);
    Require(FuzzErrorMode() == 0);
    return parse;
}

// A piece with every byte of an ASCII letter's value in lower case. Pieces
// come back as written, and the two texts differ only in such bytes; a
// piece alone cannot tell its trail bytes (the rundll32 DLL loses its
// quotes), so all of them are folded on both sides.
std::string FoldText(const std::string& text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

Parse Fold(Parse parse)
{
    parse.command = FoldText(parse.command);
    parse.dll = FoldText(parse.dll);
    for (std::string& file : parse.files)
        file = FoldText(file);
    return parse;
}

bool AllBlank(const char* text)
{
    for (const char* p = text; *p; ++p)
        if (static_cast<unsigned char>(*p) > 32)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size heap copy, so any read past the terminator is caught.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const size_t length = std::strlen(text.data());

    for (const auto kind : {ovra::CommandLine::Kind::kUninstall, ovra::CommandLine::Kind::kStartup}) {
        const Parse parse = Judge(text.data(), kind);
        if (length >= static_cast<size_t>(ovra::kSweeplineBufSize) || AllBlank(text.data())) {
            Require(!parse.suspicious && !parse.hasCommand && parse.files.empty());
        } else {
            Require(parse.hasCommand);
        }

        // Case does not change the reading: the upper-cased text reads and
        // judges alike (the stand-in's file system, like Windows' usual one,
        // ignores case), and its pieces are the same but for case. Trail bytes
        // belong to their double-byte character and stay.
        std::vector<char> upper(text);
        for (size_t i = 0; i < length; ++i) {
            if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(upper[i])) && i + 1 < length)
                ++i;
            else if (upper[i] >= 'a' && upper[i] <= 'z')
                upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
        }
        const Parse again = Fold(Judge(upper.data(), kind));
        const Parse folded = Fold(parse);
        Require(again.suspicious == folded.suspicious && again.hasCommand == folded.hasCommand &&
                again.command == folded.command && again.dll == folded.dll && again.files == folded.files);
    }
    return 0;
}
