#include "backup/ovraBackupFile.h"

#include "platform/ovraCodePage.h"

#include <cstring>
#include <vector>

namespace ovra {

BackupFile::BackupFile(void* file, Text text)
    : m_hFile(static_cast<HANDLE>(file)), m_nText(text), m_bUnencodable(false)
{
}

UINT BackupFile::CodePageOfFile() const
{
    return m_nText == Text::kUtf8 ? CP_UTF8 : CodePage::SystemCodePage();
}

bool BackupFile::WriteText(const std::string& text)
{
    // Where the program's code page is the file's, its texts are written as
    // they are, as every earlier build wrote them.
    if (CodePageOfFile() == GetACP())
        return WriteString(text.data(), text.size());
    std::wstring wide;
    if (!CodePage::ToWide(text.c_str(), wide)) {
        m_bUnencodable = true;
        return false;
    }
    return WriteWide(wide.data(), wide.size());
}

bool BackupFile::WriteWide(const wchar_t* text, size_t length)
{
    std::string bytes;
    if (!CodePage::Encode(CodePageOfFile(), text, length, bytes)) {
        m_bUnencodable = true;
        return false;
    }
    return WriteString(bytes.data(), bytes.size());
}

bool BackupFile::WriteData(DWORD type, const BYTE* data, DWORD size, uint32_t cap)
{
    if (!CodePage::IsStringType(type))
        return size <= cap && WriteU32(type) && WriteU32(size) && Write(data, size);
    // UTF-16 of an odd size is no text any code page holds.
    std::string bytes;
    if (size % 2 != 0 ||
        !CodePage::Encode(CodePageOfFile(), reinterpret_cast<const wchar_t*>(data), size / 2, bytes)) {
        m_bUnencodable = true;
        return false;
    }
    return bytes.size() <= cap && WriteU32(type) && WriteU32(static_cast<uint32_t>(bytes.size())) &&
           Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

bool BackupFile::ReadText(std::string& text)
{
    std::string bytes;
    if (!ReadString(bytes))
        return false;
    if (CodePageOfFile() == GetACP()) {
        text = bytes;
        return true;
    }
    std::wstring wide;
    if (!CodePage::Decode(CodePageOfFile(), bytes.data(), bytes.size(), wide))
        return false;
    std::vector<char> converted(wide.size() * 4 + 1);
    if (!CodePage::ToAnsiText(wide.data(), wide.size(), converted.data(), converted.size()))
        return false;
    text = converted.data();
    return true;
}

bool BackupFile::ReadWide(std::wstring& text)
{
    std::string bytes;
    text.clear();
    return ReadString(bytes) && CodePage::Decode(CodePageOfFile(), bytes.data(), bytes.size(), text);
}

bool BackupFile::DecodeData(DWORD type, const std::vector<BYTE>& bytes, std::vector<BYTE>& data, DWORD& size) const
{
    if (!CodePage::IsStringType(type)) {
        data.assign(bytes.begin(), bytes.end());
        data.insert(data.end(), 2, 0xFF);
        size = static_cast<DWORD>(bytes.size());
        return true;
    }
    std::wstring wide;
    if (!CodePage::Decode(CodePageOfFile(), reinterpret_cast<const char*>(bytes.data()), bytes.size(), wide))
        return false;
    size = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
    wide += L'\xFFFF';
    data.resize(wide.size() * sizeof(wchar_t));
    std::memcpy(data.data(), wide.data(), data.size());
    return true;
}

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
