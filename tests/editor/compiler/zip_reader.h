// Reads a ZIP archive the way a reading system does: through its central directory,
// inflating each entry with zlib, checking sizes and CRCs. For the tests of the
// publication writer, which must not check its output with its own code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>
#include <zlib.h>

struct TZipEntryRead {
    std::string Name;
    std::string Data;
    uint16_t Method = 0;
    uint32_t Stamp = 0;
    uint32_t LocalOffset = 0;
    uint16_t LocalExtraLength = 0;
};

inline uint32_t ZipLe(const std::string& s, size_t at, int bytes) {
    if (at + static_cast<size_t>(bytes) > s.size())
        throw std::runtime_error("truncated archive");
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(s[at + static_cast<size_t>(i)])) << (8 * i);
    return v;
}

inline std::vector<TZipEntryRead> ReadZipArchive(const std::string& zip) {
    if (zip.size() < 22)
        throw std::runtime_error("no archive");
    const size_t end = zip.size() - 22; // no comment is written
    if (ZipLe(zip, end, 4) != 0x06054b50)
        throw std::runtime_error("no end of central directory");
    const uint32_t count = ZipLe(zip, end + 10, 2);
    size_t at = ZipLe(zip, end + 16, 4);
    std::vector<TZipEntryRead> entries;
    for (uint32_t i = 0; i < count; ++i) {
        if (ZipLe(zip, at, 4) != 0x02014b50)
            throw std::runtime_error("bad central directory entry");
        TZipEntryRead e;
        e.Method = static_cast<uint16_t>(ZipLe(zip, at + 10, 2));
        e.Stamp = ZipLe(zip, at + 12, 4);
        const uint32_t crc = ZipLe(zip, at + 16, 4);
        const uint32_t packed = ZipLe(zip, at + 20, 4);
        const uint32_t size = ZipLe(zip, at + 24, 4);
        const uint32_t nameLength = ZipLe(zip, at + 28, 2);
        const uint32_t extra = ZipLe(zip, at + 30, 2);
        const uint32_t comment = ZipLe(zip, at + 32, 2);
        e.LocalOffset = ZipLe(zip, at + 42, 4);
        e.Name = zip.substr(at + 46, nameLength);
        at += 46 + nameLength + extra + comment;
        const size_t local = e.LocalOffset;
        if (ZipLe(zip, local, 4) != 0x04034b50 || zip.substr(local + 30, ZipLe(zip, local + 26, 2)) != e.Name)
            throw std::runtime_error("bad local header of " + e.Name);
        e.LocalExtraLength = static_cast<uint16_t>(ZipLe(zip, local + 28, 2));
        const size_t data = local + 30 + ZipLe(zip, local + 26, 2) + e.LocalExtraLength;
        const std::string body = zip.substr(data, packed);
        if (e.Method == 0) {
            e.Data = body;
        } else if (e.Method == 8) {
            z_stream z{};
            inflateInit2(&z, -15);
            e.Data.resize(size);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
            z.avail_in = static_cast<uInt>(body.size());
            z.next_out = reinterpret_cast<Bytef*>(e.Data.data());
            z.avail_out = static_cast<uInt>(e.Data.size());
            const int r = inflate(&z, Z_FINISH);
            inflateEnd(&z);
            if (r != Z_STREAM_END)
                throw std::runtime_error("cannot inflate " + e.Name);
        } else {
            throw std::runtime_error("unknown method");
        }
        if (e.Data.size() != size ||
            crc32(0, reinterpret_cast<const Bytef*>(e.Data.data()), static_cast<uInt>(e.Data.size())) != crc)
            throw std::runtime_error("size or CRC wrong for " + e.Name);
        entries.push_back(std::move(e));
    }
    return entries;
}
