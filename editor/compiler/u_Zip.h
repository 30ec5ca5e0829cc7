// A ZIP archive writer for publications: entries are compressed in memory (deflate
// through zlib, or stored) and written one after the other to a file, followed by the
// central directory. Every entry carries one fixed time stamp, so the same entries give
// the same bytes.
#pragma once

#include "u_Exception.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class EZipError : public Exception {
public:
    using Exception::Exception;
};

// The MS-DOS date and time of a moment (seconds since 1970, UTC); moments before 1980
// give 1980-01-01 00:00, the earliest such stamp.
uint32_t DosDateTime(int64_t UnixSeconds);

class TZipWriter {
public:
    // Creates (or truncates) FileName. Stamp is a DosDateTime value.
    TZipWriter(const std::string& FileName, uint32_t Stamp);
    ~TZipWriter();
    TZipWriter(const TZipWriter&) = delete;
    TZipWriter& operator=(const TZipWriter&) = delete;

    // Adds an entry; Name uses "/" between folders. Stored entries are written as they
    // are, the others deflated (at a fast level).
    void Add(const std::string& Name, std::string_view Data, bool Stored = false);
    // Writes the central directory and closes the file.
    void Finish();

private:
    struct TEntry {
        std::string Name;
        uint32_t Crc;
        uint32_t CompressedSize;
        uint32_t Size;
        uint16_t Method;
        uint32_t Offset;
    };
    void Write(const void* Data, size_t Size);
    std::string FFileName;
    std::FILE* FFile = nullptr;
    uint32_t FStamp;
    uint64_t FOffset = 0;
    std::vector<TEntry> FEntries;
};

// Deflate (raw, no header) at the writer's level.
std::string DeflateRaw(std::string_view Data);
