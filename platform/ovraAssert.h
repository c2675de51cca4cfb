#pragma once

// Broken assumptions end the process with the expression and the source file
// named; ordinary input never reaches them. Always on, also in release builds.
namespace ovra {
[[noreturn]] void AssertFailed(const char* expression, const char* file, int line);
}

#define OVRA_ASSERT(expr, file) \
    ((expr) ? (void)0 : ::ovra::AssertFailed(#expr, file, __LINE__))
