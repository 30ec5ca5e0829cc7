#include "u_MFS.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

// The message of the EMFSError that Body raises; fails the test when none is raised.
template <typename F>
std::string ErrorOf(F&& body) {
    try {
        body();
    } catch (const EMFSError& e) {
        return e.Message();
    }
    ADD_FAILURE() << "no EMFSError raised";
    return std::string();
}

// The message of the host stream's error that Body raises.
template <typename F>
std::string StreamErrorOf(F&& body) {
    try {
        body();
    } catch (const EStreamError& e) {
        return e.Message();
    }
    ADD_FAILURE() << "no EStreamError raised";
    return std::string();
}

std::string Image(std::string_view body) {
    return "MFS" + MFSChecksumText(body) + std::string(body);
}

std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[size_t(i)] = char((v >> (8 * i)) & 0xFF);
    return s;
}

std::string Header(const std::string& name, uint32_t time, uint32_t attr) {
    return Le32(uint32_t(name.size())) + name + Le32(time) + Le32(attr);
}

// A temporary folder whose files the tests may make read-only: they are made writable
// again before the folder goes.
class TempDir {
public:
    ~TempDir() {
        std::error_code ec;
        fs::permissions(Path, fs::perms::owner_all, fs::perm_options::add, ec);
        for (auto& e : fs::recursive_directory_iterator(Path, ec))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    TTempFolder Folder{"mfs-test"};
    std::string Path = Folder.Path();
};

[[maybe_unused]] void Touch(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

} // namespace

TEST(MFSChecksum, KnownValuesAndPadding) {
    EXPECT_EQ(MFSChecksum(""), 0u);
    EXPECT_EQ(MFSChecksumText("abc"), "40C6C4C2");
    // Padding is with blanks: "abc" and "abc " are the same words.
    EXPECT_EQ(MFSChecksum("abc"), MFSChecksum("abc "));
    // Rotation makes the order of words matter.
    EXPECT_NE(MFSChecksum("abcdefgh"), MFSChecksum("efghabcd"));
    // One word 0x80000000: the sum rotates to 1.
    EXPECT_EQ(MFSChecksum(std::string("\0\0\0\x80", 4)), 1u);
    EXPECT_EQ(MFSChecksumText(std::string("\xff\xff\xff\xff", 4)), "FFFFFFFF");
}

TEST(MFSPaths, ClassLevelFunctions) {
    EXPECT_EQ(TMFS::NormalizeSlashes("a/b\\c/"), "a\\b\\c\\");
    EXPECT_EQ(TMFS::IncludeTrailingBackslash(""), "");
    EXPECT_EQ(TMFS::IncludeTrailingBackslash("\\a"), "\\a\\");
    EXPECT_EQ(TMFS::IncludeTrailingBackslash("\\a\\"), "\\a\\");
    EXPECT_EQ(TMFS::ExcludeTrailingBackslash("\\a\\\\"), "\\a\\");
    EXPECT_EQ(TMFS::ExtractPath("\\a\\b.txt"), "\\a\\");
    EXPECT_EQ(TMFS::ExtractPath("b.txt"), "");
    EXPECT_EQ(TMFS::ExtractName("\\a\\b.txt"), "b.txt");
    EXPECT_EQ(TMFS::ExtractName("\\a\\"), "");
    EXPECT_EQ(TMFS::ExtractExt("\\a.d\\b.tar.gz"), ".gz");
    EXPECT_EQ(TMFS::ExtractExt("\\a.d\\readme"), "");
    EXPECT_EQ(TMFS::ChangeExt("\\a.d\\readme", ".txt"), "\\a.d\\readme.txt");
    EXPECT_EQ(TMFS::ChangeExt("x\\page.htm", ".html"), "x\\page.html");
    EXPECT_EQ(TMFS::NormalizePath("\\a\\.\\b\\..\\c"), "\\a\\c");
    EXPECT_EQ(TMFS::NormalizePath("\\a\\b\\..\\"), "\\a\\");
    EXPECT_EQ(TMFS::NormalizePath("\\a\\.."), "\\");
    EXPECT_EQ(TMFS::NormalizePath("\\"), "\\");
    EXPECT_EQ(ErrorOf([] { TMFS::NormalizePath("\\a\\..\\.."); }), "File name \"\\a\\..\\..\" is incorrect");
}

TEST(MFSImage, EmptyFileSystemRoundTrip) {
    TMFS mfs;
    const std::string image = mfs.SaveToString();
    ASSERT_EQ(image.size(), 11u + 16u);
    EXPECT_EQ(image.substr(0, 3), "MFS");
    EXPECT_EQ(image.substr(11, 4), Le32(0));    // name length
    EXPECT_EQ(image.substr(19, 4), Le32(0x10)); // attributes
    EXPECT_EQ(image.substr(23, 4), Le32(0));    // child count
    EXPECT_EQ(image.substr(3, 8), MFSChecksumText(image.substr(11)));
    TMFS other;
    other.Session()->CreateFile("old.txt", 0, false);
    other.LoadFromString(image);
    EXPECT_EQ(other.Root()->ChildCount(), 0);
}

TEST(MFSImage, ExactLayoutAndSortedChildren) {
    TMFS mfs;
    auto* s = mfs.Session();
    // Created out of order; written in case-blind order: a.txt, B (folder), c.bin.
    TMFSFile* c = s->CreateFile("\\c.bin", 0, false);
    c->Content = std::string("\0\x01\xff", 3);
    c->Time = 0x12345678;
    TMFSFolder* b = s->ForceFolders("\\B");
    b->Time = 0x01020304;
    TMFSFile* a = s->CreateFile("\\a.txt", 0x01, false);
    a->Content = "hi";
    a->Time = 7;
    mfs.Root()->Time = 9;
    const std::string expected = Header("", 9, 0x10) + Le32(3) +                   //
                                 "F" + Header("a.txt", 7, 0x21) + Le32(2) + "hi" + //
                                 "D" + Header("B", 0x01020304, 0x10) + Le32(0) +   //
                                 "F" + Header("c.bin", 0x12345678, 0x20) + Le32(3) +
                                 std::string("\0\x01\xff", 3);
    EXPECT_EQ(mfs.SaveToString(), Image(expected));

    TMFS copy;
    copy.LoadFromString(Image(expected));
    EXPECT_EQ(copy.SaveToString(), Image(expected));
    TMFSFile* a2 = copy.Session()->OpenFile("A.TXT");
    EXPECT_EQ(a2->Content, "hi");
    EXPECT_EQ(a2->Attributes, 0x21u);
    EXPECT_EQ(a2->Time, 7u);
}

TEST(MFSImage, RefusedImagesKeepTheOldTree) {
    TMFS mfs;
    mfs.Session()->CreateFile("\\keep.txt", 0, false)->Content = "x";
    TMFS source;
    source.Session()->ForceFolders("\\d\\e");
    source.Session()->CreateFile("\\d\\f", 0, false)->Content = "content";
    const std::string good = source.SaveToString();

    std::vector<std::string> bad;
    bad.push_back("");
    bad.push_back("MFS");
    bad.push_back("mfs" + good.substr(3));
    std::string lower = good;
    for (size_t i = 3; i < 11; ++i)
        lower[i] = char(std::tolower(static_cast<unsigned char>(lower[i])));
    if (lower != good)
        bad.push_back(lower);
    for (size_t i = 11; i < good.size(); ++i) {
        std::string flipped = good;
        flipped[i] = char(flipped[i] ^ 0x01);
        bad.push_back(flipped);
    }
    // Truncated records with a correct checksum.
    for (size_t cut = 0; cut < good.size() - 11; ++cut)
        bad.push_back(Image(std::string_view(good).substr(11, cut)));
    // Unknown child type, negative count, a length far beyond the image.
    bad.push_back(Image(Header("", 0, 0x10) + Le32(1) + "X" + Header("a", 0, 0x20) + Le32(0)));
    bad.push_back(Image(Header("", 0, 0x10) + Le32(0xFFFFFFFF)));
    bad.push_back(Image(Header("", 0, 0x10) + Le32(1) + "F" + Header("a", 0, 0x20) + Le32(0x7FFFFFF0)));
    bad.push_back(Image(Le32(0xFFFFFFF0)));
    for (const std::string& image : bad) {
        EXPECT_EQ(ErrorOf([&] { mfs.LoadFromString(image); }), "Incorrect serialized format");
        ASSERT_TRUE(mfs.Session()->Exists("\\keep.txt"));
    }
    // Bytes after the record are ignored.
    mfs.LoadFromString(Image(good.substr(11) + "trailing"));
    EXPECT_EQ(mfs.Session()->OpenFile("\\d\\f")->Content, "content");
}

TEST(MFSImage, DeepNestingIsRefusedNotACrash) {
    std::string body;
    const int depth = 100000;
    for (int i = 0; i < depth; ++i)
        body += Header("d", 0, 0x10) + Le32(1) + "D";
    body += Header("d", 0, 0x10) + Le32(0);
    TMFS mfs;
    EXPECT_EQ(ErrorOf([&] { mfs.LoadFromString(Image(body)); }), "Incorrect serialized format");
}

TEST(MFSImage, LaterDuplicateNameReplacesEarlier) {
    const std::string body = Header("", 0, 0x10) + Le32(2) + "F" + Header("Page.htm", 0, 0x20) + Le32(1) +
                             "1" + "F" + Header("PAGE.HTM", 0, 0x20) + Le32(1) + "2";
    TMFS mfs;
    mfs.LoadFromString(Image(body));
    ASSERT_EQ(mfs.Root()->ChildCount(), 1);
    TMFSFile* f = mfs.Session()->OpenFile("page.htm");
    EXPECT_EQ(f->Name, "PAGE.HTM");
    EXPECT_EQ(f->Content, "2");
}

TEST(MFSSession, CaseBlindNamesAndMessages) {
    TMFS mfs;
    auto* s = mfs.Session();
    s->ForceFolders("\\Pages");
    TMFSFile* first = s->CreateFile("\\Pages\\Index.htm", 0, false);
    EXPECT_EQ(ErrorOf([&] { s->CreateFile("\\pages\\INDEX.HTM", 0, false); }),
              "File \"\\pages\\INDEX.HTM\" already exists");
    EXPECT_EQ(s->CreateFile("/pages/INDEX.HTM", 0, true), first);
    EXPECT_EQ(s->FindItem("\\pages\\INDEX.HTM"), first);
    EXPECT_EQ(ErrorOf([&] { s->CreateFile("\\PAGES", 0, false); }), "Folder \"\\PAGES\" already exists");
    EXPECT_EQ(ErrorOf([&] { s->CreateFile("\\none\\x", 0, false); }), "Path \"\\none\\\" not found");
    EXPECT_EQ(ErrorOf([&] { s->ForceFolders("\\Pages\\index.htm\\sub"); }),
              "File \"\\Pages\\index.htm\\\" already exists");
    EXPECT_EQ(ErrorOf([&] { s->OpenFile("\\Pages\\missing.htm"); }),
              "File \"\\Pages\\missing.htm\" not found");
    EXPECT_EQ(ErrorOf([&] { s->OpenFile("\\Pages"); }), "File \"\\Pages\" not found");
    // New files: archive plus the low six bits of the attributes.
    EXPECT_EQ(s->CreateFile("\\ro", 0xFF, false)->Attributes, 0x3Fu);
    EXPECT_EQ(s->ForceFolders("\\Pages")->Attributes, 0x10u);
}

TEST(MFSSession, FindItemPaths) {
    TMFS mfs;
    auto* s = mfs.Session();
    s->ForceFolders("\\a\\x");
    TMFSFile* b = s->CreateFile("\\a\\b.txt", 0, false);
    EXPECT_EQ(s->FindItem("\\a\\.\\b.txt"), b);
    EXPECT_EQ(s->FindItem("\\a\\x\\..\\b.txt"), b);
    EXPECT_EQ(s->FindItem(TMFS::NormalizeSlashes("a/b.txt")), b);
    EXPECT_EQ(s->FindItem("a\\b.txt"), b);
    EXPECT_EQ(ErrorOf([&] { s->FindItem("\\a\\b.txt\\"); }), "Path \"\\a\\b.txt\\\" not found");
    EXPECT_EQ(ErrorOf([&] { s->FindItem("\\a\\b.txt\\c"); }), "Path \"\\a\\b.txt\\c\" not found");
    EXPECT_EQ(ErrorOf([&] { s->FindItem("\\.."); }), "Path \"\\..\" not found");
    EXPECT_EQ(s->FindItem(""), mfs.Root());
    EXPECT_EQ(s->FindItem("\\"), mfs.Root());
    EXPECT_EQ(s->FindItem("\\a\\x\\")->FullPath(), "\\a\\x\\");
    EXPECT_EQ(b->FullPath(), "\\a\\b.txt");
    EXPECT_TRUE(s->Exists("/a/b.txt"));
    EXPECT_FALSE(s->FolderExists("/a/b.txt"));
    EXPECT_TRUE(s->FolderExists("/a/x/"));
    EXPECT_FALSE(s->Exists("\\a\\zz"));

    s->ChangeFolder("a/x");
    EXPECT_EQ(s->CurrentFolder()->Name, "x");
    EXPECT_EQ(s->FindItem("..\\b.txt"), b);
    EXPECT_EQ(s->ExpandPath("..\\x"), "\\a\\x");
    EXPECT_EQ(s->ExpandPath("q/./r/"), "\\a\\x\\q\\r\\");
    s->ChangeFolder("\\");
    EXPECT_EQ(ErrorOf([&] { s->ExpandPath("..\\x"); }), "File name \"..\\x\" is incorrect");
    EXPECT_EQ(ErrorOf([&] { s->ChangeFolder("\\a\\b.txt"); }), "Path \"\\a\\b.txt\" not found");
}

TEST(MFSSession, SessionsAreIndependent) {
    TMFS mfs;
    TMFSFolder* a = mfs.Session()->ForceFolders("\\a");
    auto other = mfs.NewSession(a);
    EXPECT_EQ(other->CurrentFolder(), a);
    EXPECT_EQ(mfs.Session()->CurrentFolder(), mfs.Root());
    other->CreateFile("f", 0, false);
    EXPECT_TRUE(mfs.Session()->Exists("\\a\\f"));
    // Replacing the tree moves every session to the new root.
    mfs.Clear();
    EXPECT_EQ(other->CurrentFolder(), mfs.Root());
    EXPECT_EQ(mfs.Session()->CurrentFolder(), mfs.Root());
    EXPECT_FALSE(other->Exists("\\a"));
}

TEST(MFSSession, DeleteRules) {
    TMFS mfs;
    auto* s = mfs.Session();
    s->ForceFolders("\\a\\b");
    s->CreateFile("\\a\\b\\f", 0, false);
    auto other = mfs.NewSession(s->ForceFolders("\\a\\b"));
    EXPECT_EQ(ErrorOf([&] { s->Delete("\\a"); }), "Folder \"\\a\" is not empty");
    EXPECT_EQ(ErrorOf([&] { s->Delete("\\"); }), "Cannot delete root folder");
    s->Delete("/a/b/F");
    EXPECT_FALSE(s->Exists("\\a\\b\\f"));
    s->ChangeFolder("\\a\\b");
    s->Delete("\\a\\b");
    EXPECT_EQ(s->CurrentFolder()->FullPath(), "\\a\\");
    EXPECT_EQ(other->CurrentFolder()->FullPath(), "\\a\\"); // another session moves too
    EXPECT_EQ(ErrorOf([&] { s->Delete("\\a\\b"); }), "Path \"\\a\\b\" not found");
    // Destroying a subtree moves a session inside it to the folder that remains.
    s->ForceFolders("\\a\\b\\c");
    other->ChangeFolder("\\a\\b\\c");
    s->FindItem("\\a")->AsFolder()->Clear();
    EXPECT_EQ(other->CurrentFolder()->FullPath(), "\\a\\");
}

TEST(MFSSession, EmptyNamesAreRefusedOnCreation) {
    TMFS mfs;
    auto* s = mfs.Session();
    EXPECT_EQ(ErrorOf([&] { s->CreateFile("\\", 0, false); }), "File name \"\\\" is incorrect");
    EXPECT_EQ(ErrorOf([&] { s->ForceFolders("\\a\\\\b"); }), "File name \"\\a\\\\\" is incorrect");
    EXPECT_EQ(s->ForceFolders("\\a\\.\\b\\")->FullPath(), "\\a\\b\\");
    // ".." above the root: no item named ".." that no path could reach again.
    EXPECT_EQ(ErrorOf([&] { s->ForceFolders("\\..\\x"); }), "File name \"\\..\\\" is incorrect");
    EXPECT_EQ(ErrorOf([&] { s->CreateFile("\\..", 0, false); }), "File name \"\\..\" is incorrect");
    EXPECT_EQ(ErrorOf([&] { s->CreateFileStream("..", fmCreateAlways, 0); }),
              "File name \"..\" is incorrect");
    EXPECT_EQ(mfs.Root()->ChildCount(), 1); // only \a
    // Below the root ".." is the parent folder, which is in the way of a file.
    EXPECT_EQ(ErrorOf([&] { s->CreateFile("\\a\\..", 0, false); }), "Folder \"\\a\\..\" already exists");
}

TEST(MFSSession, UniqueName) {
    TMFS mfs;
    auto* s = mfs.Session();
    s->ForceFolders("\\tmp");
    EXPECT_EQ(s->UniqueName("\\tmp", "cab", 0), "\\tmp\\cab00000000");
    EXPECT_EQ(s->UniqueName("\\tmp\\", "cab", 26), "\\tmp\\cab0000001A");
    s->CreateFile("\\tmp\\CAB00000000", 0, false);
    s->ForceFolders("\\tmp\\cab00000001");
    EXPECT_EQ(s->UniqueName("\\tmp", "cab", 0), "\\tmp\\cab00000002");
}

TEST(MFSStream, ModesAndFlags) {
    TMFS mfs;
    auto* s = mfs.Session();
    s->CreateFile("\\f", 0, false)->Content = "old";
    EXPECT_EQ(ErrorOf([&] { s->CreateFileStream("\\f", fmCreateNew, 0); }), "File \"\\f\" already exists");
    s->CreateFileStream("\\f", fmCreateAlways, 0);
    EXPECT_EQ(s->OpenFile("\\f")->Content, "");
    s->OpenFile("\\f")->Content = "abc";
    EXPECT_EQ(s->CreateFileStream("\\f", fmOpenExisting, 0)->Size(), 3);
    EXPECT_EQ(s->CreateFileStream("\\f", fmOpenAlways, 0)->Size(), 3);
    EXPECT_EQ(s->CreateFileStream("\\f", fmTruncateExisting, 0)->Size(), 0);
    EXPECT_EQ(ErrorOf([&] { s->CreateFileStream("\\g", fmTruncateExisting, 0); }), "File \"\\g\" not found");
    EXPECT_EQ(ErrorOf([&] { s->CreateFileStream("\\g", fmOpenExisting, 0); }), "File \"\\g\" not found");
    EXPECT_EQ(ErrorOf([&] { s->CreateFileStream("\\f", 6, 0); }),
              "Incorrect parameters in method \"TMFSSession.CreateFileStream\"");
    EXPECT_EQ(ErrorOf([&] { s->CreateFileStream("\\f", 0, 0); }),
              "Incorrect parameters in method \"TMFSSession.CreateFileStream\"");
    s->CreateFileStream("\\new", fmOpenAlways, 0x01 | 0x80);
    EXPECT_EQ(s->OpenFile("\\new")->Attributes, 0x21u);

    // Delete-on-close: the file leaves its folder with the stream; other streams on it
    // are detached rather than left dangling.
    auto temp = s->CreateFileStream("\\tmp", fmCreateNew, mfsDeleteOnClose);
    auto second = s->OpenFile("\\tmp")->OpenStream();
    EXPECT_TRUE(s->OpenFile("\\tmp")->DeleteOnClose);
    temp.reset();
    EXPECT_FALSE(s->Exists("\\tmp"));
    char c;
    EXPECT_THROW(second->Read(&c, 1), EMFSError);
}

TEST(MFSStream, ReadWriteSeekSetSize) {
    TMFS mfs;
    TMFSFile* f = mfs.Session()->CreateFile("\\f", 0, false);
    auto a = f->OpenStream();
    auto b = f->OpenStream();
    EXPECT_EQ(a->Write("hello", 5), 5);
    EXPECT_EQ(a->Position(), 5);
    char buf[16] = {};
    EXPECT_EQ(b->Read(buf, 16), 5); // separate positions, same content
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_EQ(b->Read(buf, 16), 0);
    EXPECT_EQ(a->Seek(0, soEnd), 5);
    EXPECT_EQ(a->Seek(100, soBeginning), 5); // clamped to the size
    EXPECT_EQ(a->Seek(-100, soCurrent), 0);
    EXPECT_EQ(a->Seek(-2, soEnd), 3);
    EXPECT_EQ(a->Write("LOWORLD", 7), 7);
    EXPECT_EQ(f->Content, "helLOWORLD");
    a->Seek(2, soBeginning);
    a->Write("\0", 1);
    EXPECT_EQ(f->Content, std::string("he\0LOWORLD", 10));
    a->SetSize(3);
    EXPECT_EQ(a->Position(), 3);
    EXPECT_EQ(f->Content.size(), 3u);
    a->SetSize(6);
    EXPECT_EQ(a->Size(), 6);
    EXPECT_EQ(a->Position(), 3);
    EXPECT_THROW(a->Seek(0, 3), EMFSError);

    // Through the abstract stream, as readers and writers take it.
    TStream& t = *b;
    t.SetPosition(0);
    t.WriteString("xyz123");
    t.SetPosition(3);
    EXPECT_EQ(t.ReadRest(), "123");
    EXPECT_THROW(t.ReadBuffer(buf, 1), EReadError);
}

#ifndef _WIN32
// Host modes and symbolic links: the Windows host has its own tests (test_HostPlatform).
TEST(MFSHost, ExportImportRoundTrip) {
    TempDir dir;
    TMFS mfs;
    auto* s = mfs.Session();
    s->ForceFolders("\\Pages\\Pictures");
    s->CreateFile("\\Pages\\Index.htm", 0, false)->Content = "<html>\r\n";
    s->CreateFile("\\Pages\\Pictures\\a.bin", 0, false)->Content = std::string("\0\1\2", 3);
    s->CreateFile("\\empty", 0, false);
    s->CreateFile("\\\xC3\xA9t\xC3\xA9.txt", 0, false)->Content = "e";
    const std::string target = dir.Path + "/out/deeper";
    mfs.SaveToFolder(target);
    EXPECT_EQ(ReadFileText(target + "/Pages/Index.htm"), "<html>\r\n");
    EXPECT_EQ(ReadFileText(target + "/Pages/Pictures/a.bin"), std::string("\0\1\2", 3));
    EXPECT_EQ(ReadFileText(target + "/empty"), "");

    // A hidden file and a read-only one come back with their attributes.
    Touch(target + "/.hidden", "h");
    chmod((target + "/empty").c_str(), 0444);
    TMFS back;
    back.LoadFromFolder(target);
    auto* t = back.Session();
    EXPECT_EQ(t->OpenFile("\\pages\\index.htm")->Content, "<html>\r\n");
    EXPECT_EQ(t->OpenFile("\\Pages\\Pictures\\A.BIN")->Content, std::string("\0\1\2", 3));
    EXPECT_EQ(t->OpenFile("\\\xC3\xA9t\xC3\xA9.txt")->Content, "e");
    EXPECT_EQ(t->OpenFile("\\.hidden")->Attributes, 0x22u);
    EXPECT_EQ(t->OpenFile("\\empty")->Attributes, 0x21u);
    EXPECT_EQ(t->FindItem("\\Pages")->Attributes, 0x10u);
    // The time is the host file's modification time in the packed local form.
    struct stat st {};
    stat((target + "/Pages/Index.htm").c_str(), &st);
    EXPECT_EQ(t->OpenFile("\\Pages\\Index.htm")->Time, DateTimeToFileDate(st.st_mtime));

    EXPECT_TRUE(ClearAttributesTree(target, faReadOnly));
    stat((target + "/empty").c_str(), &st);
    EXPECT_TRUE(st.st_mode & S_IWUSR);
    EXPECT_TRUE(DeleteTree(dir.Path + "/out"));
    EXPECT_FALSE(fs::exists(dir.Path + "/out"));
    EXPECT_TRUE(DeleteTree(dir.Path + "/out")); // already gone
}

#endif

TEST(MFSHost, ExportRefusesNamesThatLeaveTheFolder) {
    for (const std::string& name :
         std::vector<std::string>{"", ".", "..", "..\\..\\evil", "a/b", std::string("a\0b", 3)}) {
        TempDir dir;
        const std::string body = Header("", 0, 0x10) + Le32(2) + "F" + Header("aaa", 0, 0x20) + Le32(1) +
                                 "x" + "F" + Header(name, 0, 0x20) + Le32(1) + "y";
        TMFS mfs;
        mfs.LoadFromString(Image(body));
        EXPECT_EQ(ErrorOf([&] { mfs.SaveToFolder(dir.Path + "/out"); }),
                  Format("File name \"%s\" is incorrect", name));
        EXPECT_FALSE(fs::exists(dir.Path + "/out")) << "nothing is written";
    }
}

#ifndef _WIN32
// Host modes and symbolic links: the Windows host has its own tests (test_HostPlatform).
TEST(MFSHost, FileHelpers) {
    TempDir dir;
    WriteFileText("one\r\ntwo", dir.Path + "/a/b/c.txt");
    EXPECT_EQ(ReadFileText(dir.Path + "/a/b/c.txt"), "one\r\ntwo");
    WriteFileText("x", dir.Path + "/a/b/c.txt");
    EXPECT_EQ(ReadFileText(dir.Path + "/a/b/c.txt"), "x");
    const std::string missing = dir.Path + "/none.txt";
    EXPECT_EQ(StreamErrorOf([&] { ReadFileText(missing); }),
              "Cannot open file \"" + missing + "\". No such file or directory");
    const std::string blocked = dir.Path + "/a/b/c.txt/d.txt";
    EXPECT_EQ(StreamErrorOf([&] { WriteFileText("x", blocked); }).rfind("Cannot create file \"", 0), 0u);

    // Deleting and clearing never follow a link out of the tree.
    fs::create_directories(dir.Path + "/outside");
    Touch(dir.Path + "/outside/keep", "k");
    chmod((dir.Path + "/outside/keep").c_str(), 0444);
    fs::create_directory_symlink(dir.Path + "/outside", dir.Path + "/a/link");
    EXPECT_TRUE(ClearAttributesTree(dir.Path + "/a", faReadOnly));
    struct stat st {};
    stat((dir.Path + "/outside/keep").c_str(), &st);
    EXPECT_FALSE(st.st_mode & S_IWUSR);
    EXPECT_TRUE(DeleteTree(dir.Path + "/a"));
    EXPECT_TRUE(fs::exists(dir.Path + "/outside/keep"));
    EXPECT_FALSE(ClearAttributesTree(dir.Path + "/a", faReadOnly));
}

TEST(MFSHost, ImportSkipsLinkLoops) {
    TempDir dir;
    fs::create_directories(dir.Path + "/in/sub");
    Touch(dir.Path + "/in/sub/f", "f");
    fs::create_directory_symlink(dir.Path + "/in", dir.Path + "/in/sub/loop");
    TMFS mfs;
    mfs.LoadFromFolder(dir.Path + "/in");
    EXPECT_TRUE(mfs.Session()->Exists("\\sub\\f"));
    EXPECT_FALSE(mfs.Session()->Exists("\\sub\\loop"));
}

#endif

TEST(MFSImage, RandomTreesRoundTrip) {
    std::mt19937 rng(42);
    for (int round = 0; round < 20; ++round) {
        TMFS mfs;
        auto* s = mfs.Session();
        std::vector<std::string> folders{"\\"};
        for (int i = 0; i < 60; ++i) {
            const std::string parent = folders[rng() % folders.size()];
            const std::string name = "n" + std::to_string(rng() % 40);
            const std::string path = TMFS::IncludeTrailingBackslash(parent) + name;
            if (s->Exists(path))
                continue;
            if (rng() % 3 == 0) {
                folders.push_back(s->ForceFolders(path)->FullPath());
            } else {
                std::string content(rng() % 50, '\0');
                for (char& ch : content)
                    ch = char(rng());
                s->CreateFile(path, rng(), false)->Content = content;
            }
        }
        const std::string image = mfs.SaveToString();
        TMFS copy;
        copy.LoadFromString(image);
        ASSERT_EQ(copy.SaveToString(), image);
    }
}

// Links that stay inside the imported folder are followed; links that lead out (a file
// like "/etc/hostname", "..", "/") are skipped and reported. Of two names differing only in
// letter case the first in byte order is kept, and both are named.
#ifndef _WIN32
// Host modes and symbolic links: the Windows host has its own tests (test_HostPlatform).
TEST(MFSHost, ImportFollowsOnlyLinksInsideAndReportsCaseClashes) {
    TempDir dir;
    fs::create_directories(dir.Path + "/in/pics");
    fs::create_directories(dir.Path + "/secret");
    Touch(dir.Path + "/in/pics/a.png", "png");
    Touch(dir.Path + "/secret/key", "SECRET");
    Touch(dir.Path + "/in/Page.htm", "upper");
    Touch(dir.Path + "/in/page.htm", "lower");
    fs::create_symlink(dir.Path + "/in/pics/a.png", dir.Path + "/in/alias.png");
    fs::create_directory_symlink("pics", dir.Path + "/in/images");
    fs::create_symlink(dir.Path + "/secret/key", dir.Path + "/in/stolen.txt");
    fs::create_directory_symlink("..", dir.Path + "/in/up");
    fs::create_directory_symlink("/", dir.Path + "/in/root");
    fs::create_symlink(dir.Path + "/nothing", dir.Path + "/in/dangling");
    TMFS mfs;
    std::vector<std::string> warnings;
    mfs.LoadFromFolder(dir.Path + "/in", &warnings);
    auto* s = mfs.Session();
    EXPECT_EQ(s->OpenFile("\\alias.png")->Content, "png");
    EXPECT_EQ(s->OpenFile("\\images\\a.png")->Content, "png");
    EXPECT_EQ(s->OpenFile("\\page.htm")->Content, "upper") << "\"Page.htm\" sorts first";
    for (const char* gone : {"\\stolen.txt", "\\up", "\\root", "\\dangling"})
        EXPECT_FALSE(s->Exists(gone)) << gone;
    const std::string in = dir.Path + "/in";
    EXPECT_EQ(warnings, (std::vector<std::string>{
                            "\"" + in + "/Page.htm\" and \"" + in + "/page.htm\" differ only in letter case, "
                            "which a book does not tell apart: \"" + in + "/page.htm\" was left out",
                            "Symbolic link \"" + in + "/root\" leads out of \"" + in + "\": it was skipped",
                            "Symbolic link \"" + in + "/stolen.txt\" leads out of \"" + in + "\": it was skipped",
                            "Symbolic link \"" + in + "/up\" leads out of \"" + in + "\": it was skipped"}));
    // Without a list the import is the same, silently.
    // (The root folder is made at import time, so the two may differ by a clock tick.)
    TMFS quiet;
    quiet.LoadFromFolder(dir.Path + "/in");
    quiet.Root()->Time = mfs.Root()->Time;
    EXPECT_EQ(quiet.SaveToString(), mfs.SaveToString());
}

// Exporting into a folder that may hold anything: nothing is written while something is
// in the way, no link is followed, and Overwrite replaces files and links themselves.
TEST(MFSHost, ExportNeverFollowsLinksAndOverwritesOnlyWhenAsked) {
    TempDir dir;
    TMFS mfs;
    auto* s = mfs.Session();
    s->ForceFolders("\\pics");
    s->CreateFile("\\pics\\a.png", 0, false)->Content = "new png";
    s->CreateFile("\\page.htm", 0, false)->Content = "new page";
    s->CreateFile("\\other.htm", 0, false)->Content = "other";
    const std::string out = dir.Path + "/out";
    fs::create_directories(dir.Path + "/elsewhere");
    fs::create_directories(out + "/files");
    Touch(dir.Path + "/elsewhere/victim", "victim");
    // A linked folder, a linked file and a dangling link inside the target.
    fs::create_directory_symlink(dir.Path + "/elsewhere", out + "/files/pics");
    fs::create_symlink(dir.Path + "/elsewhere/victim", out + "/files/page.htm");
    fs::create_symlink(dir.Path + "/elsewhere/created", out + "/files/other.htm");
    const std::string files = out + "/files";
    try {
        mfs.ExportToFolder(files, false);
        FAIL() << "exported";
    } catch (const EMFSInTheWay& e) {
        EXPECT_EQ(e.Message(), "\"" + files + "/other.htm\" is a symbolic link");
        EXPECT_TRUE(e.Replaceable);
    }
    EXPECT_FALSE(fs::exists(dir.Path + "/elsewhere/created"));
    EXPECT_FALSE(fs::exists(dir.Path + "/elsewhere/a.png"));
    mfs.ExportToFolder(files, true);
    EXPECT_EQ(ReadFileText(dir.Path + "/elsewhere/victim"), "victim");
    EXPECT_FALSE(fs::exists(dir.Path + "/elsewhere/created"));
    EXPECT_FALSE(fs::exists(dir.Path + "/elsewhere/a.png"));
    EXPECT_FALSE(fs::is_symlink(files + "/pics"));
    EXPECT_EQ(ReadFileText(files + "/pics/a.png"), "new png");
    EXPECT_EQ(ReadFileText(files + "/page.htm"), "new page");
    EXPECT_EQ(ReadFileText(files + "/other.htm"), "other");

    // Existing files: refused without Overwrite, naming the first; nothing is written.
    Touch(files + "/page.htm", "mine");
    s->CreateFile("\\zzz.htm", 0, false)->Content = "z";
    EXPECT_EQ(ErrorOf([&] { mfs.ExportToFolder(files, false); }), "\"" + files + "/other.htm\" already exists");
    EXPECT_FALSE(fs::exists(files + "/zzz.htm"));
    EXPECT_EQ(ReadFileText(files + "/page.htm"), "mine");
    // A folder where a file belongs is never replaced; nor is the target itself a link.
    fs::remove_all(files);
    fs::create_directories(files + "/page.htm");
    try {
        mfs.ExportToFolder(files, true);
        FAIL() << "exported";
    } catch (const EMFSInTheWay& e) {
        EXPECT_EQ(e.Message(), "\"" + files + "/page.htm\" is a folder where a file belongs");
        EXPECT_FALSE(e.Replaceable);
    }
    fs::remove_all(files);
    fs::create_directory_symlink(dir.Path + "/elsewhere", files);
    EXPECT_EQ(ErrorOf([&] { mfs.ExportToFolder(files, false); }), "\"" + files + "\" is a symbolic link");
    mfs.ExportToFolder(files, true);
    EXPECT_FALSE(fs::is_symlink(files));
    EXPECT_EQ(fs::directory_iterator(dir.Path + "/elsewhere") == fs::directory_iterator(), false);
    EXPECT_FALSE(fs::exists(dir.Path + "/elsewhere/page.htm"));
}
#endif
