#include "u_Resources.h"

#include "pe_synth.h"

#include "temp_folder.h"

#include <memory>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace fs = std::filesystem;
using synth::Found;
using synth::Image;

namespace {

std::u16string U(const char* s) {
    return std::u16string(s, s + std::strlen(s));
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        Temp = std::make_unique<TTempFolder>("quarvel-res");
        Dir = Temp->Path();
        File = Dir + "/book.exe";
    }
    void TearDown() override { fs::remove_all(Dir); }

    // A reader-like program: an icon group, two icon images, a version resource, a
    // named type with a resource in two languages, and ".reloc" after ".rsrc".
    synth::Options ReaderLike() {
        synth::Options o;
        o.Resources = {
            {uint16_t(14), U("MAINICON"), 0, std::string(20, 'g')},
            {uint16_t(3), uint16_t(1), 0, std::string(300, 'a')},
            {uint16_t(3), uint16_t(2), 0, std::string(1000, 'b')},
            {uint16_t(16), uint16_t(1), 0, std::string(90, 'v')},
            {U("RCDATA"), U("OTHER"), 1033, "english"},
            {U("RCDATA"), U("OTHER"), 1031, "deutsch"},
        };
        return o;
    }
    Image Write(const synth::Options& o) {
        Image img{synth::Build(o)};
        synth::WriteFile(File, img.File);
        return img;
    }
    Image Current() { return Image{synth::ReadFile(File)}; }

    std::unique_ptr<TTempFolder> Temp; // the folder itself
    std::string Dir, File;
};

const Found* FindRes(const std::vector<Found>& list, const std::string& type, const std::string& name,
                     uint32_t lang) {
    for (const Found& f : list)
        if (f.Type == type && f.Name == name && f.Lang == lang)
            return &f;
    return nullptr;
}

std::string Icon(const std::vector<std::pair<int, std::string>>& images, uint16_t type = 1) {
    std::string ico(6 + 16 * images.size(), '\0');
    synth::Put16(ico, 2, type);
    synth::Put16(ico, 4, static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(ico.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const size_t e = 6 + 16 * i;
        ico[e] = static_cast<char>(images[i].first); // width
        ico[e + 1] = static_cast<char>(images[i].first);
        synth::Put16(ico, e + 4, 1);  // planes
        synth::Put16(ico, e + 6, 32); // bits
        synth::Put32(ico, e + 8, static_cast<uint32_t>(images[i].second.size()));
        synth::Put32(ico, e + 12, offset);
        offset += static_cast<uint32_t>(images[i].second.size());
    }
    for (auto& [size, data] : images)
        ico += data;
    return ico;
}

} // namespace

TEST_F(Resources, ReadsEveryResourceOfALinkerLaidOutSection) {
    Write(ReaderLike());
    EXPECT_EQ(ReadResource(File, ResTypeIcon, 2), std::string(1000, 'b'));
    EXPECT_EQ(ReadResource(File, "RCDATA", "OTHER"), "deutsch"); // lowest language without a neutral one
    EXPECT_EQ(ReadResource(File, "rcdata", "other"), "deutsch"); // looked up upper-cased, like the loader
    EXPECT_EQ(ReadResource(File, "RCDATA", "FILES_MFS"), "");
    EXPECT_EQ(ReadResource(File, 10, "OTHER"), ""); // the numeric RCDATA type is another type
}

TEST_F(Resources, GrowingMovesWhatFollowsAndRepairsTheHeaders) {
    synth::Options o = ReaderLike();
    o.BssAfter = true;
    o.DebugDir = true;
    o.Overlay = "appended data of the book, kept";
    const Image before = Write(o);
    const size_t rsrc = before.Find(".rsrc"), bss = before.Find(".bss"), reloc = before.Find(".reloc"),
                 buildid = before.Find(".buildid");

    const std::string big(70000, 'F');
    WriteRCDataResource(File, "FILES_MFS", big);
    const Image after = Current();

    // Every old resource is still there, byte for byte, and the new one beside them.
    const auto found = synth::Resources(after);
    ASSERT_EQ(found.size(), 7u);
    for (const Found& f : synth::Resources(before)) {
        const Found* g = FindRes(found, f.Type, f.Name, f.Lang);
        ASSERT_NE(g, nullptr) << f.Type << f.Name;
        EXPECT_EQ(g->Data, f.Data);
        EXPECT_EQ(g->CodePage, 1252u); // unchanged resources keep their code page
    }
    const Found* added = FindRes(found, "+RCDATA", "+FILES_MFS", 0);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Data, big);
    EXPECT_EQ(added->CodePage, 0u);

    // Resource section rebuilt in place; file and virtual deltas applied to what follows.
    const uint32_t S = after.Sec(rsrc, 8), R = after.Sec(rsrc, 16);
    EXPECT_EQ(after.Sec(rsrc, 20), before.Sec(rsrc, 20));
    EXPECT_EQ(after.Sec(rsrc, 12), before.Sec(rsrc, 12));
    EXPECT_EQ(R, synth::Align(S, 0x200));
    EXPECT_EQ(after.DirSize(2), S);
    const int64_t fileDelta = int64_t{R} - before.Sec(rsrc, 16);
    const int64_t virtDelta = int64_t{synth::Align(S, 0x1000)} - synth::Align(before.Sec(rsrc, 8), 0x1000);
    EXPECT_GT(fileDelta, 70000);
    EXPECT_EQ(int64_t(after.File.size()), int64_t(before.File.size()) + fileDelta);
    EXPECT_EQ(after.Opt(56), before.Opt(56) + virtDelta); // SizeOfImage
    EXPECT_EQ(after.Opt(8), before.Opt(8) + fileDelta);   // SizeOfInitializedData
    for (size_t s : {reloc, buildid}) {
        EXPECT_EQ(after.Sec(s, 12), before.Sec(s, 12) + virtDelta);
        EXPECT_EQ(after.Sec(s, 20), before.Sec(s, 20) + fileDelta);
        EXPECT_EQ(after.RawOf(s), before.RawOf(s));
    }
    EXPECT_EQ(after.Sec(bss, 12), before.Sec(bss, 12) + virtDelta);
    EXPECT_EQ(after.Sec(bss, 20), 0u); // no raw data: nothing to move
    EXPECT_EQ(after.DirVA(5), before.DirVA(5) + virtDelta);
    EXPECT_EQ(after.DirVA(1), before.DirVA(1)); // before the resources: unchanged
    EXPECT_EQ(after.DirVA(6), before.DirVA(6));
    // Debug entries: the one with data after the resources moved, the other stayed.
    const uint32_t dbg = after.Sec(before.Find(".rdata"), 20) + 0x40;
    EXPECT_EQ(synth::Get32(after.File, dbg + 24), synth::Get32(before.File, dbg + 24));
    EXPECT_EQ(synth::Get32(after.File, dbg + 20), synth::Get32(before.File, dbg + 20));
    EXPECT_EQ(synth::Get32(after.File, dbg + 28 + 24), synth::Get32(before.File, dbg + 28 + 24) + fileDelta);
    EXPECT_EQ(synth::Get32(after.File, dbg + 28 + 20), synth::Get32(before.File, dbg + 28 + 20) + virtDelta);
    EXPECT_EQ(synth::Get32(after.File, dbg + 28 + 24), after.Sec(buildid, 20));
    // Appended data kept at the end; checksum is the standard one.
    EXPECT_EQ(after.File.substr(after.File.size() - o.Overlay.size()), o.Overlay);
    EXPECT_EQ(after.Opt(64), synth::Checksum(after.File, synth::kOpt + 64));
    EXPECT_EQ(after.Opt(64), PEImageChecksum(after.File.data(), after.File.size(), synth::kOpt + 64));
}

TEST_F(Resources, RewritingReplacesDataAndKeepsOrderShrinkingCutsTheFile) {
    Write(ReaderLike());
    WriteRCDataResource(File, "FILES_MFS", std::string(100000, 'x'));
    const Image big = Current();
    std::vector<std::string> order;
    for (const Found& f : synth::Resources(big))
        order.push_back(f.Type + f.Name + std::to_string(f.Lang));
    // Named types first, then numbered ascending; names in code-unit order.
    EXPECT_EQ(order, (std::vector<std::string>{"+RCDATA+FILES_MFS0", "+RCDATA+OTHER1031", "+RCDATA+OTHER1033",
                                               "-3-10", "-3-20", "-14+MAINICON0", "-16-10"}));

    WriteRCDataResource(File, "FILES_MFS", "small");
    const Image small = Current();
    std::vector<std::string> order2;
    for (const Found& f : synth::Resources(small))
        order2.push_back(f.Type + f.Name + std::to_string(f.Lang));
    EXPECT_EQ(order2, order);
    EXPECT_EQ(FindRes(synth::Resources(small), "+RCDATA", "+FILES_MFS", 0)->Data, "small");
    const size_t rsrc = small.Find(".rsrc"), reloc = small.Find(".reloc");
    const int64_t fileDelta = int64_t{small.Sec(rsrc, 16)} - big.Sec(rsrc, 16);
    EXPECT_LT(fileDelta, -90000);
    EXPECT_EQ(int64_t(small.File.size()), int64_t(big.File.size()) + fileDelta);
    EXPECT_EQ(small.RawOf(reloc), big.RawOf(reloc));
    EXPECT_EQ(small.Opt(64), synth::Checksum(small.File, synth::kOpt + 64));
}

TEST_F(Resources, EmptyDataGivesAResourceOfSizeZero) {
    Write(ReaderLike());
    WriteResource(File, "RCDATA", "SYSTEM_MFS", "");
    const auto found = synth::Resources(Current());
    const Found* f = FindRes(found, "+RCDATA", "+SYSTEM_MFS", 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Data, "");
}

TEST_F(Resources, NewTreeIsOrderedNamedFirstByCodeUnitThenByNumber) {
    Write(ReaderLike());
    TResourceUpdateHandle u = BeginResourceUpdate(File, true);
    ASSERT_NE(u, nullptr);
    const std::string d = "d";
    for (const TResName& type : {TResName(20), TResName("b"), TResName(5), TResName("B"), TResName("ab")})
        ASSERT_TRUE(UpdateResourceEntry(u, type, 7, 0, d.data(), d.size()));
    for (uint16_t lang : {1033, 0, 1031})
        ASSERT_TRUE(UpdateResourceEntry(u, 5, "N", lang, d.data(), d.size()));
    ASSERT_TRUE(EndResourceUpdate(u, false));
    std::vector<std::string> order;
    for (const Found& f : synth::Resources(Current()))
        order.push_back(f.Type + f.Name + std::to_string(f.Lang));
    EXPECT_EQ(order, (std::vector<std::string>{"+B-70", "+ab-70", "+b-70", "-5+N0", "-5+N1031", "-5+N1033",
                                               "-5-70", "-20-70"}));
}

TEST_F(Resources, DeletingALanguageANameOrAType) {
    synth::Options o = ReaderLike();
    o.Resources.push_back({U("RCDATA"), U("OTHER"), 0, "neutral"});
    o.Resources.push_back({U("RCDATA"), U("KEEP"), 0, "kept"});
    Write(o);
    auto names = [&] {
        std::vector<std::string> n;
        for (const Found& f : synth::Resources(Current()))
            n.push_back(f.Type + f.Name + std::to_string(f.Lang));
        return n;
    };
    auto del = [&](const TResName& t, const TResName& n, uint16_t lang) {
        TResourceUpdateHandle u = BeginResourceUpdate(File, false);
        ASSERT_NE(u, nullptr);
        ASSERT_TRUE(UpdateResourceEntry(u, t, n, lang, nullptr, 0));
        ASSERT_TRUE(EndResourceUpdate(u, false));
    };
    del("RCDATA", "OTHER", 1033); // one language
    EXPECT_EQ(ReadResource(File, "RCDATA", "OTHER"), "neutral");
    EXPECT_EQ(synth::Resources(Current()).size(), 7u);
    del("RCDATA", "OTHER", 0); // the neutral one only, as it exists
    EXPECT_EQ(ReadResource(File, "RCDATA", "OTHER"), "deutsch");
    del("RCDATA", "MISSING", 5); // nothing to delete: succeeds, changes nothing
    del("RCDATA", "OTHER", 0);   // no neutral left: the whole name
    EXPECT_EQ(ReadResource(File, "RCDATA", "OTHER"), "");
    EXPECT_EQ(ReadResource(File, "RCDATA", "KEEP"), "kept");
    del(ResTypeIcon, TResName(), 0); // the whole type
    EXPECT_EQ(names(), (std::vector<std::string>{"+RCDATA+KEEP0", "-14+MAINICON0", "-16-10"}));
    del("RCDATA", "KEEP", 0); // last name: the type goes with it
    EXPECT_EQ(names(), (std::vector<std::string>{"-14+MAINICON0", "-16-10"}));
}

TEST_F(Resources, IconGroupFromAnIconFile) {
    synth::Options o = ReaderLike();
    o.Resources.push_back({uint16_t(3), uint16_t(4), 0, "image four"});
    Write(o);
    const std::string ico = Icon({{16, std::string(40, '1')}, {32, std::string(80, '2')}, {0, "PNG"}});
    WriteIconGroupResource(File, "MAINICON", 1, ico);
    const auto found = synth::Resources(Current());
    EXPECT_EQ(FindRes(found, "-3", "-1", 0)->Data, std::string(40, '1'));
    EXPECT_EQ(FindRes(found, "-3", "-2", 0)->Data, std::string(80, '2'));
    EXPECT_EQ(FindRes(found, "-3", "-3", 0)->Data, "PNG");
    EXPECT_EQ(FindRes(found, "-3", "-4", 0)->Data, "image four"); // other numbers stay
    const std::string group = FindRes(found, "-14", "+MAINICON", 0)->Data;
    ASSERT_EQ(group.size(), 6u + 3 * 14);
    EXPECT_EQ(group.substr(0, 6), ico.substr(0, 6));
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(group.substr(6 + 14 * i, 12), ico.substr(6 + 16 * i, 12));
        EXPECT_EQ(synth::Get16(group, 6 + 14 * i + 12), i + 1);
    }
    // Read back as an icon file: the same file.
    EXPECT_EQ(ReadIconGroupResource(File, "MAINICON"), ico);
    EXPECT_EQ(ReadIconGroupResource(File, "NOICON"), "");
}

TEST_F(Resources, CorruptIconsAreRefusedBeforeAnythingIsWritten) {
    Write(ReaderLike());
    const std::string before = synth::ReadFile(File);
    const std::string good = Icon({{16, std::string(40, '1')}, {32, std::string(80, '2')}});
    for (const std::string& bad : {Icon({{16, "cursor"}}, 2), good.substr(0, good.size() - 1),
                                   good.substr(0, 5), good.substr(0, 6 + 16)}) {
        try {
            WriteIconGroupResource(File, "MAINICON", 1, bad);
            ADD_FAILURE() << "accepted";
        } catch (const EResourcesError& e) {
            EXPECT_EQ(e.Message(), "Icon is corrupted");
        }
    }
    EXPECT_EQ(synth::ReadFile(File), before);
}

TEST_F(Resources, DiscardLeavesTheFileAndLockKeepsOthersOut) {
    Write(ReaderLike());
    const std::string before = synth::ReadFile(File);
    TResourceUpdateHandle u = BeginResourceUpdate(File, true);
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(BeginResourceUpdate(File, false), nullptr); // one update at a time
    EXPECT_EQ(ResourceLastErrorCode(), EBUSY);
    EXPECT_NE(ResourceLastErrorText().find(File), std::string::npos);
    EXPECT_TRUE(EndResourceUpdate(u, true));
    EXPECT_EQ(synth::ReadFile(File), before);
    EXPECT_FALSE(UpdateResourceEntry(nullptr, 1, 1, 0, "x", 1));
}

TEST_F(Resources, CommitKeepsPermissionsAndAFailedCommitLeavesTheFileAsItWas) {
    Write(ReaderLike());
    ASSERT_EQ(chmod(File.c_str(), 0751), 0);
    WriteRCDataResource(File, "FILES_MFS", "book");
    struct stat st;
    ASSERT_EQ(stat(File.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0751u);

    // The new file cannot be written completely (file size limit): the old one stays.
    const std::string before = synth::ReadFile(File);
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = before.size() + 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(WriteRCDataResource(File, "FILES_MFS", std::string(200000, 'z')), EOSError);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(synth::ReadFile(File), before);
    size_t entries = 0;
    for (auto& e : fs::directory_iterator(Dir)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1u); // no scratch file left behind
}

TEST_F(Resources, UnsoundFilesAreRefusedWithAClearError) {
    auto refused = [&](const std::string& image, int code, const std::string& words) {
        synth::WriteFile(File, image);
        EXPECT_EQ(BeginResourceUpdate(File, false), nullptr) << words;
        EXPECT_EQ(ResourceLastErrorCode(), code) << words;
        EXPECT_NE(ResourceLastErrorText().find(words), std::string::npos) << ResourceLastErrorText();
        EXPECT_NE(ResourceLastErrorText().find("\"" + File + "\""), std::string::npos);
        try {
            WriteRCDataResource(File, "FILES_MFS", "x");
            ADD_FAILURE() << "accepted: " << words;
        } catch (const EOSError& e) {
            EXPECT_EQ(e.Message().rfind(Format("System Error.  Code: %d.\r\n", code), 0), 0u) << e.Message();
        }
        EXPECT_EQ(synth::ReadFile(File), image) << words;
    };
    const std::string good = synth::Build(ReaderLike());
    const uint32_t rsrcPtr = synth::Get32(good, synth::SectionHeader(2) + 20);

    refused("plain text, not a program at all, long enough to have headers......................", ENOEXEC,
            "\"MZ\"");
    refused("MZ", ENOEXEC, "\"MZ\"");
    std::string s = good;
    synth::Put32(s, 0x3C, 0x7FFFFFF0);
    refused(s, ENOEXEC, "outside the file");
    s = good;
    s[synth::kPE + 1] = 'X';
    refused(s, ENOEXEC, "\"PE\"");
    synth::Options o64 = ReaderLike();
    o64.Magic = 0x20B; // the 64-bit form with the 32-bit form's header size
    refused(synth::Build(o64), ENOEXEC, "size of the optional header");
    s = good;
    synth::Put32(s, synth::kOpt + 96 + 16, 0x3100); // resource directory not at a section start
    refused(s, ENOENT, "no resource section");
    s = good;
    synth::Put32(s, synth::SectionHeader(2) + 16, 0x100000); // raw data beyond the end
    refused(s, ENOEXEC, "outside the file");
    s = good;
    synth::Put32(s, synth::kOpt + 96 + 48, 0x2F00); // debug directory: beyond the raw data of .rdata
    synth::Put32(s, synth::kOpt + 96 + 52, 28 * 40);
    refused(s, ENOEXEC, "debug directory");
    s = good;
    synth::Put32(s, rsrcPtr + 16 + 4, 0x80000000u); // type directory is the root itself: a loop
    refused(s, ENOEXEC, "overlaps");
    s = good;
    synth::Put32(s, rsrcPtr + 16 + 4, 0x8000FFF0u); // directory outside the section
    refused(s, ENOEXEC, "outside the section");
    s = good;
    synth::Put16(s, rsrcPtr + 14, 0xFFFF); // entry count runs past the section
    refused(s, ENOEXEC, "outside the section");
    // A language entry that points at a directory: nesting deeper than three levels.
    {
        const std::string sec = s = good;
        const uint32_t typeDir = synth::Get32(sec, rsrcPtr + 16 + 4) & 0x7FFFFFFF;
        const uint32_t nameDir = synth::Get32(sec, rsrcPtr + typeDir + 16 + 4) & 0x7FFFFFFF;
        synth::Put32(s, rsrcPtr + nameDir + 16 + 4, 0x80000000u | typeDir);
        refused(s, ENOEXEC, "deeper");
        // A data entry whose data lies outside the section.
        s = good;
        const uint32_t dataEntry = synth::Get32(sec, rsrcPtr + nameDir + 16 + 4);
        synth::Put32(s, rsrcPtr + dataEntry + 4, 0x10000000);
        refused(s, ENOEXEC, "outside the section");
    }
    // A sound file still works after all that.
    synth::WriteFile(File, good);
    EXPECT_NO_THROW(WriteRCDataResource(File, "FILES_MFS", "x"));
}

TEST_F(Resources, MissingOrForeignFilesGiveTheSystemError) {
    try {
        WriteRCDataResource(Dir + "/missing.exe", "FILES_MFS", "x");
        ADD_FAILURE();
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), ENOENT);
        EXPECT_NE(e.Message().find("missing.exe"), std::string::npos);
    }
    EXPECT_THROW(ReadResource(Dir, "RCDATA", "SYSTEM_MFS"), EOSError); // a folder
}

namespace {
std::string ShellOutput(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int st = pclose(p);
    if (status)
        *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}
} // namespace

// Peer tools read the edited synthetic file on their own: objdump lists the debug
// entries where they now are, wrestool extracts the new resource.
TEST_F(Resources, PeersReadTheEditedSyntheticFile) {
    int found = -1, found2 = -1;
    ShellOutput("command -v i686-w64-mingw32-objdump", &found);
    ShellOutput("command -v wrestool", &found2);
    if (found != 0 || found2 != 0)
        GTEST_SKIP() << "i686-w64-mingw32-objdump or wrestool missing";
    synth::Options o = ReaderLike();
    o.DebugDir = true;
    Write(o);
    const std::string pages(50000, 'P');
    WriteRCDataResource(File, "FILES_MFS", pages);
    const Image img = Current();
    const size_t buildid = img.Find(".buildid");
    int status = -1;
    EXPECT_EQ(ShellOutput("i686-w64-mingw32-objdump -p '" + File + "' 2>&1 >/dev/null"), "");
    const std::string headers = ShellOutput("i686-w64-mingw32-objdump -p '" + File + "'", &status);
    EXPECT_EQ(status, 0);
    char row[64];
    std::snprintf(row, sizeof row, "CodeView 00000020 %08x %08x", img.Sec(buildid, 12), img.Sec(buildid, 20));
    EXPECT_NE(headers.find(row), std::string::npos) << row << "\n" << headers;
    EXPECT_EQ(ShellOutput("wrestool -x --raw --type=+RCDATA --name=+FILES_MFS '" + File + "'"), pages);
    EXPECT_EQ(ShellOutput("wrestool -x --raw --type=+RCDATA --name=+OTHER --language=1031 '" + File + "'"),
              "deutsch");
}
