#include "platform/ovraExistenceCache.h"

#include "platform/ovraCodePage.h"

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

ExistenceCache::ExistenceCache() : m_driveTypes{}, m_driveKnown{}, m_nHits(0), m_nMisses(0)
{
}

ExistenceCache* ExistenceCache::Active()
{
    return t_pActive;
}

bool ExistenceCache::Find(const char* path, bool& exists, bool native)
{
    const auto it = m_answers.find(FoldedKey(path, native));
    if (it != m_answers.end() && (it->second.bExists || it->second.strSpelling == path)) {
        exists = it->second.bExists;
        ++m_nHits;
        return true;
    }
    ++m_nMisses;
    return false;
}

void ExistenceCache::Remember(const char* path, bool exists, bool native)
{
    // A found answer is never replaced by a missing one: the file existed
    // during this scan. A missing answer keeps its first spelling.
    const auto inserted = m_answers.try_emplace(FoldedKey(path, native), Answer{exists, exists ? std::string() : path});
    if (!inserted.second && exists && !inserted.first->second.bExists)
        inserted.first->second = Answer{true, std::string()};
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
    m_driveTypes[i] = type;
    m_driveKnown[i] = true;
}

ExistenceCache::Scope::Scope() : m_pPrevious(t_pActive)
{
    t_pActive = &m_cache;
}

ExistenceCache::Scope::~Scope()
{
    t_pActive = m_pPrevious;
}

} // namespace ovra
