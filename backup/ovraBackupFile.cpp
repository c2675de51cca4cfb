#include "backup/ovraBackupFile.h"

#include <vector>

namespace ovra {

bool BackupFile::Write(const void* data, uint32_t size)
{
    // WriteFile may write less than asked (a full disk); only all of it counts.
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(m_hFile, bytes, size, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

bool BackupFile::WriteU32(uint32_t value)
{
    const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    return Write(bytes, sizeof(bytes));
}

bool BackupFile::WriteString(const char* text, size_t length)
{
    // A string no reader would take back is not written at all.
    if (length >= kMaxString)
        return false;
    const uint32_t stored = static_cast<uint32_t>(length) + 1;
    return WriteU32(stored) && Write(text, static_cast<uint32_t>(length)) && Write("", 1);
}

bool BackupFile::Read(void* data, uint32_t size)
{
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        DWORD got = 0;
        if (!ReadFile(m_hFile, bytes, size, &got, nullptr) || got == 0)
            return false;
        bytes += got;
        size -= got;
    }
    return true;
}

bool BackupFile::ReadU32(uint32_t& value)
{
    unsigned char bytes[4];
    if (!Read(bytes, sizeof(bytes)))
        return false;
    value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
            static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return true;
}

bool BackupFile::ReadString(std::string& text)
{
    uint32_t stored = 0;
    uint64_t remaining = 0;
    if (!ReadU32(stored) || !Remaining(remaining))
        return false;
    // Every stored string has at least its zero byte.
    if (stored == 0 || stored > kMaxString || stored > remaining)
        return false;
    std::vector<char> bytes(stored);
    if (!Read(bytes.data(), stored))
        return false;
    bytes[stored - 1] = '\0';
    text.assign(bytes.data());
    return true;
}

bool BackupFile::ReadSize(uint32_t& size, uint32_t cap)
{
    uint64_t remaining = 0;
    if (!ReadU32(size) || !Remaining(remaining))
        return false;
    return static_cast<uint64_t>(size) <= cap && static_cast<uint64_t>(size) <= remaining;
}

bool BackupFile::Skip(uint32_t size)
{
    uint64_t remaining = 0;
    if (!Remaining(remaining) || size > remaining)
        return false;
    LARGE_INTEGER distance;
    distance.QuadPart = size;
    return SetFilePointerEx(m_hFile, distance, nullptr, FILE_CURRENT) != 0;
}

bool BackupFile::Seek(uint64_t position)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_hFile, &size) || position > static_cast<uint64_t>(size.QuadPart))
        return false;
    LARGE_INTEGER target;
    target.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(m_hFile, target, nullptr, FILE_BEGIN) != 0;
}

bool BackupFile::Position(uint64_t& position)
{
    LARGE_INTEGER zero, now;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(m_hFile, zero, &now, FILE_CURRENT))
        return false;
    position = static_cast<uint64_t>(now.QuadPart);
    return true;
}

bool BackupFile::Remaining(uint64_t& remaining)
{
    LARGE_INTEGER size;
    uint64_t position = 0;
    if (!GetFileSizeEx(m_hFile, &size) || !Position(position))
        return false;
    const uint64_t total = static_cast<uint64_t>(size.QuadPart);
    remaining = position < total ? total - position : 0;
    return true;
}

} // namespace ovra
