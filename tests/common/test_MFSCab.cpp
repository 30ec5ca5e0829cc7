#include "u_MFSCab.h"

#include "temp_folder.h"

#include "../cli/run_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

template <typename E, typename F>
std::string ErrorOf(F&& body) {
    try {
        body();
    } catch (const E& e) {
        return e.Message();
    }
    ADD_FAILURE() << "expected exception not raised";
    return std::string();
}

class TempDir {
public:
    TTempFolder Folder{"mfscab-test"};
    std::string Path = Folder.Path();
};

// Runs a shell command; its exit status and standard output.
int Shell(const std::string& command, std::string* output = nullptr) {
    const TCommandRun run = RunCommand(command + " 2>&1");
    if (output)
        *output = run.Out;
    return run.Status;
}

bool HavePeers() {
    return Shell("command -v cabextract && command -v gcab") == 0;
}

// A store with folders, empty files, binary contents and non-ASCII names.
void FillStore(TMFS& store) {
    auto* s = store.Session();
    s->ForceFolders("\\Pages\\Pictures\\Empty");
    s->CreateFile("\\Pages\\Index.htm", 0, false)->Content = "<html><body>Welcome</body></html>\r\n";
    s->CreateFile("\\Pages\\empty.txt", 0x01, false);
    std::string binary(70000, '\0');
    std::mt19937 rng(7);
    for (char& c : binary)
        c = char(rng());
    s->CreateFile("\\Pages\\Pictures\\noise.bin", 0x06, false)->Content = binary;
    s->CreateFile("\\\xC3\x89t\xC3\xA9 \xD0\x9F\xD1\x80\xD0\xB8.htm", 0, false)->Content = "\xC3\xA9";
    store.Root()->Time = 0x5A2B3C4D;
    s->FindItem("\\Pages")->Time = 0;          // not a valid date: kept bit for bit anyway
    s->FindItem("\\Pages")->Attributes = 0x12; // hidden folder
    s->OpenFile("\\Pages\\Index.htm")->Time = 0xFFFFFFFF;
}

} // namespace

TEST(MFSCabErrors, MessageFormat) {
    EXPECT_EQ(EMFSCabSystemError(3, 0, true, true, "ignored").Message(), "Out of memory in FCI [0x0003]");
    EXPECT_EQ(EMFSCabSystemError(6, -1, true, true, "Path \"\\x\\\" not found").Message(),
              "Could not create cabinet file [0x0006].\r\nPath \"\\x\\\" not found");
    EXPECT_EQ(EMFSCabSystemError(11, -1, true, false, "boom").Message(), "FDI aborted [0x000B].\r\nboom");
    EXPECT_EQ(EMFSCabSystemError(99, 0, true, false, "").Message(), "FDI error [0x0063]");
    EXPECT_EQ(EMFSCabSystemError(9, 0, true, true, "").Message(), "FCI error [0x0009]");
    EXPECT_EQ(EMFSCabSystemError(4, -1, false, true, "x").Message(), "FCI error");
    EXPECT_EQ(EMFSCabSystemError(4, -1, false, false, "x").Message(), "FDI error");
    EXPECT_EQ(FCIErrorText(8), "Failure compressing data");
    EXPECT_EQ(FDIErrorText(0), "No error");
    EXPECT_EQ(FDIErrorText(10), "Cabinet returned on fdintNEXT_CABINET is incorrect");
    EXPECT_EQ(FDIErrorText(12), "FDI error");
    EXPECT_EQ(FCIErrorText(-1), "FCI error");
}

TEST(MFSCabStore, EmptyStoreRoundTrip) {
    TMFS empty;
    const std::string cab = PackStore(empty, "\\Files.cab");
    ASSERT_GE(cab.size(), 36u);
    EXPECT_EQ(cab.substr(0, 4), "MSCF");
    TMFS back;
    back.Session()->CreateFile("\\stale", 0, false);
    UnpackStore(back, cab);
    EXPECT_EQ(back.Root()->ChildCount(), 0);
    EXPECT_EQ(back.SaveToString(), empty.SaveToString());
}

TEST(MFSCabStore, RichStoreSurvivesByteForByte) {
    TMFS store;
    FillStore(store);
    const std::string image = store.SaveToString();
    const std::string cab = PackStore(store, "System.cab");
    TMFS back;
    UnpackStore(back, cab);
    EXPECT_EQ(back.SaveToString(), image);
    EXPECT_EQ(back.Session()->FindItem("\\Pages")->Time, 0u);
    EXPECT_EQ(back.Session()->OpenFile("\\pages\\index.htm")->Time, 0xFFFFFFFFu);
    EXPECT_EQ(back.Session()->OpenFile("\\Pages\\Pictures\\noise.bin")->Attributes, 0x26u);
}

TEST(MFSCabStore, FixedMemberTimeGivesIdenticalBytes) {
    TMFS store;
    FillStore(store);
    const std::string first = PackStore(store, "\\Files.cab", 0x2A435000u);
    EXPECT_EQ(PackStore(store, "\\Files.cab", 0x2A435000u), first);
    TMFS work;
    work.Session()->CreateFile("\\c.cab", 0, false)->Content = first;
    TMFSCabReader reader(work.Session(), "\\c.cab");
    reader.Extract("info.mfs", "\\info.mfs");
    EXPECT_EQ(work.Session()->OpenFile("\\info.mfs")->Time, 0x2A435000u);
}

TEST(MFSCabWriter, MemberKeepsTimeAndMaskedAttributes) {
    TMFS mfs;
    auto* s = mfs.Session();
    s->ForceFolders("\\src");
    TMFSFile* a = s->CreateFile("\\src\\a.txt", 0, false);
    a->Content = std::string(5000, 'a');
    a->Time = 0x2A435000u; // 2001-02-03 10:00:00
    a->Attributes = 0xFF;  // only 0x27 goes into the cabinet
    TMFSFile* e = s->CreateFile("\\src\\\xC3\xA9t\xC3\xA9.txt", 0x02, false);
    e->Content = "accented";
    e->Time = 0x2A435001u;
    TMFSFile* b = s->CreateFile("\\src\\B.bin", 0, false);
    b->Content = std::string("\0\1\2\3", 4);
    b->Time = 0x12345678;
    {
        TMFSCabWriter writer(s, "\\", "out\\x.cab");
        EXPECT_EQ(writer.CabinetPath(), "\\out\\x.cab");
        EXPECT_EQ(ErrorOf<EMFSCabSystemError>([&] { writer.Flush(); }),
                  "Could not create cabinet file [0x0006].\r\nPath \"\\out\\\" not found");
        EXPECT_EQ(writer.ErrorCode(), 6);
        EXPECT_EQ(writer.ErrorType(), -1);
        s->ForceFolders("\\out");
        writer.AddFile("src/a.txt");
        writer.AddFile("\\src\\B.bin");
        writer.AddFile("\\src\\\xC3\xA9t\xC3\xA9.txt");
        EXPECT_EQ(
            ErrorOf<EMFSCabSystemError>([&] { writer.AddFile("\\src\\missing"); }),
            "Failure opening file to be stored in cabinet [0x0001].\r\nFile \"\\src\\missing\" not found");
        writer.Flush();
    }
    // No scratch files are left behind.
    EXPECT_EQ(s->FindItem("\\")->AsFolder()->ChildCount(), 2);
    TMFSCabReader reader(s, "\\out\\x.cab");
    EXPECT_EQ(reader.FileCount(), 3u);
    EXPECT_EQ(reader.CabinetSize(), s->OpenFile("\\out\\x.cab")->Content.size());
    reader.Extract("A.TXT", "\\dst\\deep\\a.txt");
    reader.Extract("b.bin", "\\dst\\b");
    TMFSFile* a2 = s->OpenFile("\\dst\\deep\\a.txt");
    EXPECT_EQ(a2->Content, a->Content);
    EXPECT_EQ(a2->Time, 0x2A435000u);
    EXPECT_EQ(a2->Attributes, 0x27u);
    TMFSFile* b2 = s->OpenFile("\\dst\\b");
    EXPECT_EQ(b2->Content, b->Content);
    EXPECT_EQ(b2->Time, 0x12345678u);
    EXPECT_EQ(b2->Attributes, 0x20u);
    reader.Extract("\xC3\x89T\xC3\x89.TXT", "\\dst\\e"); // case-blind beyond ASCII
    TMFSFile* e2 = s->OpenFile("\\dst\\e");
    EXPECT_EQ(e2->Content, "accented");
    EXPECT_EQ(e2->Time, 0x2A435001u);
    EXPECT_EQ(e2->Attributes, 0x22u);
}

TEST(MFSCabWriter, ScratchFolderFailures) {
    TMFS mfs;
    auto* s = mfs.Session();
    EXPECT_EQ(ErrorOf<EMFSCabSystemError>([&] { TMFSCabWriter(s, "\\missing", "\\x.cab"); }),
              "Could not create a temporary file [0x0004].\r\nPath \"\\missing\\\" not found");
    const std::string deep = "\\" + std::string(250, 'd');
    s->ForceFolders(deep);
    EXPECT_EQ(ErrorOf<EMFSCabSystemError>([&] { TMFSCabWriter(s, deep, "\\x.cab"); }),
              "Could not create a temporary file [0x0004].\r\nTemporary file name is too big (\"" + deep +
                  "\\fci00000000\")");
    EXPECT_FALSE(s->Exists(deep + "\\fci00000000"));
}

TEST(MFSCabReader, NotACabinet) {
    for (const std::string& bytes :
         std::vector<std::string>{std::string(), std::string("MSCF"), std::string(200, 'x'),
                                  std::string("MSCf") + std::string(60, '\0')}) {
        TMFS store;
        EXPECT_EQ(ErrorOf<EMFSCabReaderError>([&] { UnpackStore(store, bytes); }),
                  "File \"\\info.cab\" is not a cabinet");
    }
}

TEST(MFSCabReader, CabinetWithoutInfoMfs) {
    TMFS mfs;
    auto* s = mfs.Session();
    s->CreateFile("\\other.txt", 0, false)->Content = "x";
    {
        TMFSCabWriter writer(s, "", "\\o.cab");
        writer.AddFile("\\other.txt");
        writer.Flush();
    }
    TMFS store;
    EXPECT_EQ(ErrorOf<EMFSError>([&] { UnpackStore(store, s->OpenFile("\\o.cab")->Content); }),
              "File \"\\info.mfs\" not found");
}

TEST(MFSCabReader, TargetFailureSurfacesWithCallbackMessage) {
    TMFS mfs;
    auto* s = mfs.Session();
    s->CreateFile("\\info.mfs", 0, false)->Content = TMFS().SaveToString();
    {
        TMFSCabWriter writer(s, "", "\\c.cab");
        writer.AddFile("\\info.mfs");
        writer.Flush();
    }
    s->ForceFolders("\\taken\\sub");
    TMFSCabReader reader(s, "\\c.cab");
    EXPECT_EQ(ErrorOf<EMFSCabSystemError>([&] { reader.Extract("INFO.MFS", "\\taken\\sub"); }),
              "FDI aborted [0x000B].\r\nFolder \"\\taken\\sub\" already exists");
    EXPECT_EQ(reader.CallbackErrorCode(), -1);
    EXPECT_EQ(reader.ErrorType(), -1);
    s->CreateFile("\\file", 0, false);
    EXPECT_EQ(ErrorOf<EMFSCabSystemError>([&] { reader.Extract("info.mfs", "\\file\\x"); }),
              "FDI aborted [0x000B].\r\nFile \"\\file\\\" already exists");
    // A later extraction works again.
    reader.Extract("info.mfs", "\\ok\\info.mfs");
    EXPECT_EQ(reader.CallbackErrorCode(), 0);
    EXPECT_TRUE(s->Exists("\\ok\\info.mfs"));
    EXPECT_EQ(TMFSCabReader::CurrentReader(), nullptr);
}

TEST(MFSCabReader, SpannedCabinetsAreRefused) {
    TMFS store;
    std::string cab = PackStore(store, "\\a.cab");
    // The one file entry continued from a previous cabinet.
    const uint32_t filesAt = uint8_t(cab[16]) | uint8_t(cab[17]) << 8;
    std::string partial = cab;
    partial[filesAt + 8] = char(0xFD);
    partial[filesAt + 9] = char(0xFF);
    EXPECT_EQ(ErrorOf<EMFSCabSystemError>([&] { UnpackStore(store, partial); }),
              "FDI aborted [0x000B].\r\nSpanned cabinets are unsupported now");
    std::string next = cab;
    next[30] = char(next[30] | 0x02);
    EXPECT_EQ(ErrorOf<EMFSCabSystemError>([&] { UnpackStore(store, next); }),
              "FDI aborted [0x000B].\r\nSpanned cabinets are unsupported now");
}

TEST(MFSCabReader, DamagedCabinetsFailCleanly) {
    TMFS store;
    FillStore(store);
    const std::string cab = PackStore(store, "\\a.cab");
    std::mt19937 rng(3);
    int failures = 0;
    auto attempt = [&](const std::string& bytes) {
        TMFS back;
        try {
            UnpackStore(back, bytes);
        } catch (const EMFSCabError&) {
            ++failures;
        } catch (const EMFSError&) {
            ++failures;
        }
    };
    for (size_t cut = 0; cut < cab.size(); cut += 1 + cut / 8)
        attempt(cab.substr(0, cut));
    for (int i = 0; i < 300; ++i) {
        std::string flipped = cab;
        flipped[rng() % flipped.size()] ^= char(1 << (rng() % 8));
        attempt(flipped);
    }
    EXPECT_GT(failures, 0);
    // A truncated data block is a decompression failure, not a crash.
    EXPECT_EQ(ErrorOf<EMFSCabSystemError>([&] {
                  TMFS back;
                  UnpackStore(back, cab.substr(0, cab.size() - 100));
              }).rfind("Failure decompressing data from a cabinet file [0x0007]", 0),
              0u);
}

TEST(MFSCabPeers, OurCabinetsAreReadByPeers) {
    if (!HavePeers())
        GTEST_SKIP() << "cabextract or gcab missing";
    TempDir dir;
    TMFS store;
    FillStore(store);
    const std::string image = store.SaveToString();
    WriteFileText(PackStore(store, "\\Files.cab"), dir.Path + "/Files.cab");
    WriteFileText(PackStore(TMFS(), "System.cab"), dir.Path + "/System.cab");
    std::string out;
    for (const char* name : {"Files.cab", "System.cab"}) {
        EXPECT_EQ(Shell("cabextract -t " + dir.Path + "/" + name, &out), 0) << out;
        EXPECT_NE(out.find("info.mfs  OK"), std::string::npos) << out;
        EXPECT_EQ(Shell("gcab -l " + dir.Path + "/" + name, &out), 0) << out;
        EXPECT_EQ(out.rfind("info.mfs ", 0), 0u) << out; // the one member
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    }
    ASSERT_EQ(Shell("cabextract -q -d " + dir.Path + "/x " + dir.Path + "/Files.cab", &out), 0) << out;
    EXPECT_EQ(ReadFileText(dir.Path + "/x/info.mfs"), image);
}

TEST(MFSCabPeers, PeerCabinetsAreRead) {
    if (!HavePeers())
        GTEST_SKIP() << "cabextract or gcab missing";
    TempDir dir;
    TMFS store;
    FillStore(store);
    const std::string image = store.SaveToString();
    WriteFileText(image, dir.Path + "/in/info.mfs");
    WriteFileText("other", dir.Path + "/in/aaa.txt");
    std::string out;
    for (const char* option : {"-c -z", "-c"}) {
        const std::string cab = dir.Path + "/peer.cab";
        std::remove(cab.c_str());
        ASSERT_EQ(
            Shell("cd " + dir.Path + "/in && gcab " + option + " " + cab + " aaa.txt info.mfs", &out), 0)
            << out;
        TMFS back;
        UnpackStore(back, ReadFileText(cab));
        EXPECT_EQ(back.SaveToString(), image) << option;
    }
}

namespace {

TEST(MFSCabReader, MemberClaimingMoreThanABookMayHoldIsRefusedAtOnce) {
    TMFS store;
    store.Session()->CreateFile("\\page.htm", 0, false)->Content = std::string(100000, 'p');
    std::string cab = PackStore(store, "\\Files.cab");
    // The first file entry of the cabinet: its uncompressed size claims 2 GB.
    const size_t entry = static_cast<unsigned char>(cab[16]) | static_cast<unsigned char>(cab[17]) << 8;
    cab.replace(entry, 4, std::string("\0\0\0\x80", 4));
    TMFS back;
    EXPECT_EQ(ErrorOf<EMFSCabReaderError>([&] { UnpackStore(back, cab); }),
              "File \"info.mfs\" of cabinet \"\\info.cab\" claims " + std::to_string(0x80000000u) +
                  " bytes, more than the 1073741824 bytes one file of a book may have");
    // A big member is decoded in memory, at its size: no temporary file is made, and a
    // temporary folder that takes no file changes nothing.
    TMFS big;
    big.Session()->CreateFile("\\big.htm", 0, false)->Content = std::string(40u << 20, 'b');
    const std::string bigCab = PackStore(big, "\\Files.cab");
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    TempDir scratch;
    for (const std::string& tmp : {scratch.Path, std::string("/proc")}) {
        ::setenv("TMPDIR", tmp.c_str(), 1);
        TMFS again;
        UnpackStore(again, bigCab);
        EXPECT_EQ(again.Session()->OpenFile("\\big.htm")->Content.size(), 40u << 20);
        EXPECT_TRUE(fs::is_empty(scratch.Path));
    }
    if (oldTmp)
        ::setenv("TMPDIR", savedTmp.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    // A cabinet handed over (moved) unpacks as one that is only looked at.
    std::string whole = PackStore(store, "\\Files.cab");
    UnpackStore(back, std::move(whole));
    EXPECT_EQ(back.Session()->OpenFile("\\page.htm")->Content, std::string(100000, 'p'));
}

} // namespace
