#pragma once

namespace ovra {

// A class's icon: DefaultIcon's default value is "path" or "path,index",
// the index negative for a resource id, the path quoted or not (Microsoft:
// "File Types", "Programmatic Identifiers").
class DefaultIcon {
public:
    // True when text names a missing file on a fixed drive. "%1" (each
    // file's own icon) and "@..." (an indirect string) are not judged, nor
    // is a text whose part before its last comma names a file that is there.
    static bool IsDead(const char* text);
};

} // namespace ovra
