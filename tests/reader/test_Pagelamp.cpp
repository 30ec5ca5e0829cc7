// The real reader program: its own resources, and a book written into a copy of it,
// checked with peer tools that read PE files on their own.
#include "u_Resources.h"

#include "pe_synth.h"
#include "quarvel_version.h"

#include "../cli/run_command.h"
#include "random_bytes.h"
#include "temp_folder.h"

#include <memory>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string kReader = std::string(QUARVEL_BIN_DIR) + "/Pagelamp.exe";

using RunResult = TCommandRun;

// Runs a shell command and takes its standard output.
RunResult Shell(const std::string& command) {
    return RunCommand(command);
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

bool HaveTool(const std::string& tool) {
    return Shell("command -v " + tool + " >/dev/null 2>&1").Status == 0;
}

std::string Extract(const std::string& file, const std::string& type, const std::string& name) {
    return Shell("wrestool -x --raw --type=" + type + " --name=" + name + " " + Quote(file) + " 2>/dev/null")
        .Out;
}

// A 3-image icon file (32-bit DIB images, content arbitrary but of the right length).
std::string ThreeImageIcon() {
    const int sizes[] = {16, 32, 48};
    std::string ico(6 + 16 * 3, '\0');
    synth::Put16(ico, 2, 1);
    synth::Put16(ico, 4, 3);
    uint32_t offset = static_cast<uint32_t>(ico.size());
    std::vector<std::string> images;
    for (int i = 0; i < 3; ++i) {
        const int s = sizes[i];
        std::string img = RandomBytes(40 + static_cast<size_t>(s * s * 4 + s * 4), static_cast<unsigned>(s));
        synth::Put32(img, 0, 40);
        const size_t e = 6 + 16 * static_cast<size_t>(i);
        ico[e] = static_cast<char>(s);
        ico[e + 1] = static_cast<char>(s);
        synth::Put16(ico, e + 4, 1);
        synth::Put16(ico, e + 6, 32);
        synth::Put32(ico, e + 8, static_cast<uint32_t>(img.size()));
        synth::Put32(ico, e + 12, offset);
        offset += static_cast<uint32_t>(img.size());
        images.push_back(img);
    }
    for (auto& img : images)
        ico += img;
    return ico;
}

class Pagelamp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kReader)) << kReader;
        if (!HaveTool("wrestool") || !HaveTool("i686-w64-mingw32-objdump"))
            GTEST_SKIP() << "wrestool (icoutils) or i686-w64-mingw32-objdump missing";
        Temp = std::make_unique<TTempFolder>("quarvel-reader");
        Dir = Temp->Path();
        Book = Dir + "/Book.exe";
        fs::copy_file(kReader, Book);
    }
    void TearDown() override {
        if (!Dir.empty())
            fs::remove_all(Dir);
    }
    std::unique_ptr<TTempFolder> Temp; // the folder itself
    std::string Dir, Book;
};

} // namespace

TEST_F(Pagelamp, IsAStrippedPE32GuiProgramWithNeutralIconAndVersion) {
    const std::string file = synth::ReadFile(kReader);
    const synth::Image img{file};
    const RunResult headers = Shell("i686-w64-mingw32-objdump -p " + Quote(kReader) + " 2>&1");
    ASSERT_EQ(headers.Status, 0);
    EXPECT_NE(headers.Out.find("(PE32)"), std::string::npos);
    EXPECT_NE(headers.Out.find("(Windows GUI)"), std::string::npos);
    EXPECT_EQ(synth::Get32(file, synth::kPE + 12), 0u); // no symbol table: stripped
    EXPECT_EQ(img.Opt(64), synth::Checksum(file, synth::kOpt + 64));

    // Every resource in language 0, the icon images numbered from 1.
    const RunResult list = Shell("wrestool -l " + Quote(kReader));
    ASSERT_EQ(list.Status, 0);
    EXPECT_EQ(list.Out.find("--language=1033"), std::string::npos) << list.Out;
    EXPECT_NE(list.Out.find("--type=3 --name=1 --language=0"), std::string::npos) << list.Out;
    EXPECT_NE(list.Out.find("--type=14 --name='MAINICON' --language=0"), std::string::npos) << list.Out;
    EXPECT_NE(list.Out.find("--type=16 --name=1 --language=0"), std::string::npos) << list.Out;
    const std::string ico = ReadIconGroupResource(kReader, "MAINICON");
    ASSERT_GE(ico.size(), 6u);
    EXPECT_GE(synth::Get16(ico, 4), 3u); // several sizes
    const std::string group = Extract(kReader, "14", "+MAINICON");
    for (uint32_t i = 0; i < synth::Get16(group, 4); ++i)
        EXPECT_EQ(synth::Get16(group, 6 + 14 * i + 12), i + 1);

    // The version resource carries the project version ("1.0.0.0" as UTF-16 text).
    const std::string version = ReadResource(kReader, 16, 1);
    std::string wide;
    for (char c : std::string(QUARVEL_VERSION_STRING)) {
        wide.push_back(c);
        wide.push_back('\0');
    }
    EXPECT_NE(version.find(wide), std::string::npos);
    EXPECT_EQ(ReadResource(kReader, "RCDATA", "FILES_MFS"), "");
}

TEST_F(Pagelamp, BookWrittenIntoACopyReadsBackWithThePeers) {
    const std::string before = synth::ReadFile(Book);
    const synth::Image old{before};
    const std::string version = Extract(Book, "16", "1");
    const std::string pages = RandomBytes(3 * 1024 * 1024, 7);
    const std::string system = "MSCF" + RandomBytes(5000, 8);
    const std::string ico = ThreeImageIcon();
    WriteRCDataResource(Book, "FILES_MFS", pages);
    WriteRCDataResource(Book, "SYSTEM_MFS", system);
    WriteIconGroupResource(Book, "MAINICON", 1, ico);

    EXPECT_EQ(Extract(Book, "+RCDATA", "+FILES_MFS"), pages);
    EXPECT_EQ(Extract(Book, "+RCDATA", "+SYSTEM_MFS"), system);
    for (int i = 0; i < 3; ++i) {
        const uint32_t size = synth::Get32(ico, 6 + 16 * static_cast<size_t>(i) + 8);
        const uint32_t at = synth::Get32(ico, 6 + 16 * static_cast<size_t>(i) + 12);
        EXPECT_EQ(Extract(Book, "3", std::to_string(i + 1)), ico.substr(at, size)) << i;
    }
    const std::string group = Extract(Book, "14", "+MAINICON");
    ASSERT_EQ(group.size(), 6u + 3 * 14);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(group.substr(6 + 14 * i, 12), ico.substr(6 + 16 * i, 12));
        EXPECT_EQ(synth::Get16(group, 6 + 14 * i + 12), i + 1);
    }
    EXPECT_EQ(Extract(Book, "16", "1"), version); // the reader's own resources stay
    // Only one MAINICON: the book's replaced the reader's (same language).
    const RunResult list = Shell("wrestool -l " + Quote(Book));
    size_t groups = 0;
    for (size_t p = list.Out.find("MAINICON"); p != std::string::npos; p = list.Out.find("MAINICON", p + 1))
        ++groups;
    EXPECT_EQ(groups, 1u);

    // objdump parses the file without complaint and shows the new sizes.
    const std::string file = synth::ReadFile(Book);
    const synth::Image img{file};
    const RunResult headers = Shell("i686-w64-mingw32-objdump -p -h " + Quote(Book) + " 2>/dev/null");
    ASSERT_EQ(headers.Status, 0);
    const RunResult complaints = Shell("i686-w64-mingw32-objdump -p -h " + Quote(Book) + " 2>&1 >/dev/null");
    EXPECT_EQ(complaints.Out, "");
    const size_t rsrc = img.Find(".rsrc"), reloc = img.Find(".reloc");
    ASSERT_NE(rsrc, SIZE_MAX);
    ASSERT_NE(reloc, SIZE_MAX);
    char expect[128];
    std::snprintf(expect, sizeof expect, "Entry 2 %08x %08x Resource Directory", img.DirVA(2),
                  img.DirSize(2));
    EXPECT_NE(headers.Out.find(expect), std::string::npos) << expect << "\n" << headers.Out;
    std::snprintf(expect, sizeof expect, "SizeOfImage\t\t%08x", img.Opt(56));
    EXPECT_NE(headers.Out.find(expect), std::string::npos) << expect;
    std::snprintf(expect, sizeof expect, "Entry 5 %08x %08x Base Relocation Directory", img.DirVA(5),
                  img.DirSize(5));
    EXPECT_NE(headers.Out.find(expect), std::string::npos) << expect;
    EXPECT_GT(img.DirSize(2), pages.size());
    EXPECT_EQ(img.DirVA(5), img.Sec(reloc, 12));
    EXPECT_GT(img.Sec(reloc, 12), old.Sec(reloc, 12));
    EXPECT_EQ(img.RawOf(reloc), old.RawOf(reloc)); // the relocations moved intact
    EXPECT_NE(headers.Out.find("PE File Base Relocations"), std::string::npos);
    EXPECT_EQ(img.Opt(64), synth::Checksum(file, synth::kOpt + 64));
}

TEST_F(Pagelamp, CorruptIconLeavesTheBookUntouched) {
    WriteRCDataResource(Book, "FILES_MFS", "pages");
    const std::string before = synth::ReadFile(Book);
    std::string cursor = ThreeImageIcon();
    synth::Put16(cursor, 2, 2);
    const std::string full = ThreeImageIcon();
    for (const std::string& bad : {cursor, full.substr(0, full.size() - 10)}) {
        try {
            WriteIconGroupResource(Book, "MAINICON", 1, bad);
            ADD_FAILURE();
        } catch (const EResourcesError& e) {
            EXPECT_EQ(e.Message(), "Icon is corrupted");
        }
    }
    EXPECT_EQ(synth::ReadFile(Book), before);
}

#ifdef QUARVEL_BOOK_RESOURCES
namespace {

std::string Fnv1a(const std::string& data) {
    uint32_t h = 2166136261u;
    for (const char c : data)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    char text[16];
    std::snprintf(text, sizeof text, "%08x", h);
    return text;
}

std::string Line(const std::string& label, const std::string& data) {
    return label + " " + std::to_string(data.size()) + " " + Fnv1a(data) + "\n";
}

} // namespace

// What the Windows loader (wine64) reads from a book grown by the resource editor,
// loaded as a data file, as programs that show a book's icon or read its resources do;
// the expected lines of book_resources for the contents written.
std::string LoaderView(const std::string& book) {
    std::string winePath = "Z:" + book;
    for (char& c : winePath)
        if (c == '/')
            c = '\\';
    const RunResult run = Shell("env WINEPREFIX=" + Quote(QUARVEL_WINE_PREFIX) +
                                " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=d' " + Quote(QUARVEL_WINE) +
                                " " + Quote(QUARVEL_BOOK_RESOURCES) + " " + Quote(winePath) + " 2>/dev/null");
    std::string out;
    for (const char c : run.Out)
        if (c != '\r') // the Windows runtime ends its lines with CR LF
            out += c;
    return out;
}

std::string WriteBookAndExpect(const std::string& book, unsigned seed) {
    const std::string pages = RandomBytes(2 * 1024 * 1024 + 17, seed);
    const std::string system = "MSCF" + RandomBytes(7001, seed + 1);
    const std::string ico = ThreeImageIcon();
    WriteRCDataResource(book, "FILES_MFS", pages);
    WriteRCDataResource(book, "SYSTEM_MFS", system);
    WriteIconGroupResource(book, "MAINICON", 1, ico);

    std::string group = ico.substr(0, 6);
    std::string images;
    for (uint32_t i = 0; i < 3; ++i) {
        group += ico.substr(6 + 16 * i, 12);
        group += std::string{static_cast<char>(i + 1), '\0'};
        const uint32_t size = synth::Get32(ico, 6 + 16 * i + 8);
        const uint32_t at = synth::Get32(ico, 6 + 16 * i + 12);
        images += Line("ICON " + std::to_string(i + 1), ico.substr(at, size));
    }
    return Line("FILES_MFS", pages) + Line("SYSTEM_MFS", system) + Line("MAINICON", group) + images + "end\n";
}

TEST_F(Pagelamp, TheWindowsLoaderReadsTheBookAsADataFile) {
    const std::string expected = WriteBookAndExpect(Book, 21);
    EXPECT_EQ(LoaderView(Book), expected);
}

// The 64-bit reader the tests run (PE32+: wider optional header) takes a book as well,
// and objdump and the loader read it back.
TEST_F(Pagelamp, ThePE32PlusReaderTakesABookToo) {
    const std::string book = Dir + "/Book64.exe";
    fs::copy_file(QUARVEL_READER64, book);
    const std::string expected = WriteBookAndExpect(book, 31);
    EXPECT_EQ(LoaderView(book), expected);
    const RunResult headers = Shell("x86_64-w64-mingw32-objdump -p -h " + Quote(book) + " 2>&1 >/dev/null");
    EXPECT_EQ(headers.Out, "");
    const RunResult dump = Shell("x86_64-w64-mingw32-objdump -p " + Quote(book) + " 2>/dev/null");
    EXPECT_NE(dump.Out.find("Magic\t\t\t020b\t(PE32+)"), std::string::npos) << dump.Out.substr(0, 2000);
    EXPECT_EQ(Extract(book, "+RCDATA", "+SYSTEM_MFS").substr(0, 4), "MSCF");
}
#endif
