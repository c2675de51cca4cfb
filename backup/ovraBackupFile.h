#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

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

    explicit BackupFile(void* file) : m_hFile(static_cast<HANDLE>(file)) {}

    bool Write(const void* data, uint32_t size);
    bool WriteU32(uint32_t value);
    bool WriteString(const char* text, size_t length);

    bool Read(void* data, uint32_t size);
    bool ReadU32(uint32_t& value);
    bool ReadString(std::string& text);
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
    HANDLE m_hFile;
};

} // namespace ovra
