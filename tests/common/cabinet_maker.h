// Cabinets made by hand for the tests, block by block with zlib: the members of each
// folder one after the other in its data, cut into 32 KB blocks, MSZIP blocks that may
// refer back into the block before. They need no cabinet writer, so the tests that use
// them run on every platform.
#pragma once

#include "u_CabReader.h"
#include "u_MFS.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace cabmaker {

inline void Put16(std::string& b, uint16_t v) {
    b += char(v & 0xFF);
    b += char(v >> 8);
}
inline void Put32(std::string& b, uint32_t v) {
    Put16(b, uint16_t(v & 0xFFFF));
    Put16(b, uint16_t(v >> 16));
}
inline void Set32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// Raw deflate of Data, with History as the bytes it may refer back into.
inline std::string Deflate(const std::string& data, const std::string& history) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    if (!history.empty())
        deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(history.data()), uInt(history.size()));
    std::string out(deflateBound(&z, uLong(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

struct TMember {
    std::string Name;
    std::string Content;
    uint16_t Folder = 0;
};

struct TFolderLayout {
    uint16_t Compression = tcompTYPE_MSZIP;
    bool History = true; // MSZIP blocks refer back into the block before
};

// A cabinet made block by block: the members of each folder one after the other in its
// data, cut into 32 KB blocks; data blocks without checksums; Reserve bytes reserved in
// the header, each folder entry and each data block.
inline std::string MakeCabinet(const std::vector<TMember>& members, const std::vector<TFolderLayout>& folders,
                               uint8_t reserve = 0) {
    std::vector<std::string> data(folders.size());
    std::vector<uint32_t> offsets;
    for (const TMember& m : members) {
        offsets.push_back(uint32_t(data[m.Folder].size()));
        data[m.Folder] += m.Content;
    }
    std::vector<std::string> blocks(folders.size());
    std::vector<uint16_t> counts(folders.size(), 0);
    for (size_t f = 0; f < folders.size(); ++f) {
        for (size_t at = 0; at < data[f].size(); at += 32768) {
            const std::string part = data[f].substr(at, 32768);
            std::string packed = part;
            if (folders[f].Compression == tcompTYPE_MSZIP) {
                const size_t from = at > 32768 ? at - 32768 : 0;
                packed = "CK" + Deflate(part, folders[f].History ? data[f].substr(from, at - from) : "");
            }
            Put32(blocks[f], 0);
            Put16(blocks[f], uint16_t(packed.size()));
            Put16(blocks[f], uint16_t(part.size()));
            blocks[f] += std::string(reserve, 'r') + packed;
            ++counts[f];
        }
    }
    std::string header = "MSCF";
    Put32(header, 0);
    Put32(header, 0); // size, set below
    Put32(header, 0);
    Put32(header, 0); // files, set below
    Put32(header, 0);
    header += char(3);
    header += char(1);
    Put16(header, uint16_t(folders.size()));
    Put16(header, uint16_t(members.size()));
    Put16(header, reserve ? cfhdrRESERVE_PRESENT : 0);
    Put16(header, 0);
    Put16(header, 0);
    if (reserve) {
        Put16(header, reserve);
        header += char(reserve);
        header += char(reserve);
        header += std::string(reserve, 'h');
    }
    const size_t folderTable = header.size();
    const size_t folderEntry = 8 + reserve;
    std::string files;
    for (size_t i = 0; i < members.size(); ++i) {
        Put32(files, uint32_t(members[i].Content.size()));
        Put32(files, offsets[i]);
        Put16(files, members[i].Folder);
        Put16(files, 0x5A21);
        Put16(files, 0x6000);
        Put16(files, 0x20);
        files += members[i].Name + '\0';
    }
    const size_t filesAt = folderTable + folderEntry * folders.size();
    size_t dataAt = filesAt + files.size();
    std::string folderEntries;
    for (size_t f = 0; f < folders.size(); ++f) {
        Put32(folderEntries, uint32_t(dataAt));
        Put16(folderEntries, counts[f]);
        Put16(folderEntries, folders[f].Compression);
        folderEntries += std::string(reserve, 'f');
        dataAt += blocks[f].size();
    }
    std::string cab = header + folderEntries + files;
    for (const std::string& b : blocks)
        cab += b;
    Set32(cab, 8, uint32_t(cab.size()));
    Set32(cab, 16, uint32_t(filesAt));
    return cab;
}

// A store packed as the store convention has it: a cabinet holding "info.mfs" with the
// store's image.
inline std::string StoreCabinet(const TMFS& store) {
    return MakeCabinet({{"info.mfs", store.SaveToString()}}, {{}});
}

// The store cabinet of a store holding these files (book paths, "\\ch\\one.htm"), with
// their folders.
// <windows.h> makes CreateFile a macro; the store's own is meant here.
#pragma push_macro("CreateFile")
#undef CreateFile
inline std::string FilesCabinet(const std::map<std::string, std::string>& files) {
    TMFS store;
    for (const auto& [path, content] : files) {
        if (const std::string folder = TMFS::ExtractPath(path); folder.size() > 1)
            store.Session()->ForceFolders(folder);
        store.Session()->CreateFile(path, 0, true)->Content = content;
    }
    return StoreCabinet(store);
}
#pragma pop_macro("CreateFile")

} // namespace cabmaker
