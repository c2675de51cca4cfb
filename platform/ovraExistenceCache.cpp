#include "platform/ovraExistenceCache.h"

#include "platform/ovraCodePage.h"

#include <utility>

namespace ovra {

namespace {

thread_local ExistenceCache* t_pActive = nullptr;

// Only ASCII letters are folded: every file system the program meets treats
// them alike in either case. Other bytes stay as they are, trail bytes of
// double-byte characters too, so two spellings that differ elsewhere are
// merely looked up twice.
std::string FoldedKey(const char* path, bool native)
{
    // No path holds '*', so a native answer's key never meets another's.
    std::string key = native ? std::string("*") + path : std::string(path);
    if (!key.empty())
        CodePage::LowerAscii(&key[0], key.size());
    return key;
}

} // namespace

ExistenceCache::ExistenceCache(bool paths)
    : m_driveTypes{}, m_driveKnown{}, m_nHits(0), m_nMisses(0), m_bPaths(paths)
{
}

ExistenceCache* ExistenceCache::Active()
{
    return t_pActive;
}

bool ExistenceCache::Find(const char* path, PathKind& kind, bool native)
{
    if (!m_bPaths)
        return false;
    const std::string key = FoldedKey(path, native);
    CriticalSection::Guard guard(m_lock);
    const auto it = m_answers.find(key);
    if (it != m_answers.end() && (it->second.kind != PathKind::kMissing || it->second.strSpelling == path)) {
        kind = it->second.kind;
        ++m_nHits;
        return true;
    }
    ++m_nMisses;
    return false;
}

void ExistenceCache::Remember(const char* path, PathKind kind, bool native)
{
    // A found answer is never replaced by a missing one: the file existed
    // during this scan. A missing answer keeps its first spelling.
    if (!m_bPaths)
        return;
    const bool exists = kind != PathKind::kMissing;
    std::string key = FoldedKey(path, native);
    CriticalSection::Guard guard(m_lock);
    const auto inserted = m_answers.try_emplace(std::move(key), Answer{kind, exists ? std::string() : path});
    if (!inserted.second && exists && inserted.first->second.kind == PathKind::kMissing)
        inserted.first->second = Answer{kind, std::string()};
}

int ExistenceCache::DriveIndex(char letter)
{
    if (letter >= 'a' && letter <= 'z')
        return letter - 'a';
    if (letter >= 'A' && letter <= 'Z')
        return letter - 'A';
    return -1;
}

bool ExistenceCache::FindDriveType(char letter, unsigned& type) const
{
    const int i = DriveIndex(letter);
    CriticalSection::Guard guard(m_lock);
    if (i < 0 || !m_driveKnown[i])
        return false;
    type = m_driveTypes[i];
    return true;
}

void ExistenceCache::RememberDriveType(char letter, unsigned type)
{
    const int i = DriveIndex(letter);
    if (i < 0)
        return;
    CriticalSection::Guard guard(m_lock);
    m_driveTypes[i] = type;
    m_driveKnown[i] = true;
}

unsigned long ExistenceCache::Hits() const
{
    CriticalSection::Guard guard(m_lock);
    return m_nHits;
}

unsigned long ExistenceCache::Misses() const
{
    CriticalSection::Guard guard(m_lock);
    return m_nMisses;
}

ExistenceCache::Scope::Scope(bool paths) : m_cache(paths), m_pPrevious(t_pActive)
{
    t_pActive = &m_cache;
}

ExistenceCache::Scope::~Scope()
{
    t_pActive = m_pPrevious;
}

ExistenceCache::Share::Share(ExistenceCache* cache) : m_pPrevious(t_pActive)
{
    t_pActive = cache;
}

ExistenceCache::Share::~Share()
{
    t_pActive = m_pPrevious;
}

} // namespace ovra
