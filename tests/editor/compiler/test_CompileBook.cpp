// End-to-end compiles into a copy of the real reader program, read back with our own
// reader code and checked by the peers (wrestool for the resources, cabextract for the
// cabinets).
#include "u_Compile.h"
#include "u_Contents.h"
#include "u_MFS.h"
#include "u_MFSCab.h"
#include "u_Project.h"
#include "u_Resources.h"
#include "u_eBookCommon.h"

#include "temp_folder.h"

#include <memory>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

namespace fs = std::filesystem;

namespace {

std::string ReadHost(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteHost(const fs::path& p, const std::string& data) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << data;
}

int Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

class CompileBook : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path reader = fs::path(QUARVEL_BIN_DIR) / "Pagelamp.exe";
        if (!fs::exists(reader))
            GTEST_SKIP() << "no reader program in " << QUARVEL_BIN_DIR
                         << " (configure with QUARVEL_READER=ON)";
        Temp = std::make_unique<TTempFolder>("quarvel-compile");
        Dir = Temp->Path();
        Program = Dir / "program";
        fs::create_directories(Program / "System" / "Help");
        fs::copy_file(reader, Program / "Pagelamp.exe");
        WriteHost(Program / "System" / "Reader.css", "body { margin: 0 }\r\n");
        WriteHost(Program / "System" / "System.xml", "to be replaced");
        WriteHost(Program / "System" / "Help" / "Help.htm", "<html>help</html>");
        Settings.ProgramFolder = Program.string();
        Settings.OutputFile = (Dir / "out" / "book.exe").string();
        BuildProject();
    }
    void TearDown() override {
        unsetenv("SOURCE_DATE_EPOCH");
        if (!Dir.empty())
            fs::remove_all(Dir);
    }

    void BuildProject() {
        TStory& story = Project.Story();
        auto page = [&](TProjectItemInfo* parent, const std::string& name, const std::string& path) {
            auto item = std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikPage, name);
            item->Page = path;
            item->IncludeInTOC = true;
            item->Searchable = true;
            return story.AddChild(parent, std::move(item));
        };
        page(nullptr, "Start", "\\Index.htm");
        TProjectItemInfo* chapter = story.AddChild(
            nullptr, std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter, "Chapter"));
        page(chapter, "A", "\\ch\\a.htm")->PasswordProtection = true;
        TMFSSession* files = Project.FilesStore().Session();
        files->ForceFolders("\\ch");
        files->CreateFile("\\Index.htm", 0, false)->Content = "<h1>%{Title}</h1>${Contents}<p>${PAGE}</p>";
        files->CreateFile("\\ch\\a.htm", 0, false)->Content = "page ${page} of %{Title}";
        files->CreateFile("\\pic.bin", 0, false)->Content = std::string("\0\1${PAGE}\xff", 10);
        TMFSSession* sys = Project.SystemStore().Session();
        sys->CreateFile("\\Variables.xml", 0, false)->Content =
            "<vars>\r\n<var name=\"Title\">$Book</var>\r\n</vars>\r\n";
        sys->CreateFile("\\AdditionalPages.xml", 0, false)->Content =
            "<AdditionalPages>\r\n<Page Path=\"\\x.htm\" Name=\"X\"/></AdditionalPages>";
        sys->ForceFolders("\\Toolbar.buttons");
        sys->CreateFile("\\Toolbar.buttons\\0.bmp", 0, false)->Content = "BMfirst";
        sys->CreateFile("\\Toolbar.buttons\\2.bmp", 0, false)->Content = "BMthird";
        sys->CreateFile("\\Toolbar.xml", 0, false)->Content =
            "<toolbar>\r\n  <button caption=\"Back\" kind=1 Image=\"\\Toolbar.buttons\\0.bmp\"/>\r\n"
            "  <button caption=\"Separator\" kind=0/>\r\n"
            "  <button caption=\"Marks\" kind=13 Image=\"\\Toolbar.buttons\\2.bmp\">\r\n"
            "    <item caption=\"Start\" url=\"\\Index.htm\" NewWindow=False/>\r\n  "
            "</button>\r\n</toolbar>\r\n";
        sys->CreateFile("\\SplashS.bmp", 0, false)->Content = "BMsplash";
        sys->CreateFile("\\Logo.bmp", 0, false)->Content = "BMlogo";
        Icon = ReadHost(fs::path(QUARVEL_SOURCE_DIR) / "samples/Lighthouse/Lighthouse.system/Icon.ico");
        sys->CreateFile("\\Icon.ico", 0, false)->Content = Icon;
        Project.Options().Toolbar().LogoDisplay = true;
    }

    void SetEncrypt(const std::string& text) {
        Project.SystemStore().Session()->CreateFile("\\Encrypt.xml", 0, true)->Content = text;
    }

    std::string Book() const { return Settings.OutputFile; }
    std::string Resource(const char* name) const { return ReadResource(Book(), "RCDATA", name); }
    void Unpack(const char* name, TMFS& store) const { UnpackStore(store, Resource(name)); }
    std::string Text(TMFS& store, const char* path) const { return store.Session()->OpenFile(path)->Content; }
    // cabextract's own test of a cabinet held in memory.
    bool CabextractAccepts(const std::string& cabinet) const {
        const fs::path file = Dir / "check.cab";
        WriteHost(file, cabinet);
        return Shell("cabextract -t " + Quote(file)) == 0;
    }

    std::unique_ptr<TTempFolder> Temp; // the folder itself
    fs::path Dir, Program;
    TBookProject Project;
    TCompileSettings Settings;
    std::string Icon;
};

TEST_F(CompileBook, BookHoldsPagesSystemFilesAndIcon) {
    EXPECT_EQ(CompileProject(Project, Settings), Book());
    ASSERT_TRUE(fs::exists(Book()));

    TMFS pages;
    Unpack(FilesResourceName, pages);
    EXPECT_EQ(Text(pages, "\\Index.htm"),
              "<h1>%{Title}</h1>" + BuildContentsHtml(Project.Story()) + "<p>1</p>");
    EXPECT_EQ(Text(pages, "\\ch\\a.htm"), "page 2 of %{Title}");
    EXPECT_EQ(Text(pages, "\\pic.bin"), std::string("\0\1"
                                                    "0\xff",
                                                    4));
    // The project's own files stay untouched.
    EXPECT_EQ(Project.FilesStore().Session()->OpenFile("\\ch\\a.htm")->Content, "page ${page} of %{Title}");

    TMFS system;
    Unpack(SystemResourceName, system);
    EXPECT_EQ(Text(system, "\\System.xml"), BuildSystemXml(Project.Options()));
    EXPECT_EQ(Text(system, "\\Reader.css"), "body { margin: 0 }\r\n");
    EXPECT_EQ(Text(system, "\\Help\\Help.htm"), "<html>help</html>");
    EXPECT_EQ(Text(system, "\\Decrypt.xml"), "");
    EXPECT_EQ(Text(system, "\\Variables.xml"), Text(Project.SystemStore(), "\\Variables.xml"));
    EXPECT_EQ(Text(system, "\\AdditionalPages.xml"), Text(Project.SystemStore(), "\\AdditionalPages.xml"));
    EXPECT_EQ(Text(system, "\\Story.xml"),
              BuildStoryXml(Project.Story(), Project.Options().AllowRightClickContextMenu));
    EXPECT_NE(Text(system, "\\ToolButtons.xml").find("Name=\"tbtnFavourites\""), std::string::npos);
    EXPECT_EQ(Text(system, "\\Toolbar.buttons\\0.bmp"), "BMfirst");
    EXPECT_EQ(Text(system, "\\Toolbar.buttons\\2.bmp"), "BMthird");
    EXPECT_EQ(Text(system, "\\SplashS.bmp"), "BMsplash");
    EXPECT_EQ(Text(system, "\\Logo.bmp"), "BMlogo");
    EXPECT_FALSE(system.Session()->Exists("\\SplashE.bmp"));
    EXPECT_FALSE(system.Session()->Exists("\\Icon.ico"));

    // The peers see the same resources and accept both cabinets.
    const fs::path extracted = Dir / "x.bin";
    for (const char* name : {FilesResourceName, SystemResourceName}) {
        ASSERT_EQ(Shell("wrestool -x --raw --type=+RCDATA --name=+" + std::string(name) + " -o " +
                        Quote(extracted) + " " + Quote(Book())),
                  0);
        EXPECT_EQ(ReadHost(extracted), Resource(name)) << name;
        EXPECT_EQ(Shell("cabextract -t " + Quote(extracted)), 0) << name;
    }
    ASSERT_EQ(
        Shell("wrestool -x --raw --type=14 --name=+MAINICON -o " + Quote(extracted) + " " + Quote(Book())),
        0);
    const std::string group = ReadHost(extracted);
    ASSERT_EQ(group.size(), 6u + 3 * 14);
    for (int id = 1; id <= 3; ++id) {
        EXPECT_EQ(static_cast<unsigned char>(group[6 + 14 * (id - 1) + 12]), id);
        EXPECT_EQ(Shell("wrestool -x --raw --type=3 --name=" + std::to_string(id) + " -o " +
                        Quote(extracted) + " " + Quote(Book())),
                  0);
        const size_t at = 6 + 16 * (id - 1);
        auto u32 = [&](size_t o) {
            return static_cast<uint32_t>(static_cast<unsigned char>(Icon[o])) |
                   static_cast<uint32_t>(static_cast<unsigned char>(Icon[o + 1])) << 8 |
                   static_cast<uint32_t>(static_cast<unsigned char>(Icon[o + 2])) << 16 |
                   static_cast<uint32_t>(static_cast<unsigned char>(Icon[o + 3])) << 24;
        };
        EXPECT_EQ(ReadHost(extracted), Icon.substr(u32(at + 12), u32(at + 8))) << id;
    }
    // Side effect: the store gains an empty security file only through the summary.
    EXPECT_FALSE(Project.SystemStore().Session()->Exists("\\Encrypt.xml"));
}

TEST_F(CompileBook, WholeBookPasswordEnciphersThePages) {
    SetEncrypt(
        "<Encrypt Method=\"Password\" Password=\"open sesame\" PasswordType=\"Simple\">\r\n</Encrypt>\r\n");
    CompileProject(Project, Settings);
    const std::string stored = Resource(FilesResourceName);
    std::string cabinet;
    ASSERT_TRUE(DecryptData(stored, "open sesame", true, cabinet));
    EXPECT_EQ(stored.size(), (8 + cabinet.size() + 3) / 4 * 4);
    EXPECT_EQ(cabinet.compare(0, 4, "MSCF"), 0);
    EXPECT_TRUE(CabextractAccepts(cabinet));
    EXPECT_FALSE(CabextractAccepts(stored));
    TMFS system;
    Unpack(SystemResourceName, system);
    EXPECT_EQ(Text(system, "\\Decrypt.xml"), "<Decrypt Method=\"Password\" PasswordType=\"Simple\"/>\r\n");
    EXPECT_EQ(Text(system, "\\System.xml").find("open sesame"), std::string::npos);
}

TEST_F(CompileBook, OtherMethodsLeaveThePagesPlainOrUseUserRecords) {
    SetEncrypt("<Encrypt Method=\"Password\" Password=\"\" PasswordType=\"Simple\"/>");
    CompileProject(Project, Settings);
    EXPECT_TRUE(CabextractAccepts(Resource(FilesResourceName)));

    SetEncrypt("<Encrypt Method=\"Password\" Password=\"open sesame\" PasswordType=\"Selected\"/>");
    CompileProject(Project, Settings);
    EXPECT_TRUE(CabextractAccepts(Resource(FilesResourceName)));
    TMFS system;
    Unpack(SystemResourceName, system);
    EXPECT_NE(Text(system, "\\Decrypt.xml").find("PasswordHash=\"-2121520453\""), std::string::npos);

    SetEncrypt("<Encrypt Method=\"UserPassword\" Password=\"\" PasswordType=\"Simple\">\r\n"
               "\t<Info User=\"Ann\" Password=\"pw1\"/>\r\n\t<Info User=\"Bo\" "
               "Password=\"pw2\"/>\r\n</Encrypt>\r\n");
    CompileProject(Project, Settings);
    TMFS users;
    Unpack(SystemResourceName, users);
    std::smatch m;
    const std::string decrypt = Text(users, "\\Decrypt.xml");
    ASSERT_TRUE(std::regex_match(
        decrypt, m,
        std::regex("<Decrypt Method=\"UserPassword\">\r\n\t<Info KeyInfo=\"([0-9A-F]+)\"/>\r\n"
                   "\t<Info KeyInfo=\"([0-9A-F]+)\"/>\r\n</Decrypt>\r\n")));
    std::string key, cabinet;
    ASSERT_TRUE(BookKeyFromUserRecord(m[2], "Bo", "pw2", key));
    ASSERT_TRUE(DecryptData(Resource(FilesResourceName), key, true, cabinet));
    TMFS pages;
    UnpackStore(pages, cabinet);
    EXPECT_TRUE(pages.Session()->Exists("\\ch\\a.htm"));
}

TEST_F(CompileBook, FailedCompileLeavesThePreviousBook) {
    CompileProject(Project, Settings);
    const std::string before = ReadHost(Book());
    Project.SystemStore().Session()->OpenFile("\\Icon.ico")->Content = "not an icon";
    EXPECT_THROW(CompileProject(Project, Settings), EResourcesError);
    EXPECT_EQ(ReadHost(Book()), before);
    // No temporary file is left beside the book.
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir / "out"), fs::directory_iterator()), 1);

    fs::remove(Program / "Pagelamp.exe");
    try {
        CompileProject(Project, Settings);
        FAIL() << "compiled without a reader program";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.Message())
                      .rfind("Cannot open file \"" + (Program / "Pagelamp.exe").string() + "\".", 0),
                  0u)
            << e.Message();
    }
    EXPECT_EQ(ReadHost(Book()), before);

    // An output folder that cannot be made: the file-creation error names the file.
    fs::copy_file(fs::path(QUARVEL_BIN_DIR) / "Pagelamp.exe", Program / "Pagelamp.exe");
    WriteHost(Dir / "plain", "a file, not a folder");
    Settings.OutputFile = (Dir / "plain" / "book.exe").string();
    try {
        CompileProject(Project, Settings);
        FAIL() << "compiled into a file";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.Message()).rfind("Cannot create file \"", 0), 0u) << e.Message();
    }
}

TEST_F(CompileBook, SourceDateEpochGivesIdenticalBooks) {
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    CompileProject(Project, Settings);
    const std::string first = ReadHost(Book());
    // A later compile with fresh scratch stores and a newly stamped store file.
    Project.SystemStore().Session()->Delete("\\SplashS.bmp");
    Project.SystemStore().Session()->CreateFile("\\SplashS.bmp", 0, false)->Content = "BMsplash";
    CompileProject(Project, Settings);
    EXPECT_EQ(ReadHost(Book()), first);
    // The stamp does not depend on the time zone of the machine.
    const char* zone = getenv("TZ");
    const std::string oldZone = zone ? zone : "";
    setenv("TZ", "UTC-9", 1);
    tzset();
    CompileProject(Project, Settings);
    if (zone)
        setenv("TZ", oldZone.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(ReadHost(Book()), first);
    TMFS system;
    Unpack(SystemResourceName, system);
    // 1700000000 is 2023-11-14 22:13:20 UTC.
    const uint32_t stamp = (2023u - 1980) << 25 | 11u << 21 | 14u << 16 | 22u << 11 | 13u << 5 | 10u;
    EXPECT_EQ(system.Session()->OpenFile("\\Story.xml")->Time, stamp);
    EXPECT_EQ(system.Root()->Time, stamp);
    TMFS pages;
    Unpack(FilesResourceName, pages);
    EXPECT_EQ(pages.Root()->Time, stamp);
}

TEST_F(CompileBook, OneShotCompileGivesTheSameBook) {
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    CompileProject(Project, Settings);
    const std::string copied = ReadHost(Book());
    Settings.ReleaseFilesStore = true;
    CompileProject(Project, Settings);
    EXPECT_EQ(ReadHost(Book()), copied);
    EXPECT_EQ(Project.FilesStore().Root()->ChildCount(), 0);
}

TEST_F(CompileBook, LogoOnlyWhenDisplayedSplashesWhenPresent) {
    Project.Options().Toolbar().LogoDisplay = false;
    Project.SystemStore().Session()->CreateFile("\\SplashE.bmp", 0, false)->Content = "BMend";
    CompileProject(Project, Settings);
    TMFS system;
    Unpack(SystemResourceName, system);
    EXPECT_FALSE(system.Session()->Exists("\\Logo.bmp"));
    EXPECT_EQ(Text(system, "\\SplashS.bmp"), "BMsplash");
    EXPECT_EQ(Text(system, "\\SplashE.bmp"), "BMend");
    EXPECT_NE(Text(system, "\\ToolButtons.xml").find("\r\n LogoDisplay=False\r\n"), std::string::npos);
}

TEST_F(CompileBook, MinimalProjectGivesEmptySystemFilesAndStaysAsItWas) {
    TBookProject bare;
    bare.FilesStore().Session()->CreateFile("\\p.htm", 0, false)->Content = "p";
    auto item = std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikPage, "P");
    item->Page = "\\p.htm";
    bare.Story().AddChild(nullptr, std::move(item));
    CompileProject(bare, Settings);
    // The book holds the files the project does not have, empty; the project gains none.
    TMFS system;
    Unpack(SystemResourceName, system);
    for (const char* name : {"\\Variables.xml", "\\AdditionalPages.xml"}) {
        EXPECT_EQ(Text(system, name), "") << name;
        EXPECT_TRUE(system.Session()->Exists(name)) << name;
    }
    for (const char* name : {"\\Variables.xml", "\\AdditionalPages.xml", "\\Toolbar.xml", "\\Encrypt.xml"})
        EXPECT_FALSE(bare.SystemStore().Session()->Exists(name)) << name;
    EXPECT_TRUE(ReadIconGroupResource(Book(), IconResourceName).size() > 0); // the reader's own icon stays
}

} // namespace

TEST_F(CompileBook, SameBookOnAnyNumberOfThreadsAndProgressByBytes) {
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    // Pages of many blocks: text and bytes that do not compress.
    std::string text, noise(150000, '\0');
    for (int i = 0; text.size() < 400000; ++i)
        text += "<p>line " + std::to_string(i * 7919 % 1000) + " of the keeper's log</p>\r\n";
    uint32_t x = 1;
    for (char& c : noise)
        c = char((x = x * 1103515245 + 12345) >> 24);
    Project.FilesStore().Session()->CreateFile("\\long.htm", 0, false)->Content = text;
    Project.FilesStore().Session()->CreateFile("\\noise.bin", 0, false)->Content = noise;
    std::vector<std::pair<uint64_t, uint64_t>> seen;
    Settings.PackProgress = [&](uint64_t packed, uint64_t total) { seen.push_back({packed, total}); };
    Settings.Jobs = 1;
    CompileProject(Project, Settings);
    const std::string one = ReadHost(Book());
    ASSERT_GT(seen.size(), 16u); // one call a block
    const uint64_t total = seen.back().second;
    EXPECT_GT(total, text.size() + noise.size());
    EXPECT_EQ(seen.back().first, total);
    for (size_t i = 1; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].first - seen[i - 1].first, i + 1 < seen.size() ? 32768u : total % 32768);
        EXPECT_EQ(seen[i].second, total);
    }
    for (unsigned jobs : {2u, 5u, 0u}) {
        Settings.Jobs = jobs;
        CompileProject(Project, Settings);
        EXPECT_TRUE(ReadHost(Book()) == one) << jobs << " threads";
    }
    // The one-shot compile (the store streamed into the cabinet) gives the same book too.
    Settings.ReleaseFilesStore = true;
    Settings.Jobs = 3;
    CompileProject(Project, Settings);
    EXPECT_TRUE(ReadHost(Book()) == one);
    EXPECT_TRUE(CabextractAccepts(Resource(FilesResourceName)));
    TMFS pages;
    Unpack(FilesResourceName, pages);
    EXPECT_TRUE(Text(pages, "\\long.htm") == text);
    EXPECT_TRUE(Text(pages, "\\noise.bin") == noise);
}

TEST(PackProgress, PercentAndText) {
    EXPECT_EQ(PackProgressPercent(0, 0), 100);
    EXPECT_EQ(PackProgressPercent(0, 200), 0);
    EXPECT_EQ(PackProgressPercent(199, 200), 99);
    EXPECT_EQ(PackProgressPercent(300, 200), 100);
    EXPECT_EQ(PackProgressText(13107200, 57147392), "Packing the pages: 12.5 of 54.5 MB (22%)");
}
