#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ovra {

// Reads and writes the backup format's fields (32-bit little-endian integers,
// length-counted strings, raw bytes) on a caller's file handle, which it does
// not own. Every operation reports whether it did all it was asked; a reader
// never asks for, skips or allocates more than the bytes left in the file, so
// a damaged or hostile file ends in a false result, never in a huge buffer.
class BackupFile {
public:
    // The longest string the format holds, its zero byte included.
    static const uint32_t kMaxString = 16384;
    // The most data bytes the writer saves for one value: a value record's
    // value (more fails the record), and a value inside a saved key tree
    // (more fails the tree). A reader takes no larger size from a file.
    static const uint32_t kMaxRecordValue = 16384;
    static const uint32_t kMaxTreeValue = 16 * 1024 * 1024;
    // Smallest encoded value entry (empty name, type, size) and key block
    // (empty name, two counts): a count can never need fewer bytes than this.
    static const uint32_t kMinEntry = 5 + 4 + 4;
    // Smallest record: the root, five empty strings, the job id and a kind
    // that carries no data block.
    static const uint32_t kMinRecord = 4 + 5 * 5 + 4 + 4;
    // The registry nests keys at most 512 deep; a saved tree that claims more
    // is damage, and the limit keeps recursion over it shallow.
    static const int kMaxDepth = 512;

    // The code page of a file's texts: the system's own ANSI code page for
    // ".backup2", the format every earlier build reads and writes, and UTF-8
    // for ".backup3", which holds text of any script.
    enum class Text { kSystemCodePage, kUtf8 };

    explicit BackupFile(void* file, Text text = Text::kSystemCodePage);

    Text GetText() const { return m_nText; }
    // True once a text given to write had no exact form in the file's code
    // page; that file can only be written as ".backup3".
    bool Unencodable() const { return m_bUnencodable; }

    bool Write(const void* data, uint32_t size);
    bool WriteU32(uint32_t value);
    bool WriteString(const char* text, size_t length);

    // A text in the program's code page, written in the file's.
    bool WriteText(const std::string& text);
    // A UTF-16 text (a name read from the registry), in the file's code page.
    bool WriteWide(const wchar_t* text, size_t length);
    // A value's data as the wide registry functions give it (size bytes):
    // string types turned into the file's code page, others as they are.
    bool WriteData(DWORD type, const BYTE* data, DWORD size, uint32_t cap);

    bool Read(void* data, uint32_t size);
    bool ReadU32(uint32_t& value);
    bool ReadString(std::string& text);
    // A string of the file turned into the program's code page, or into
    // UTF-16; false, as for a damaged string, when it has no exact form.
    bool ReadText(std::string& text);
    bool ReadWide(std::wstring& text);
    // A value's data (size bytes) read from the file into the form the wide
    // registry functions take: string types turned into UTF-16. One more
    // non-zero UTF-16 unit is kept after the data, so that the registry
    // never takes a missing terminator for forgotten and adds one.
    bool DecodeData(DWORD type, const std::vector<BYTE>& bytes, std::vector<BYTE>& data, DWORD& size) const;
    // Reads a value's data size and accepts it only when it is at most cap
    // and no more than the bytes left in the file, compared in 64 bits, so a
    // size near 4 GiB can never wrap into a small buffer.
    bool ReadSize(uint32_t& size, uint32_t cap);
    bool Skip(uint32_t size);

    // Absolute positions from the start of the file.
    bool Seek(uint64_t position);
    bool Position(uint64_t& position);
    // Bytes between the current position and the end of the file.
    bool Remaining(uint64_t& remaining);

private:
    UINT CodePageOfFile() const;

    HANDLE m_hFile;
    Text m_nText;
    bool m_bUnencodable;
};

} // namespace ovra
