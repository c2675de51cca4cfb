#pragma once

#include "platform/ovraCriticalSection.h"
#include "platform/ovraPathKind.h"

#include <string>
#include <unordered_map>

namespace ovra {

// The answers to "what does this path name" and "what kind of drive is this"
// given during one scan. Many registry entries name the same file (dozens of
// COM classes share one server library), so a scan asks the file system once
// per path. A cache lives only as long as the Scope that the scan opens on
// its own thread: nothing is kept from one scan to the next, so every scan
// sees each file as it is when the scan first looks at it. Threads that walk
// part of a key for the scan share its cache (Share); every call takes the
// cache's lock.
class ExistenceCache {
public:
    class Scope;
    class Share;

    // paths false: only drive types are kept, every path is asked afresh
    // (the benchmark's floor, which remembers nothing else).
    explicit ExistenceCache(bool paths = true);
    ExistenceCache(const ExistenceCache&) = delete;
    ExistenceCache& operator=(const ExistenceCache&) = delete;

    // The calling thread's cache; null outside a scope, so outside a scan
    // every question goes to the file system.
    static ExistenceCache* Active();

    // True, with kind set, when an earlier answer for path may be given
    // again. A file found under one spelling is found under every spelling
    // that differs only in the case of ASCII letters; a missing answer is
    // given again only for the very same spelling, so a case variant that
    // names a live file is always looked up afresh. Answers given in the
    // native view of a 32-bit program under WOW64 (native true) are kept
    // apart from those of its own view, where the same spelling may name
    // another file.
    bool Find(const char* path, PathKind& kind, bool native = false);
    void Remember(const char* path, PathKind kind, bool native = false);

    // Drive types by letter (a-z, either case); false when not asked yet.
    bool FindDriveType(char letter, unsigned& type) const;
    void RememberDriveType(char letter, unsigned type);

    unsigned long Hits() const;
    unsigned long Misses() const;

private:
    struct Answer {
        PathKind kind;
        std::string strSpelling; // as first asked; kept for missing answers
    };

    static int DriveIndex(char letter);

    mutable CriticalSection m_lock; // guards every member below
    std::unordered_map<std::string, Answer> m_answers; // keyed by the ASCII-folded path
    unsigned m_driveTypes[26];
    bool m_driveKnown[26];
    unsigned long m_nHits;
    unsigned long m_nMisses;
    const bool m_bPaths;
};

// Makes a fresh cache the calling thread's for its own lifetime and puts the
// previous one (normally none) back when it ends.
class ExistenceCache::Scope {
public:
    explicit Scope(bool paths = true);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    ExistenceCache& Get() { return m_cache; }

private:
    ExistenceCache m_cache;
    ExistenceCache* m_pPrevious;
};

// Makes another thread's cache (may be null) the calling thread's for its
// own lifetime, without owning it, and puts the previous one back when it
// ends. The cache must outlive the Share.
class ExistenceCache::Share {
public:
    explicit Share(ExistenceCache* cache);
    ~Share();
    Share(const Share&) = delete;
    Share& operator=(const Share&) = delete;

private:
    ExistenceCache* m_pPrevious;
};

} // namespace ovra
