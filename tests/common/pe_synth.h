// Test helper: builds small synthetic PE32 images and reads them back with a parser of
// its own, independent of the resource editor (different table layout, no shared code).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

namespace synth {

using Id = std::variant<uint16_t, std::u16string>;

struct Res {
    Id Type, Name;
    uint16_t Lang;
    std::string Data;
};

inline uint16_t Get16(const std::string& s, size_t o) {
    return static_cast<uint16_t>(static_cast<uint8_t>(s[o]) | (static_cast<uint8_t>(s[o + 1]) << 8));
}
inline uint32_t Get32(const std::string& s, size_t o) {
    return Get16(s, o) | (uint32_t{Get16(s, o + 2)} << 16);
}
inline void Put16(std::string& s, size_t o, uint32_t v) {
    s[o] = static_cast<char>(v);
    s[o + 1] = static_cast<char>(v >> 8);
}
inline void Put32(std::string& s, size_t o, uint32_t v) {
    Put16(s, o, v & 0xFFFF);
    Put16(s, o + 2, v >> 16);
}
inline uint32_t Align(uint32_t v, uint32_t a) {
    return (v + a - 1) / a * a;
}

// The PE checksum computed the way the platform documents it: word by word, carry
// folded at every step.
inline uint32_t Checksum(const std::string& file, size_t checksumOffset) {
    uint32_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        uint32_t w = static_cast<uint8_t>(file[i]);
        if (i + 1 < file.size())
            w |= static_cast<uint32_t>(static_cast<uint8_t>(file[i + 1])) << 8;
        if (i >= checksumOffset && i < checksumOffset + 4)
            w = 0;
        sum += w;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return sum + static_cast<uint32_t>(file.size());
}

// A resource section in the usual linker layout: all directories breadth first, then
// the data entries, then the name strings, then the data (8-aligned).
inline std::string ResourceSection(std::vector<Res> list, uint32_t va) {
    auto less = [](const Id& a, const Id& b) {
        if (a.index() != b.index())
            return a.index() > b.index(); // names (index 1) first
        return a < b;
    };
    std::stable_sort(list.begin(), list.end(), [&](const Res& a, const Res& b) {
        if (a.Type != b.Type)
            return less(a.Type, b.Type);
        if (a.Name != b.Name)
            return less(a.Name, b.Name);
        return a.Lang < b.Lang;
    });
    struct Dir {
        std::vector<std::pair<Id, size_t>> entries; // id, child index (dir or data)
    };
    std::vector<Id> types;
    for (auto& r : list)
        if (types.empty() || types.back() != r.Type)
            types.push_back(r.Type);
    // sizes
    uint32_t dirBytes = 16 + 8 * static_cast<uint32_t>(types.size());
    std::vector<std::vector<Id>> names(types.size());
    for (size_t t = 0; t < types.size(); ++t) {
        for (auto& r : list)
            if (r.Type == types[t] && (names[t].empty() || names[t].back() != r.Name))
                names[t].push_back(r.Name);
        dirBytes += 16 + 8 * static_cast<uint32_t>(names[t].size());
    }
    size_t nameDirs = 0;
    for (auto& n : names)
        nameDirs += n.size();
    std::vector<std::vector<size_t>> langs(nameDirs);
    {
        size_t k = 0;
        for (size_t t = 0; t < types.size(); ++t)
            for (auto& n : names[t]) {
                for (size_t i = 0; i < list.size(); ++i)
                    if (list[i].Type == types[t] && list[i].Name == n)
                        langs[k].push_back(i);
                dirBytes += 16 + 8 * static_cast<uint32_t>(langs[k].size());
                ++k;
            }
    }
    const uint32_t entriesAt = dirBytes;
    uint32_t stringsAt = entriesAt + 16 * static_cast<uint32_t>(list.size());
    std::string strings;
    std::vector<uint32_t> stringOffset;
    auto addString = [&](const Id& id) -> uint32_t {
        const auto& s = std::get<std::u16string>(id);
        uint32_t at = stringsAt + static_cast<uint32_t>(strings.size());
        strings.push_back(static_cast<char>(s.size()));
        strings.push_back(static_cast<char>(s.size() >> 8));
        for (char16_t c : s) {
            strings.push_back(static_cast<char>(c));
            strings.push_back(static_cast<char>(c >> 8));
        }
        return at;
    };
    std::string out(entriesAt + 16 * list.size(), '\0');
    auto dirHeader = [&](uint32_t at, const std::vector<Id>& ids) {
        uint32_t named = 0;
        for (auto& i : ids)
            named += i.index() == 1;
        Put16(out, at + 12, named);
        Put16(out, at + 14, static_cast<uint32_t>(ids.size()) - named);
    };
    std::vector<std::pair<uint32_t, Id>> pendingNames; // entry offset, name
    uint32_t at = 0;
    std::vector<Id> typeIds(types.begin(), types.end());
    dirHeader(0, typeIds);
    uint32_t next = 16 + 8 * static_cast<uint32_t>(types.size());
    std::vector<uint32_t> typeDirAt, nameDirAt;
    for (size_t t = 0; t < types.size(); ++t) {
        typeDirAt.push_back(next);
        next += 16 + 8 * static_cast<uint32_t>(names[t].size());
    }
    for (size_t k = 0; k < nameDirs; ++k) {
        nameDirAt.push_back(next);
        next += 16 + 8 * static_cast<uint32_t>(langs[k].size());
    }
    auto entry = [&](uint32_t e, const Id& id, uint32_t target) {
        if (id.index() == 1)
            pendingNames.emplace_back(e, id);
        else
            Put32(out, e, std::get<uint16_t>(id));
        Put32(out, e + 4, target);
    };
    size_t k = 0;
    for (size_t t = 0; t < types.size(); ++t) {
        entry(at + 16 + 8 * static_cast<uint32_t>(t), types[t], typeDirAt[t] | 0x80000000u);
        dirHeader(typeDirAt[t], names[t]);
        for (size_t n = 0; n < names[t].size(); ++n, ++k) {
            entry(typeDirAt[t] + 16 + 8 * static_cast<uint32_t>(n), names[t][n], nameDirAt[k] | 0x80000000u);
            std::vector<Id> ls;
            for (size_t i : langs[k])
                ls.push_back(Id(list[i].Lang));
            dirHeader(nameDirAt[k], ls);
            for (size_t l = 0; l < langs[k].size(); ++l)
                entry(nameDirAt[k] + 16 + 8 * static_cast<uint32_t>(l), Id(list[langs[k][l]].Lang),
                      entriesAt + 16 * static_cast<uint32_t>(langs[k][l]));
        }
    }
    for (auto& [e, id] : pendingNames)
        Put32(out, e, addString(id) | 0x80000000u);
    out += strings;
    out.resize(Align(static_cast<uint32_t>(out.size()), 8), '\0');
    for (size_t i = 0; i < list.size(); ++i) {
        Put32(out, entriesAt + 16 * i, va + static_cast<uint32_t>(out.size()));
        Put32(out, entriesAt + 16 * i + 4, static_cast<uint32_t>(list[i].Data.size()));
        Put32(out, entriesAt + 16 * i + 8, 1252); // a code page the editor must keep for unchanged data
        out += list[i].Data;
        out.resize(Align(static_cast<uint32_t>(out.size()), 8), '\0');
    }
    return out;
}

struct Options {
    std::vector<Res> Resources;
    bool RelocAfter = true; // ".reloc" after ".rsrc" (data directory 5)
    bool BssAfter = false;  // a section without raw data after ".rsrc"
    bool DebugDir = false;  // debug directory in ".rdata" with data before and after ".rsrc"
    std::string Overlay;    // bytes appended after the last section
    uint16_t Magic = 0x10B;
};

constexpr uint32_t kFileAlign = 0x200, kSectAlign = 0x1000;
constexpr size_t kPE = 0x80, kOpt = kPE + 24, kSections = kOpt + 224;

struct Section {
    std::string Name;
    uint32_t VA = 0, VSize = 0;
    std::string Raw; // empty: no raw data
};

// Positions of the fixture's pieces, for the checks.
inline size_t SectionHeader(size_t index) {
    return kSections + 40 * index;
}

inline std::string Build(const Options& o) {
    std::vector<Section> secs;
    secs.push_back({".text", 0x1000, 0x10, std::string(0x10, '\xC3')});
    std::string rdata(0x100, 'r');
    secs.push_back({".rdata", 0x2000, 0x100, rdata});
    const uint32_t rsrcVA = 0x3000;
    std::string rsrc = ResourceSection(o.Resources, rsrcVA);
    secs.push_back({".rsrc", rsrcVA, static_cast<uint32_t>(rsrc.size()), rsrc});
    uint32_t nextVA = rsrcVA + Align(static_cast<uint32_t>(rsrc.size()), kSectAlign);
    int relocIndex = -1, debugDataIndex = -1;
    if (o.BssAfter) {
        secs.push_back({".bss", nextVA, 0x800, std::string()});
        nextVA += kSectAlign;
    }
    if (o.RelocAfter) {
        std::string reloc = "\x00\x10\x00\x00\x0c\x00\x00\x00\x01\x30\x02\x30";
        reloc.resize(0x30, 'R');
        relocIndex = static_cast<int>(secs.size());
        secs.push_back({".reloc", nextVA, static_cast<uint32_t>(reloc.size()), reloc});
        nextVA += kSectAlign;
    }
    if (o.DebugDir) {
        debugDataIndex = static_cast<int>(secs.size());
        secs.push_back({".buildid", nextVA, 0x40, std::string(0x40, 'D')});
        nextVA += kSectAlign;
    }
    // File positions.
    uint32_t pos = 0x400;
    std::vector<uint32_t> ptr;
    for (auto& s : secs) {
        ptr.push_back(s.Raw.empty() ? 0 : pos);
        if (!s.Raw.empty())
            pos += Align(static_cast<uint32_t>(s.Raw.size()), kFileAlign);
    }
    if (o.DebugDir) {
        // Two entries at .rdata + 0x40: one with data in .rdata, one with data in .buildid.
        std::string& r = secs[1].Raw;
        for (int i = 0; i < 2; ++i) {
            size_t e = 0x40 + 28 * static_cast<size_t>(i);
            for (size_t b = 0; b < 28; ++b)
                r[e + b] = '\0';
            Put32(r, e + 12, 2); // CodeView
            Put32(r, e + 16, 0x20);
            if (i == 0) {
                Put32(r, e + 20, 0x2080);
                Put32(r, e + 24, ptr[1] + 0x80);
            } else {
                Put32(r, e + 20, secs[static_cast<size_t>(debugDataIndex)].VA);
                Put32(r, e + 24, ptr[static_cast<size_t>(debugDataIndex)]);
            }
        }
    }
    std::string f(pos, '\0');
    f[0] = 'M';
    f[1] = 'Z';
    Put32(f, 0x3C, kPE);
    f.replace(kPE, 4, std::string("PE\0\0", 4));
    Put16(f, kPE + 4, 0x14C);
    Put16(f, kPE + 6, static_cast<uint32_t>(secs.size()));
    Put16(f, kPE + 20, 224);
    Put16(f, kPE + 22, 0x0102);
    Put16(f, kOpt, o.Magic);
    Put32(f, kOpt + 4, 0x200);               // SizeOfCode
    Put32(f, kOpt + 8, pos - 0x400 - 0x200); // SizeOfInitializedData
    Put32(f, kOpt + 16, 0x1000);             // entry point
    Put32(f, kOpt + 28, 0x400000);           // ImageBase
    Put32(f, kOpt + 32, kSectAlign);
    Put32(f, kOpt + 36, kFileAlign);
    Put32(f, kOpt + 56, nextVA); // SizeOfImage
    Put32(f, kOpt + 60, 0x400);  // SizeOfHeaders
    Put16(f, kOpt + 68, 2);      // GUI
    Put32(f, kOpt + 92, 16);
    auto dir = [&](int i, uint32_t va, uint32_t size) {
        Put32(f, kOpt + 96 + 8 * static_cast<size_t>(i), va);
        Put32(f, kOpt + 96 + 8 * static_cast<size_t>(i) + 4, size);
    };
    dir(1, 0x2000, 0x28); // imports, before the resources
    dir(2, rsrcVA, static_cast<uint32_t>(rsrc.size()));
    if (relocIndex >= 0)
        dir(5, secs[static_cast<size_t>(relocIndex)].VA, 0x0c);
    if (o.DebugDir)
        dir(6, 0x2040, 56);
    for (size_t i = 0; i < secs.size(); ++i) {
        const size_t h = SectionHeader(i);
        f.replace(h, secs[i].Name.size(), secs[i].Name);
        Put32(f, h + 8, secs[i].VSize);
        Put32(f, h + 12, secs[i].VA);
        Put32(f, h + 16,
              secs[i].Raw.empty() ? 0 : Align(static_cast<uint32_t>(secs[i].Raw.size()), kFileAlign));
        Put32(f, h + 20, ptr[i]);
        Put32(f, h + 36, secs[i].Raw.empty() ? 0xC0000080u : 0x40000040u);
        if (!secs[i].Raw.empty())
            f.replace(ptr[i], secs[i].Raw.size(), secs[i].Raw);
    }
    f += o.Overlay;
    Put32(f, kOpt + 64, Checksum(f, kOpt + 64));
    return f;
}

// ---- Independent reading ----

struct Found {
    std::string Type, Name; // "+TEXT" or "-NUMBER", as wrestool writes identifiers
    uint32_t Lang;
    uint32_t CodePage;
    std::string Data;
};

inline std::string IdText(const std::string& sec, uint32_t field) {
    if (!(field & 0x80000000u))
        return "-" + std::to_string(field);
    const uint32_t at = field & 0x7FFFFFFF;
    std::string s = "+";
    for (uint32_t i = 0, n = Get16(sec, at); i < n; ++i)
        s.push_back(static_cast<char>(Get16(sec, at + 2 + 2 * i))); // ASCII names in the tests
    return s;
}

struct Image {
    std::string File;
    uint32_t SectionCount() const { return Get16(File, kPE + 6); }
    uint32_t Sec(size_t i, size_t field) const { return Get32(File, SectionHeader(i) + field); }
    uint32_t Opt(size_t field) const { return Get32(File, kOpt + field); }
    uint32_t DirVA(int i) const { return Opt(96 + 8 * static_cast<size_t>(i)); }
    uint32_t DirSize(int i) const { return Opt(96 + 8 * static_cast<size_t>(i) + 4); }
    size_t Find(const std::string& name) const {
        for (size_t i = 0; i < SectionCount(); ++i)
            if (File.compare(SectionHeader(i), name.size(), name) == 0)
                return i;
        return SIZE_MAX;
    }
    std::string RawOf(size_t i) const { return File.substr(Sec(i, 20), Sec(i, 16)); }
};

// Every resource in table order (types, names, languages as listed in the file).
inline std::vector<Found> Resources(const Image& img) {
    std::vector<Found> out;
    size_t r = SIZE_MAX;
    for (size_t i = 0; i < img.SectionCount(); ++i)
        if (img.Sec(i, 12) == img.DirVA(2))
            r = i;
    if (r == SIZE_MAX)
        return out;
    const std::string sec = img.RawOf(r);
    const uint32_t va = img.Sec(r, 12);
    auto count = [&](uint32_t d) { return uint32_t{Get16(sec, d + 12)} + Get16(sec, d + 14); };
    for (uint32_t t = 0; t < count(0); ++t) {
        const uint32_t te = 16 + 8 * t, td = Get32(sec, te + 4) & 0x7FFFFFFF;
        for (uint32_t n = 0; n < count(td); ++n) {
            const uint32_t ne = td + 16 + 8 * n, nd = Get32(sec, ne + 4) & 0x7FFFFFFF;
            for (uint32_t l = 0; l < count(nd); ++l) {
                const uint32_t le = nd + 16 + 8 * l, de = Get32(sec, le + 4);
                Found f{IdText(sec, Get32(sec, te)), IdText(sec, Get32(sec, ne)), Get32(sec, le),
                        Get32(sec, de + 8),
                        img.File.substr(img.Sec(r, 20) + Get32(sec, de) - va, Get32(sec, de + 4))};
                out.push_back(f);
            }
        }
    }
    return out;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
inline void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

} // namespace synth
