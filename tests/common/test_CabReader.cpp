// The cabinet reader: cabinets written by the peers (libgcab, the gcab tool), cabinets
// made by hand here block by block (MSZIP blocks that refer back into the block before,
// stored folders, reserved bytes, several folders), and damaged ones.
#include "u_CabReader.h"
#include "u_MFSCab.h"

#include "cabinet_maker.h"
#include "random_bytes.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#ifndef _WIN32
#include "../cli/run_command.h"
#endif

namespace {

using namespace cabmaker;

std::string Decoded(const std::string& cab, const std::string& name, TCabDecodeResult* result = nullptr) {
    const TCabTable table = ReadCabTable(cab);
    for (const TCabEntry& e : table.Entries)
        if (e.Name == name) {
            std::string content;
            const TCabDecodeResult r = DecodeCabMember(cab, table, e, content);
            if (result)
                *result = r;
            return r == TCabDecodeResult::Ok ? content : "(failed)";
        }
    return "(missing)";
}

#ifndef _WIN32
// A command of the shell (the peers gcab and cabextract), its status and output.
int RunShell(const std::string& command, std::string* output = nullptr) {
    const TCommandRun run = RunCommand(command + " 2>&1");
    if (output)
        *output = run.Out;
    return run.Status;
}
#endif

} // namespace

TEST(CabReader, BlocksReferringBackIntoTheBlockBefore) {
    // 16 KB of noise, repeated: only the first copy takes room; the blocks after the
    // first are references into the block before them, which they could not be
    // decoded without.
    const std::string part = RandomBytes(16384, 1);
    const std::string content = part + part + part + part + part.substr(0, 9000) + "tail";
    const std::string cab = MakeCabinet({{"info.mfs", content}}, {{}});
    EXPECT_EQ(ReadCabTable(cab).Folders.at(0).Blocks, 3);
    EXPECT_LT(cab.size(), 16384u + 2000u) << "the later blocks are references";
    EXPECT_EQ(Decoded(cab, "info.mfs"), content);
#ifndef _WIN32
    // A peer agrees about what the cabinet holds.
    TTempFolder dir;
    WriteFileText(cab, dir.File("history.cab"));
    std::string out;
    ASSERT_EQ(RunShell("cabextract -q -d " + dir.File("x") + " " + dir.File("history.cab"), &out), 0) << out;
    EXPECT_EQ(ReadFileText(dir.File("x/info.mfs")), content);
#endif
}

TEST(CabReader, AMemberInsideItsFolderReadsTheHistoryBeforeIt) {
    // "b" starts in the middle of the first block; the second block, wholly inside "b",
    // refers back into "a" as well as into "b".
    const std::string part = RandomBytes(16384, 6);
    const std::string cab = MakeCabinet({{"a", part}, {"b", part + part + part}}, {{}});
    EXPECT_EQ(ReadCabTable(cab).Folders.at(0).Blocks, 2);
    EXPECT_EQ(Decoded(cab, "b"), part + part + part);
    EXPECT_EQ(Decoded(cab, "a"), part);
}

TEST(CabReader, StoredFoldersSeveralFoldersAndReservedBytes) {
    const std::string big = RandomBytes(70000, 2);
    const std::vector<TMember> members = {
        {"a.txt", "first member", 0}, {"b.bin", big, 0}, {"c.txt", "in the stored folder", 1}, {"empty", "", 1}};
    for (const uint8_t reserve : {uint8_t(0), uint8_t(6)}) {
        const std::string cab = MakeCabinet(members, {{tcompTYPE_MSZIP, false}, {tcompTYPE_NONE, false}}, reserve);
        const TCabTable table = ReadCabTable(cab);
        ASSERT_TRUE(table.TableComplete);
        EXPECT_EQ(table.Folders.size(), 2u);
        EXPECT_EQ(table.DataReserve, reserve);
        EXPECT_EQ(Decoded(cab, "a.txt"), "first member");
        EXPECT_EQ(Decoded(cab, "b.bin"), big) << "a member that starts inside a block";
        EXPECT_EQ(Decoded(cab, "c.txt"), "in the stored folder");
        EXPECT_EQ(Decoded(cab, "empty"), "");
    }
}

#ifndef _WIN32
// Cabinets of the peers, which exist on Linux only.
TEST(CabReader, CabinetsOfThePeers) {
    TTempFolder dir;
    const std::string noise = RandomBytes(100000, 3);
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += std::to_string(i) + "\n";
    WriteFileText(noise, dir.File("in/noise.bin"));
    WriteFileText(text, dir.File("in/lines.txt"));
    WriteFileText("", dir.File("in/empty"));
    std::string out;
    for (const char* option : {"-c -z", "-c"}) {
        const std::string cab = dir.File("peer.cab");
        std::remove(cab.c_str());
        ASSERT_EQ(RunShell("cd " + dir.File("in") + " && gcab " + option + " " + cab + " noise.bin lines.txt empty", &out),
                  0)
            << out;
        const std::string bytes = ReadFileText(cab);
        EXPECT_EQ(Decoded(bytes, "noise.bin"), noise) << option;
        EXPECT_EQ(Decoded(bytes, "lines.txt"), text) << option;
        EXPECT_EQ(Decoded(bytes, "empty"), "") << option;
    }
    // Our own cabinets, as the compiler writes them.
    TMFS store;
    store.Session()->CreateFile("\\lines.txt", 0, false)->Content = text;
    const std::string packed = PackStore(store, "\\Files.cab");
    TMFS back;
    UnpackStore(back, packed);
    EXPECT_EQ(back.Session()->OpenFile("\\lines.txt")->Content, text);
}

TEST(CabReader, ChecksumsOfDataBlocksAreChecked) {
    TTempFolder dir;
    WriteFileText(RandomBytes(50000, 4), dir.File("in/n.bin"));
    std::string out;
    ASSERT_EQ(RunShell("cd " + dir.File("in") + " && gcab -c -z " + dir.File("c.cab") + " n.bin", &out), 0) << out;
    std::string cab = ReadFileText(dir.File("c.cab"));
    const TCabTable table = ReadCabTable(cab);
    ASSERT_EQ(table.Folders.size(), 1u);
    const size_t block = table.Folders[0].DataOffset;
    ASSERT_NE(cab.substr(block, 4), std::string(4, '\0')) << "the peer writes checksums";
    EXPECT_EQ(Decoded(cab, "n.bin").size(), 50000u);
    // A changed stored checksum, a changed size field and a changed data byte are each found.
    for (const size_t at : {block, block + 6, block + 20}) {
        std::string damaged = cab;
        damaged[at] ^= 0x10;
        TCabDecodeResult result = TCabDecodeResult::Ok;
        Decoded(damaged, "n.bin", &result);
        EXPECT_EQ(result, TCabDecodeResult::DataFailure) << at;
    }
    // Without a checksum (0) the block is taken as it is.
    Set32(cab, block, 0);
    EXPECT_EQ(Decoded(cab, "n.bin").size(), 50000u);
}
#endif

TEST(CabReader, WhatIsRefused) {
    const std::string content = RandomBytes(40000, 5);
    const std::string cab = MakeCabinet({{"m", content}}, {{}});
    TCabDecodeResult result = TCabDecodeResult::Ok;
    // Unknown compression (LZX).
    std::string lzx = cab;
    lzx[36 + 6] = 3;
    Decoded(lzx, "m", &result);
    EXPECT_EQ(result, TCabDecodeResult::BadCompression);
    // Another version.
    std::string version = cab;
    version[24] = 4;
    Decoded(version, "m", &result);
    EXPECT_EQ(result, TCabDecodeResult::UnknownVersion);
    // A member that claims more than its folder's blocks hold, or lies in no folder.
    const TCabTable table = ReadCabTable(cab);
    TCabEntry longer = table.Entries[0];
    longer.Size += 1;
    std::string content2;
    EXPECT_EQ(DecodeCabMember(cab, table, longer, content2), TCabDecodeResult::DataFailure);
    TCabEntry elsewhere = table.Entries[0];
    elsewhere.Folder = 1;
    EXPECT_EQ(DecodeCabMember(cab, table, elsewhere, content2), TCabDecodeResult::Corrupt);
    // A block that decodes to more or less than it claims, or lacks "CK".
    const size_t block = table.Folders[0].DataOffset;
    for (const auto& [at, value] : std::vector<std::pair<size_t, char>>{{block + 6, 0x7F}, {block + 8, 'X'}}) {
        std::string damaged = cab;
        damaged[at] = value;
        Decoded(damaged, "m", &result);
        EXPECT_EQ(result, TCabDecodeResult::DataFailure);
    }
    // Tables cut short.
    EXPECT_FALSE(ReadCabTable(cab.substr(0, 40)).TableComplete);
    EXPECT_FALSE(ReadCabTable(cab.substr(0, 35)).IsCabinet);
    // Every cut and many flipped bits: never more than the member claims, never a crash.
    for (size_t cut = 0; cut < cab.size(); cut += 1 + cut / 16) {
        std::string out;
        const std::string part = cab.substr(0, cut);
        const TCabTable t = ReadCabTable(part);
        for (const TCabEntry& e : t.Entries) {
            if (DecodeCabMember(part, t, e, out) == TCabDecodeResult::Ok) {
                EXPECT_EQ(out.size(), e.Size);
            }
        }
    }
}
