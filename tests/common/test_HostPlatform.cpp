// The host seam, on whichever host the tests run (Linux, and Windows under wine): files,
// locks, mappings, replacing a file, folders walked by the export and the import, names
// beyond ASCII.
#include "u_Book.h"
#include "u_BookLayout.h"
#include "u_HostPlatform.h"
#include "u_MFS.h"
#include "u_Resources.h"
#include "u_XMLValues.h"

#include "cabinet_maker.h"
#include "pe_synth.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// A handle closed with the scope.
struct TFile {
    THostHandle Handle = NoHostHandle;
    ~TFile() { HostCloseFile(Handle); }
};

std::string Read(THostHandle handle, size_t count, uint64_t at) {
    std::string text(count, '\0');
    EXPECT_EQ(HostReadAt(handle, text.data(), count, at), 0);
    return text;
}

} // namespace

TEST(HostPlatform, OpeningReadingAndWritingFiles) {
    const TTempFolder dir("host-test");
    const std::string name = dir.File("f\xC3\xA9.bin"); // a name beyond ASCII
    TFile f;
    THostStatus status;
    ASSERT_EQ(HostOpenFile(name, THostOpen::Create, f.Handle, &status), 0);
    EXPECT_EQ(status.Kind, THostKind::File);
    EXPECT_EQ(status.Size, 0u);
    EXPECT_EQ(HostWriteAt(f.Handle, "0123456789", 10, 0), 0);
    EXPECT_EQ(HostWriteAt(f.Handle, "AB", 2, 4), 0);
    EXPECT_EQ(Read(f.Handle, 10, 0), "0123AB6789");
    EXPECT_EQ(HostSeek(f.Handle, 0, 2), 10);
    int error = -1;
    EXPECT_EQ(HostWrite(f.Handle, "xyz", 3, error), 3);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(HostSetFileSize(f.Handle, 12), 0);
    ASSERT_EQ(HostFileStatus(f.Handle, status), 0);
    EXPECT_EQ(status.Size, 12u);
    char past[4];
    EXPECT_EQ(HostReadAt(f.Handle, past, 4, 10), EIO) << "the file ends before";
    EXPECT_EQ(HostSyncFile(f.Handle), 0);

    // Reading from the start, sequentially.
    TFile g;
    ASSERT_EQ(HostOpenFile(name, THostOpen::Read, g.Handle), 0);
    char buffer[32];
    EXPECT_EQ(HostRead(g.Handle, buffer, sizeof buffer, error), 12);
    EXPECT_EQ(std::string(buffer, 12), "0123AB6789xy");
    EXPECT_EQ(HostRead(g.Handle, buffer, sizeof buffer, error), 0) << "at the end";

    // What is refused.
    TFile h;
    EXPECT_EQ(HostOpenFile(name, THostOpen::CreateNew, h.Handle), EEXIST);
    EXPECT_EQ(HostOpenFile(dir.File("missing"), THostOpen::Read, h.Handle), ENOENT);
    EXPECT_EQ(HostOpenFile(dir.Path(), THostOpen::Read, h.Handle, &status), HostNotRegular);
    EXPECT_EQ(status.Kind, THostKind::Folder);
    EXPECT_EQ(h.Handle, NoHostHandle);
    // Create empties an existing file.
    ASSERT_EQ(HostOpenFile(name, THostOpen::Create, h.Handle, &status), 0);
    EXPECT_EQ(status.Size, 0u);
}

TEST(HostPlatform, LocksMappingsAndReplacing) {
    const TTempFolder dir("host-test");
    const std::string name = dir.File("book.exe");
    WriteFileText("old contents", name);
    TFile a, b;
    ASSERT_EQ(HostOpenFile(name, THostOpen::ReadWrite, a.Handle), 0);
    ASSERT_EQ(HostOpenFile(name, THostOpen::ReadWrite, b.Handle), 0);
    EXPECT_EQ(HostLockFile(a.Handle), 0);
    EXPECT_EQ(HostLockFile(b.Handle), EBUSY) << "one update at a time";
    {
        THostMapping view;
        ASSERT_EQ(view.Map(a.Handle, 12), 0);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.Data()), view.Size()), "old contents");
    }
    HostCloseFile(a.Handle);
    a.Handle = NoHostHandle;
    EXPECT_EQ(HostLockFile(b.Handle), 0) << "free again once the first is closed";
    HostCloseFile(b.Handle);
    b.Handle = NoHostHandle;

    // A new file beside it takes its place.
    std::string beside;
    TFile n;
    ASSERT_EQ(HostCreateBeside(name, beside, n.Handle), 0);
    EXPECT_NE(beside, name);
    EXPECT_EQ(HostWriteAt(n.Handle, "new", 3, 0), 0);
    THostStatus old;
    ASSERT_EQ(HostStatusOf(name, true, old), 0);
    EXPECT_EQ(HostCopyOwnerAndMode(n.Handle, old), 0);
    HostCloseFile(n.Handle);
    n.Handle = NoHostHandle;
    ASSERT_EQ(HostReplaceFile(beside, name), 0);
    EXPECT_EQ(ReadFileText(name), "new");
    std::vector<std::string> names;
    ASSERT_EQ(HostListFolder(dir.Path(), names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"book.exe"}) << "nothing is left beside it";

    std::string real;
    ASSERT_EQ(HostRealPath(name, real), 0);
    THostStatus status;
    EXPECT_EQ(HostStatusOf(real, true, status), 0);
    EXPECT_TRUE(fs::path(HostFsPath(real)).is_absolute());
    EXPECT_EQ(HostRealPath(dir.File("none"), real), ENOENT);
}

TEST(HostPlatform, ExportAndImportThroughTheSeam) {
    const TTempFolder dir("host-test");
    TMFS store;
    TMFSSession* s = store.Session();
    s->ForceFolders("\\Pictures\\\xC3\x89t\xC3\xA9");
    s->CreateFile("\\Index.htm", 0, false)->Content = "<p>index</p>";
    s->CreateFile("\\Pictures\\\xC3\x89t\xC3\xA9\\sea.png", 0, false)->Content = std::string("\x89PNG\0\r\n", 7);
    s->CreateFile("\\empty", 0, false);
    const std::string out = dir.File("out");
    store.ExportToFolder(out, false);
    EXPECT_EQ(ReadFileText(out + "/Pictures/\xC3\x89t\xC3\xA9/sea.png"), std::string("\x89PNG\0\r\n", 7));
    // Something in the way is named (the first file in the tree's order), and nothing is
    // written; with Overwrite it is replaced.
    WriteFileText("changed", out + "/Index.htm");
    try {
        store.ExportToFolder(out, false);
        FAIL() << "exported over a file";
    } catch (const EMFSInTheWay& e) {
        EXPECT_TRUE(e.Replaceable);
        EXPECT_NE(e.Message().find("empty\" already exists"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(ReadFileText(out + "/Index.htm"), "changed");
    store.ExportToFolder(out, true);
    EXPECT_EQ(ReadFileText(out + "/Index.htm"), "<p>index</p>");

    // Back in: names, contents, times and the read-only attribute.
    fs::permissions(HostFsPath(out + "/empty"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    TMFS back;
    back.LoadFromFolder(out);
    EXPECT_EQ(back.SaveToString().size(), store.SaveToString().size());
    EXPECT_EQ(back.Session()->OpenFile("\\pictures\\\xC3\xA9T\xC3\xA9\\SEA.PNG")->Content,
              std::string("\x89PNG\0\r\n", 7));
    EXPECT_EQ(back.Session()->OpenFile("\\empty")->Attributes & faReadOnly, faReadOnly);
    EXPECT_EQ(back.Session()->OpenFile("\\Index.htm")->Attributes & faReadOnly, 0u);
    THostStatus status;
    ASSERT_EQ(HostStatusOf(out + "/Index.htm", false, status), 0);
    EXPECT_EQ(back.Session()->OpenFile("\\Index.htm")->Time, DateTimeToFileDate(status.Modified));
    EXPECT_TRUE(ClearAttributesTree(out, faReadOnly));
    ASSERT_EQ(HostStatusOf(out + "/empty", false, status), 0);
    EXPECT_EQ(status.Attributes & faReadOnly, 0u);
    EXPECT_TRUE(DeleteTree(out));
    EXPECT_EQ(HostStatusOf(out, false, status), ENOENT);
}

TEST(HostPlatform, NamesTheHostCannotHold) {
    const TTempFolder dir("host-test");
    for (const char* name : {"CON", "nul.txt", "a:b", "what?", "dot.", "COM1"}) {
        TMFS store;
        store.Session()->CreateFile(std::string("\\") + name, 0, false)->Content = "x";
#ifdef _WIN32
        // A device or a stream of another file: never written.
        EXPECT_THROW(store.ExportToFolder(dir.File("out"), true), EMFSError) << name;
        EXPECT_FALSE(HostIsPlainName(name)) << name;
#else
        EXPECT_TRUE(HostIsPlainName(name)) << name;
#endif
    }
    EXPECT_TRUE(HostIsPlainName("Index.htm"));
    EXPECT_TRUE(HostIsPlainName("CONSOLE.txt"));
    EXPECT_TRUE(HostIsPlainName("COM10"));
}

TEST(HostPlatform, ProgramAndTime) {
    const std::string program = HostProgramPath();
    ASSERT_FALSE(program.empty());
    THostStatus status;
    EXPECT_EQ(HostStatusOf(program, true, status), 0);
    EXPECT_EQ(status.Kind, THostKind::File);
    // 2001-02-03 10:00:00 local time and back.
    struct tm local {};
    local.tm_year = 101;
    local.tm_mon = 1;
    local.tm_mday = 3;
    local.tm_hour = 10;
    local.tm_isdst = -1;
    const int64_t moment = HostMakeTime(local);
    struct tm again {};
    ASSERT_TRUE(HostLocalTime(moment, again));
    EXPECT_EQ(again.tm_year, 101);
    EXPECT_EQ(again.tm_mday, 3);
    EXPECT_EQ(again.tm_hour, 10);
    EXPECT_EQ(DateTimeToFileDate(moment), 0x2A435000u);
    EXPECT_EQ(HostErrorText(ENOENT), "No such file or directory");
}

// The resource editor and the book module on this host: a book is written into a
// program (a new file beside it replaces it), read back, and an update while another
// is open is refused.
TEST(HostPlatform, ResourceUpdatesAndBooksOnThisHost) {
    const TTempFolder dir("host-test");
    synth::Options options;
    options.Resources = {{uint16_t(10), std::u16string(u"OLD"), 0, "old data"}};
    const std::string program = dir.File("Book.exe");
    WriteFileText(synth::Build(options), program);
    TMFS system, pages;
    system.Session()->CreateFile("\\System.xml", 0, false)->Content = "<System ApplicationTitle=\"Host\"/>";
    pages.Session()->CreateFile("\\index.htm", 0, false)->Content = "<p>on this host</p>";
    {
        // The writer takes the data as it stands until Commit.
        const std::string systemCabinet = cabmaker::StoreCabinet(system);
        const std::string pagesCabinet = cabmaker::StoreCabinet(pages);
        TResourceWriter writer(program);
        writer.WriteRCData(SystemResourceName, systemCabinet);
        writer.WriteRCData(FilesResourceName, pagesCabinet);
        writer.Commit();
    }
    TBook book;
    book.Open(program);
    EXPECT_EQ(XmlText(book.Description(), "ApplicationTitle", ""), "Host");
    ASSERT_NE(book.PageFile("\\index.htm"), nullptr);
    EXPECT_EQ(book.PageFile("\\index.htm")->Content, "<p>on this host</p>");
    EXPECT_EQ(ReadResource(program, uint16_t(10), std::string("OLD")), "old data") << "the other resources stay";

    TResourceUpdateHandle update = BeginResourceUpdate(program, false);
    ASSERT_NE(update, nullptr) << ResourceLastErrorText();
    EXPECT_EQ(BeginResourceUpdate(program, false), nullptr) << "one update at a time";
    EXPECT_EQ(ResourceLastErrorCode(), EBUSY);
    EXPECT_TRUE(EndResourceUpdate(update, true));
    std::vector<std::string> names;
    ASSERT_EQ(HostListFolder(dir.Path(), names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"Book.exe"}) << "nothing is left beside the book";
}
