// libFuzzer target for the uninstall command-line heuristics: any byte text
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
    std::vector<std::string> files;
};

Parse Judge(const char* text)
{
    Parse parse;
    parse.suspicious = ovra::IsSuspiciousUninstallString(text);
    Require(FuzzOpenSearches() == 0);
    const char* command = ovra::SweeplineCommand();
    parse.hasCommand = command != nullptr;
    parse.command = command ? command : "";
    const int count = ovra::SweeplineFileCount();
    Require(count >= 0 && count <= ovra::kSweeplineMaxFiles);
    for (int i = 0; i < count; ++i) {
        const char* file = ovra::SweeplineFile(i);
        Require(file != nullptr);
        // Every tracked file starts as a lower-case drive path.
        Require(file[0] >= 'a' && file[0] <= 'z' && file[1] == ':' && file[2] == '\\');
        parse.files.push_back(file);
    }
    Require(ovra::SweeplineFile(count) == nullptr);
    // Judging the state again gives the same answer.
    Require(ovra::IsAnyFileMissing() == parse.suspicious);
    Require(FuzzOpenSearches() == 0);
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

    const Parse parse = Judge(text.data());
    if (length >= static_cast<size_t>(ovra::kSweeplineBufSize) || AllBlank(text.data())) {
        Require(!parse.suspicious && !parse.hasCommand && parse.files.empty());
    } else {
        Require(parse.hasCommand);
    }

    // Case does not matter: the upper-cased text reads and judges alike.
    // Trail bytes belong to their double-byte character and stay.
    std::vector<char> upper(text);
    for (size_t i = 0; i < length; ++i) {
        if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(upper[i])) && i + 1 < length)
            ++i;
        else if (upper[i] >= 'a' && upper[i] <= 'z')
            upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
    }
    const Parse again = Judge(upper.data());
    Require(again.suspicious == parse.suspicious && again.hasCommand == parse.hasCommand &&
            again.command == parse.command && again.files == parse.files);
    return 0;
}
