#pragma once

#include <windows.h>

namespace ovra {

// A COM class may be served by a program of its own instead of, or beside,
// its in-process library: LocalServer32 (LocalServer on 16-bit Windows)
// names that program, and an AppID with a LocalService names a service.
// Such a class keeps working when its library is gone, so only its
// InprocServer32 key may go, never the whole class.
class LocalServer {
public:
    // True when the class (its key open; the path below root of the CLSID
    // key that holds it is classesPath) has an out-of-process server that
    // is not shown to be gone: a LocalServer32 or LocalServer key whose
    // command line does not name a missing program, or an AppID whose key,
    // in the classes of root or of the machine, has a LocalService value.
    static bool MayServe(HKEY classKey, HKEY root, const char* classesPath);
};

} // namespace ovra
