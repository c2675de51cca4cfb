#pragma once

#include <windows.h>

namespace ovra {

// DLLs the program needs only for some actions (the shell, the accessibility
// runtime), loaded from the system folder by full path on first use and kept.
// Importing them at start would have their own imports looked up before
// WinMain can restrict where DLLs come from.
class SystemDll {
public:
    // The module, or null when it cannot be loaded.
    static HMODULE Load(const char* name);
    // A function of such a module as the given pointer type; null when either
    // is missing.
    template <typename Fn> static Fn Function(const char* dll, const char* name)
    {
        const HMODULE module = Load(dll);
        const FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
        // Through the generic function pointer type: casting FARPROC directly
        // between unrelated function types draws a warning.
        return proc ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc)) : nullptr;
    }
};

} // namespace ovra
