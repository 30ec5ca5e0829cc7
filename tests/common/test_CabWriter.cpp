// The cabinet writer against the readers of cabinets: every cabinet it writes must read
// back, member for member, with each reader of Readers() (add a reader there and every
// test below checks it too).
#include "u_CabWriter.h"
#include "u_MFSCab.h"

#include "random_bytes.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

using TContents = std::map<std::string, std::string>; // member name -> content

int Shell(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void WriteHost(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string ReadHost(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every regular file below Folder by its name (the members have no folders).
TContents ReadFolder(const std::string& folder) {
    TContents contents;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            contents[entry.path().filename().string()] = ReadHost(entry.path().string());
    return contents;
}

// A reader of cabinets: the members of a cabinet file, or an empty optional when it
// refuses the cabinet.
struct TCabReader {
    std::string Name;
    bool Available;
    std::function<std::optional<TContents>(const std::string& cabFile, const std::vector<std::string>& names,
                                           const std::string& scratch)>
        Read;
};

std::vector<TCabReader> Readers() {
    const bool cabextract = Shell("command -v cabextract") == 0;
    const bool gcab = Shell("command -v gcab") == 0;
    return {
        // The book core's own cabinet reader (zlib), as every reader program reads books.
        {"book core", true,
         [](const std::string& cabFile, const std::vector<std::string>& names,
            const std::string&) -> std::optional<TContents> {
             TMFS work;
             work.Session()->CreateFile("\\in.cab", 0, false)->Content = ReadHost(cabFile);
             TContents contents;
             try {
                 TMFSCabReader reader(work.Session(), "\\in.cab");
                 for (const std::string& name : names) {
                     reader.Extract(name, "\\out\\" + name);
                     contents[name] = work.Session()->OpenFile("\\out\\" + name)->Content;
                 }
             } catch (const Exception&) {
                 return std::nullopt;
             }
             return contents;
         }},
        // cabextract (libmspack) tests the cabinet, checksums included, then extracts it.
        {"cabextract", cabextract,
         [](const std::string& cabFile, const std::vector<std::string>&,
            const std::string& scratch) -> std::optional<TContents> {
             if (Shell("cabextract -q -t '" + cabFile + "'") != 0 ||
                 Shell("cabextract -q -d '" + scratch + "' '" + cabFile + "'") != 0)
                 return std::nullopt;
             return ReadFolder(scratch);
         }},
        {"gcab", gcab,
         [](const std::string& cabFile, const std::vector<std::string>&,
            const std::string& scratch) -> std::optional<TContents> {
             if (Shell("gcab -x -C '" + scratch + "' '" + cabFile + "'") != 0)
                 return std::nullopt;
             return ReadFolder(scratch);
         }},
    };
}

// Checks that every available reader gives back Expected from Cabinet.
void ExpectReadByAll(const std::string& cabinet, const TContents& expected, const std::string& what) {
    TTempFolder temp("cabwriter");
    const std::string cabFile = temp.File("test.cab");
    WriteHost(cabFile, cabinet);
    std::vector<std::string> names;
    for (const auto& [name, content] : expected)
        names.push_back(name);
    int n = 0;
    for (const TCabReader& reader : Readers()) {
        if (!reader.Available)
            continue;
        const std::string scratch = temp.File("out" + std::to_string(n++));
        fs::create_directory(scratch);
        const std::optional<TContents> got = reader.Read(cabFile, names, scratch);
        ASSERT_TRUE(got.has_value()) << reader.Name << " refuses " << what;
        EXPECT_EQ(got->size(), expected.size()) << reader.Name << ", " << what;
        for (const auto& [name, content] : expected) {
            const auto it = got->find(name);
            ASSERT_NE(it, got->end()) << reader.Name << " lacks " << name << ", " << what;
            EXPECT_TRUE(it->second == content) << reader.Name << ": " << name << " differs, " << what;
        }
    }
}

std::string Text(size_t size, unsigned seed) {
    static const char* const words[] = {"lamp ", "keeper ", "storm ", "harbour ", "lens ", "night "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size)
        s += words[rng() % 6];
    s.resize(size);
    return s;
}

uint16_t Get16(const std::string& b, size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}
uint32_t Get32(const std::string& b, size_t at) {
    return uint32_t(Get16(b, at)) | uint32_t(Get16(b, at + 2)) << 16;
}

// Members whose sizes sit on and around the block boundaries, the empty one included,
// with text, noise and a name beyond ASCII.
std::vector<TCabMember> BoundaryMembers(std::vector<std::string>& keep) {
    keep = {std::string(), "x", Text(32767, 1), RandomBytes(32768, 2), Text(32769, 3), RandomBytes(100001, 4),
            Text(200000, 5)};
    const char* names[] = {"empty.txt", "one.txt", "a.htm", "b.bin", "c.htm", "noise.bin", "\xC3\xA9t\xC3\xA9.htm"};
    std::vector<TCabMember> members;
    for (size_t i = 0; i < keep.size(); ++i)
        members.push_back({{names[i], 0, 0x5A2B3C4D, 0x21}, keep[i]});
    return members;
}

} // namespace

TEST(CabChecksum, KnownAnswers) {
    EXPECT_EQ(CabChecksum(""), 0u);
    EXPECT_EQ(CabChecksum("", 0x12345678), 0x12345678u);
    // Whole words are little-endian; the 1 to 3 bytes left over count most significant first.
    EXPECT_EQ(CabChecksum(std::string("\x01\x02\x03\x04", 4)), 0x04030201u);
    EXPECT_EQ(CabChecksum(std::string("\x01\x02\x03\x04\x05\x06\x07", 7)), 0x04030201u ^ 0x00050607u);
    EXPECT_EQ(CabChecksum(std::string("\x01\x02\x03\x04\x05\x06", 6)), 0x04030201u ^ 0x00000506u);
    EXPECT_EQ(CabChecksum(std::string("\x09", 1), 0xF0F0F0F0), 0xF0F0F0F9u);
}

TEST(CabWriter, EveryReaderReadsEveryBoundaryAndEverySetting) {
    std::vector<std::string> keep;
    const std::vector<TCabMember> members = BoundaryMembers(keep);
    TContents expected;
    for (const TCabMember& m : members)
        expected[m.Info.Name] = std::string(m.Content);
    for (bool chain : {false, true}) {
        TCabPackOptions options;
        options.Jobs = 3;
        options.ChainBlocks = chain;
        ExpectReadByAll(WriteCabinet(members, options), expected, chain ? "chained blocks" : "independent blocks");
    }
    // A cabinet of only an empty file.
    ExpectReadByAll(WriteCabinet({{{"nothing.txt", 0, 0, 0}, ""}}), {{"nothing.txt", ""}}, "an empty member");
}

TEST(CabWriter, SameBytesWhateverTheNumberOfThreads) {
    std::vector<std::string> keep;
    const std::vector<TCabMember> members = BoundaryMembers(keep);
    for (bool chain : {false, true}) {
        TCabPackOptions one;
        one.Jobs = 1;
        one.ChainBlocks = chain;
        const std::string reference = WriteCabinet(members, one);
        for (unsigned jobs : {2u, 3u, 8u, 0u}) {
            TCabPackOptions many = one;
            many.Jobs = jobs;
            EXPECT_TRUE(WriteCabinet(members, many) == reference) << jobs << " threads, chain " << chain;
        }
    }
}

TEST(CabWriter, EntriesCarryTheirOwnTimesAndAttributes) {
    // The rest of the tables is checked against gcab's below.
    const std::string cab = WriteCabinet({{{"a.htm", 0, 0x12345678, 0x01}, Text(40000, 9)},
                                          {{"\xC3\xA9.txt", 0, 0, 0x20}, "bee"}});
    EXPECT_EQ(Get32(cab, 8), cab.size());
    EXPECT_EQ(Get16(cab, 40), 2); // data blocks of 40003 bytes
    const size_t first = 44, second = first + 16 + 6;
    EXPECT_EQ(Get16(cab, first + 10), 0x1234); // date
    EXPECT_EQ(Get16(cab, first + 12), 0x5678); // time
    EXPECT_EQ(Get16(cab, first + 14), 0x01);   // attributes as given
    EXPECT_EQ(Get32(cab, second + 4), 40000u); // the second member's place in the folder
    EXPECT_EQ(Get16(cab, second + 14), 0xA0);  // a name in UTF-8 is marked
}

TEST(CabWriter, IndependentBlocksAreTheBlocksGcabWrites) {
    if (Shell("command -v gcab") != 0)
        GTEST_SKIP() << "gcab missing";
    // The peer deflates each block on its own at the library's default level: the data
    // blocks must come out byte for byte the same, so a cabinet is as small as its.
    TTempFolder temp("cabwriter");
    const std::string content = Text(150000, 11) + RandomBytes(50000, 12);
    WriteHost(temp.File("m.bin"), content);
    ASSERT_EQ(Shell("cd '" + temp.Path() + "' && gcab -c -z peer.cab m.bin"), 0);
    const std::string peer = ReadHost(temp.File("peer.cab"));
    TCabPackOptions options;
    options.Jobs = 2;
    const std::string ours = WriteCabinet({{{"m.bin", 0, 0, 0x20}, content}}, options);
    ASSERT_EQ(ours.size(), peer.size());
    EXPECT_EQ(ours.substr(0, 54), peer.substr(0, 54)); // the tables up to the member's date
    EXPECT_EQ(ours.substr(58), peer.substr(58));       // the name, the data blocks
    // Chained blocks are smaller on text.
    options.ChainBlocks = true;
    EXPECT_LT(WriteCabinet({{{"m.bin", 0, 0, 0x20}, content}}, options).size(), ours.size());
}

TEST(CabWriter, ContentsInAnyPiecesAndProgressByBlock) {
    const std::string a = RandomBytes(70000, 21), b = Text(30000, 22);
    std::vector<std::pair<uint64_t, uint64_t>> seen;
    TCabPackOptions options;
    options.Jobs = 2;
    options.Progress = [&](uint64_t packed, uint64_t total) { seen.push_back({packed, total}); };
    TCabinetWriter writer({{"a.bin", a.size(), 0, 0}, {"b.htm", b.size(), 0, 0}}, options);
    const std::string all = a + b;
    // Pieces that straddle the members and the blocks.
    for (size_t at = 0, step = 1; at < all.size(); at += step, step = step * 3 + 1)
        writer.Write(std::string_view(all).substr(at, step));
    const std::string pieces = writer.Finish();
    EXPECT_TRUE(pieces == WriteCabinet({{{"a.bin", 0, 0, 0}, a}, {{"b.htm", 0, 0, 0}, b}}));
    const std::vector<std::pair<uint64_t, uint64_t>> blocks = {{32768, 100000}, {65536, 100000}, {98304, 100000},
                                                               {100000, 100000}};
    EXPECT_EQ(seen, blocks);
}

TEST(CabWriter, WrongSizesAndTooMuchAreRefused) {
    {
        TCabinetWriter writer({{"a", 10, 0, 0}}, {});
        writer.Write("12345");
        EXPECT_THROW(writer.Finish(), ECabWriteError); // fewer bytes than announced
    }
    {
        TCabinetWriter writer({{"a", 4, 0, 0}}, {});
        EXPECT_THROW(writer.Write("12345"), ECabWriteError); // more
    }
    std::vector<TCabMemberInfo> many(65536, TCabMemberInfo{"m", 0, 0, 0});
    EXPECT_THROW(TCabinetWriter(many, {}), ECabWriteError);
    // 65536 blocks do not fit into the block count of a folder.
    EXPECT_THROW(TCabinetWriter({{"big", uint64_t{65536} * CabBlockSize, 0, 0}}, {}), ECabWriteError);
    // A failure in the middle (a thread's block is waited for) leaves cleanly.
    TCabPackOptions options;
    options.Jobs = 4;
    options.Progress = [](uint64_t packed, uint64_t) {
        if (packed > 3 * CabBlockSize)
            throw ECabWriteError("stop");
    };
    TCabinetWriter writer({{"a", 20 * CabBlockSize, 0, 0}}, options);
    EXPECT_THROW(
        {
            for (int i = 0; i < 20; ++i)
                writer.Write(RandomBytes(CabBlockSize, unsigned(i)));
            writer.Finish();
        },
        ECabWriteError);
}

TEST(MFSImageStream, SinkGivesTheImageOfSaveToString) {
    TMFS store;
    TMFSSession* s = store.Session();
    s->ForceFolders("\\a\\b");
    // Odd sizes everywhere, so that words of the checksum straddle the pieces.
    s->CreateFile("\\a\\b\\x.htm", 0, false)->Content = Text(70001, 31);
    s->CreateFile("\\a\\odd.bin", 0, false)->Content = RandomBytes(3, 32);
    s->CreateFile("\\zz", 0, false);
    const std::string image = store.SaveToString();
    struct TCollect final : TMFSImageSink {
        std::string Bytes;
        size_t Pieces = 0;
        void Write(std::string_view bytes) override {
            Bytes.append(bytes);
            ++Pieces;
        }
    } sink;
    store.SaveToSink(sink);
    EXPECT_TRUE(sink.Bytes == image);
    EXPECT_GT(sink.Pieces, 10u);
    EXPECT_EQ(store.ImageSize(), image.size());
    // The streamed pack unpacks to the same store, read where the image was never whole.
    TStorePackOptions options;
    options.MemberTime = 0x4B1D0000;
    options.Pack.Jobs = 3;
    TMFS back;
    UnpackStore(back, PackStore(store, options));
    EXPECT_TRUE(back.SaveToString() == image);
    EXPECT_EQ(PackStore(store, options), PackStore(store, "\\Files.cab", 0x4B1D0000u));
}
