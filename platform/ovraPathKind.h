#pragma once

namespace ovra {

// What a path names: nothing, a file, or a folder. Something that cannot be
// looked at counts as a file, so it is never called missing.
enum class PathKind { kMissing, kFile, kFolder };

} // namespace ovra
