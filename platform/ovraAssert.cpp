#include "platform/ovraAssert.h"

#include <windows.h>

#include <cstdio>

namespace ovra {

void AssertFailed(const char* expression, const char* file, int line)
{
    char text[512];
    std::snprintf(text, sizeof(text), "Assertion failed: %s, file %s, line %d\n", expression, file, line);
    std::fputs(text, stderr);
    std::fflush(stderr);
    OutputDebugStringA(text);
    TerminateProcess(GetCurrentProcess(), 3);
    for (;;) {
    }
}

} // namespace ovra
