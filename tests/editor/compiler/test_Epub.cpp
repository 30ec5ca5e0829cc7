// The EPUB export of a project built in memory: the archive read back through its
// central directory, its package, navigation and pages checked with known answers.
#include "u_Compile.h"
#include "u_Epub.h"
#include "u_MFS.h"
#include "u_Project.h"
#include "u_Zip.h"
#include "zip_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace {

std::string ReadHost(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Epub : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quarvel_epub_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
        Settings.OutputFile = (Dir / "out" / "book.epub").string();
        Settings.Warning = [this](const std::string& text) { Warnings.push_back(text); };
        Settings.Notice = [this](const std::string& text) { Notices.push_back(text); };
        Project.Options().ApplicationTitle = "%{Title}";
        SetEpub([](TEpubOptions& o) { o.Identifier = "urn:uuid:11111111-2222-4333-8444-555555555555"; });
        File("\\Variables.xml", "<vars>\r\n<var name=\"Title\">$The  Book</var>\r\n"
                                "<var name=\"Author\">$A. Writer</var>\r\n</vars>\r\n",
             true);
        File("\\Start.htm", "<html><head><title>Start</title><link rel=stylesheet href=\"css/site.css\"></head>"
                            "<body><p>%{Author}, page ${PAGE}</p>${CONTENTS}<img src=\"pics/a.png\" alt=\"a\">"
                            "<a href=\"more/linked.htm#part\">more</a></body></html>");
        File("\\ch\\one.htm", "<p id=\"x\">One <script src=\"../js/app.js\"></script>");
        File("\\ch\\two page.htm", "<p>Two <a href=\"../Start.htm\">back</a>");
        File("\\more\\linked.htm", "<p id=\"part\">Linked");
        File("\\css\\site.css", "@import \"fonts.css\"; body { background: url(../pics/b.png) }");
        File("\\css\\fonts.css", "p { color: red }");
        File("\\js\\app.js", "var x = 1;");
        File("\\pics\\a.png", "\x89PNG not really");
        File("\\pics\\b.png", "\x89PNG not really either");
        File("\\pics\\unused.png", "\x89PNG");
        File("\\About\\About.htm", "<p>About this book");
        File("\\AdditionalPages.xml", "<AdditionalPages>\r\n<Page Path=\"\\About\\About.htm\" Name=\"About\"/>"
                                      "<Page Path=\"\\About\\Gone.htm\" Name=\"Gone\"/></AdditionalPages>",
             true);
        Page(nullptr, "Start", "\\Start.htm");
        TProjectItemInfo* chapter = Chapter(nullptr, "Chapter");
        Page(chapter, "One", "\\ch\\one.htm");
        Page(chapter, "Two", "\\ch\\two page.htm")->IncludeInTOC = false;
    }
    void TearDown() override {
        unsetenv("SOURCE_DATE_EPOCH");
        fs::remove_all(Dir);
    }

    void File(const std::string& path, const std::string& content, bool system = false) {
        if (system)
            Project.SetSystemFile(path, content);
        else
            Project.WriteFile(path, content);
    }
    // Changes the project's EPUB options through the project.
    template <class F> void SetEpub(F change) {
        TEpubOptions options = Project.EpubOptions();
        change(options);
        Project.SetEpubOptions(options);
    }
    TProjectItemInfo* Page(TProjectItemInfo* parent, const std::string& name, const std::string& path) {
        auto item = std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikPage, name);
        item->Page = path;
        item->IncludeInTOC = true;
        return Project.Story().AddChild(parent, std::move(item));
    }
    TProjectItemInfo* Chapter(TProjectItemInfo* parent, const std::string& name) {
        return Project.Story().AddChild(parent,
                                        std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter, name));
    }
    std::map<std::string, std::string> Export() {
        const std::string file = ExportEpub(Project, Settings);
        EXPECT_EQ(file, Settings.OutputFile);
        Entries = ReadZipArchive(ReadHost(file));
        std::map<std::string, std::string> byName;
        for (const TZipEntryRead& e : Entries)
            byName[e.Name] = e.Data;
        return byName;
    }

    fs::path Dir;
    TBookProject Project;
    TEpubSettings Settings;
    std::vector<std::string> Warnings, Notices;
    std::vector<TZipEntryRead> Entries;
};

} // namespace

TEST_F(Epub, ContainerPackageAndSpine) {
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    auto files = Export();
    // "mimetype" first, stored, without extra field: its text stands at byte 38.
    ASSERT_GE(Entries.size(), 3u);
    EXPECT_EQ(Entries[0].Name, "mimetype");
    EXPECT_EQ(Entries[0].Method, 0);
    EXPECT_EQ(Entries[0].LocalExtraLength, 0);
    EXPECT_EQ(ReadHost(Settings.OutputFile).substr(30, 28), "mimetypeapplication/epub+zip");
    EXPECT_EQ(Entries[1].Name, "META-INF/container.xml");
    EXPECT_EQ(Entries[2].Name, "EPUB/package.opf");
    for (const TZipEntryRead& e : Entries)
        EXPECT_EQ(e.Stamp, 1466872234u) << e.Name; // 2023-11-14 22:13:20
    EXPECT_NE(files["META-INF/container.xml"].find("full-path=\"EPUB/package.opf\""), std::string::npos);

    const std::string& opf = files["EPUB/package.opf"];
    EXPECT_NE(opf.find("<dc:identifier id=\"pub-id\">urn:uuid:11111111-2222-4333-8444-555555555555</dc:identifier>"),
              std::string::npos);
    EXPECT_NE(opf.find("<dc:title>The Book</dc:title>"), std::string::npos) << "variables expanded, blanks collapsed";
    EXPECT_NE(opf.find("<dc:creator>A. Writer</dc:creator>"), std::string::npos);
    EXPECT_NE(opf.find("<dc:language>en</dc:language>"), std::string::npos);
    EXPECT_NE(opf.find("<meta property=\"dcterms:modified\">2023-11-14T22:13:20Z</meta>"), std::string::npos);
    // Story pages in order, then the additional page and the page a link reaches, off
    // the reading order; the navigation document too, as a page links it.
    const std::string spine = opf.substr(opf.find("<spine"));
    EXPECT_EQ(spine, "<spine toc=\"ncx\">\n<itemref idref=\"page-1\"/>\n<itemref idref=\"page-2\"/>\n"
                     "<itemref idref=\"page-3\"/>\n<itemref idref=\"page-4\" linear=\"no\"/>\n"
                     "<itemref idref=\"page-5\" linear=\"no\"/>\n<itemref idref=\"nav\" linear=\"no\"/>\n"
                     "</spine>\n</package>\n");
    for (const char* item :
         {"<item id=\"page-1\" href=\"Start.xhtml\" media-type=\"application/xhtml+xml\"/>",
          "<item id=\"page-2\" href=\"ch/one.xhtml\" media-type=\"application/xhtml+xml\" properties=\"scripted\"/>",
          "<item id=\"page-3\" href=\"ch/two_page.xhtml\"", "<item id=\"page-4\" href=\"About/About.xhtml\"",
          "<item id=\"page-5\" href=\"more/linked.xhtml\"", "href=\"css/site.css\" media-type=\"text/css\"",
          "href=\"css/fonts.css\" media-type=\"text/css\"", "href=\"pics/a.png\" media-type=\"image/png\"",
          "href=\"pics/b.png\" media-type=\"image/png\"", "href=\"js/app.js\" media-type=\"application/javascript\""})
        EXPECT_NE(opf.find(item), std::string::npos) << item;
    EXPECT_EQ(opf.find("unused"), std::string::npos);
    EXPECT_EQ(files.count("EPUB/pics/unused.png"), 0u);
    EXPECT_EQ(files["EPUB/css/site.css"], "@import \"fonts.css\"; body { background: url(../pics/b.png) }");

    // Warnings: the missing additional page; notice: the file no page reaches.
    EXPECT_EQ(Warnings, (std::vector<std::string>{
                            "Additional page \"Gone\" names \"\\About\\Gone.htm\", which is not among the project's files"}));
    EXPECT_EQ(Notices, (std::vector<std::string>{
                           "1 file of the project no page reaches, left out of the publication: \\pics\\unused.png"}));
}

TEST_F(Epub, PagesNavigationAndNcx) {
    auto files = Export();
    const std::string& start = files["EPUB/Start.xhtml"];
    EXPECT_NE(start.find("<p>A. Writer, page 1</p><a href=\"nav.xhtml\">Contents</a><img src=\"pics/a.png\" alt=\"a\"/>"
                         "<a href=\"more/linked.xhtml#part\">more</a>"),
              std::string::npos)
        << start;
    EXPECT_NE(files["EPUB/ch/two_page.xhtml"].find("<a href=\"../Start.xhtml\">back</a>"), std::string::npos);
    EXPECT_NE(files["EPUB/ch/one.xhtml"].find("<script src=\"../js/app.js\"></script>"), std::string::npos);

    const std::string& nav = files["EPUB/nav.xhtml"];
    EXPECT_NE(nav.find("<nav epub:type=\"toc\" id=\"toc\">\n<h1>Contents</h1>\n<ol>\n"
                       "  <li><a href=\"Start.xhtml\">Start</a></li>\n"
                       "  <li><a href=\"ch/one.xhtml\">Chapter</a>\n"
                       "    <ol>\n      <li><a href=\"ch/one.xhtml\">One</a></li>\n    </ol>\n  </li>\n</ol>\n</nav>"),
              std::string::npos)
        << nav;
    EXPECT_NE(nav.find("<a epub:type=\"appendix\" href=\"About/About.xhtml\">About</a>"), std::string::npos);
    const std::string& ncx = files["EPUB/toc.ncx"];
    EXPECT_NE(ncx.find("<meta name=\"dtb:uid\" content=\"urn:uuid:11111111-2222-4333-8444-555555555555\"/>"),
              std::string::npos);
    EXPECT_NE(ncx.find("<meta name=\"dtb:depth\" content=\"2\"/>"), std::string::npos);
    // The chapter and its first page lead to one target: one play order.
    EXPECT_NE(ncx.find("<navPoint id=\"nav-2\" playOrder=\"2\">"), std::string::npos);
    EXPECT_NE(ncx.find("<navPoint id=\"nav-3\" playOrder=\"2\">"), std::string::npos);
}

TEST_F(Epub, SameProjectSameBytesAndIdentifierKept) {
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    Project.SetModified(false);
    Export();
    const std::string first = ReadHost(Settings.OutputFile);
    Settings.OutputFile = (Dir / "second.epub").string();
    Export();
    EXPECT_EQ(ReadHost(Settings.OutputFile), first);
    EXPECT_FALSE(Project.Modified()) << "an export is no change of a project with an identifier";

    // A project without an identifier gets one, kept for the next export.
    SetEpub([](TEpubOptions& o) { o.Identifier.clear(); });
    Project.SetModified(false);
    Export();
    const std::string identifier = Project.EpubOptions().Identifier;
    EXPECT_EQ(identifier.size(), 45u);
    EXPECT_EQ(identifier.substr(0, 9), "urn:uuid:");
    EXPECT_EQ(identifier[23], '4') << "a random UUID";
    EXPECT_TRUE(Project.Modified());
    EXPECT_NE(Project.ProjectFileText().find("<epub Language=\"en\" Cover=\"\" Identifier=\"" + identifier + "\"/>"),
              std::string::npos);
}

TEST_F(Epub, BadInputGivesMessagesAndWarnings) {
    // A story page that is missing, one that is no HTML page, one holding binary bytes.
    File("\\notes.txt", "text");
    File("\\binary.htm", std::string("<p>\0\1\2", 6));
    Page(nullptr, "Gone", "\\gone.htm");
    Page(nullptr, "Notes", "\\notes.txt");
    Page(nullptr, "Binary", "\\binary.htm");
    SetEpub([](TEpubOptions& o) {
        o.Language = "english please";
        o.Cover = "\\notes.txt";
    });
    auto files = Export();
    EXPECT_EQ(Warnings.size(), 6u);
    for (const char* text :
         {"Story page \"Gone\" names \"\\gone.htm\", which is not among the project's files: it is left out",
          "Story page \"Notes\" names \"\\notes.txt\", which is not an HTML page: it is left out",
          "Story page \"Binary\" names \"\\binary.htm\", which is not an HTML page: it is left out",
          "The language \"english please\" is not a language tag: the publication says \"en\"",
          "The cover picture \"\\notes.txt\" is not a picture among the project's files: the publication has no cover"})
        EXPECT_NE(std::find(Warnings.begin(), Warnings.end(), text), Warnings.end()) << text;

    // A project without pages is refused, and nothing is written.
    TBookProject empty;
    TEpubSettings settings;
    settings.OutputFile = (Dir / "empty.epub").string();
    try {
        ExportEpub(empty, settings);
        FAIL() << "exported";
    } catch (const EEpubError& e) {
        EXPECT_STREQ(e.what(), "The project has no pages to publish: its story names no HTML page of its files");
    }
    EXPECT_FALSE(fs::exists(settings.OutputFile));
    EXPECT_EQ(empty.EpubOptions().Identifier, "") << "a refused export is no change of the project";
    EXPECT_FALSE(empty.Modified());
}

TEST_F(Epub, NamesClashingByLetterCaseOrLettersGetNamesOfTheirOwn) {
    // "A b" and "a_b" differ only by letter case once the blank is replaced; "Über" and
    // "Öber" not at all once their letters are: each keeps a name of its own, and the
    // links (written in another letter case) follow.
    File("\\A b.htm", "<p>first <a href=\"A_B.HTM\">x</a> <a href=\"\u00d6ber.htm\">y</a>");
    File("\\a_b.htm", "<p>second");
    File("\\\u00dcber.htm", "<p>third");
    File("\\\u00d6ber.htm", "<p>fourth");
    Page(nullptr, "First", "\\A b.htm");
    Page(nullptr, "Second", "\\a_b.htm");
    Page(nullptr, "Third", "\\\u00dcber.htm");
    auto files = Export();
    EXPECT_NE(files["EPUB/A_b.xhtml"].find("<p>first <a href=\"a_b-2.xhtml\">x</a> <a href=\"_ber-2.xhtml\">y</a>"),
              std::string::npos)
        << files["EPUB/A_b.xhtml"];
    EXPECT_NE(files["EPUB/a_b-2.xhtml"].find("<p>second"), std::string::npos);
    EXPECT_NE(files["EPUB/_ber.xhtml"].find("<p>third"), std::string::npos);
    EXPECT_NE(files["EPUB/_ber-2.xhtml"].find("<p>fourth"), std::string::npos);
    const std::string& package = files["EPUB/package.opf"];
    EXPECT_NE(package.find("href=\"_ber-2.xhtml\""), std::string::npos);
    EXPECT_EQ(package.find("href=\"a_b.xhtml\""), std::string::npos);
}

TEST_F(Epub, ProtectedPagesRefusedUnlessIncluded) {
    File("\\Encrypt.xml", BuildEncryptXml("Password", "secret", "Selected", {}), true);
    Project.Story().Items(1)->Items(0)->PasswordProtection = true;
    EXPECT_EQ(ProtectedStoryPages(Project), (std::vector<std::string>{"One (\\ch\\one.htm)"}));
    try {
        Export();
        FAIL() << "exported";
    } catch (const EEpubProtectedPages& e) {
        EXPECT_EQ(e.Pages(), (std::vector<std::string>{"One (\\ch\\one.htm)"}));
        EXPECT_NE(std::string(e.what()).find("protects these pages with a password"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(Settings.OutputFile));
    Settings.IncludeProtected = true;
    Export();
    EXPECT_EQ(Warnings.front(), "The publication holds pages the book protects with a password, without "
                                "protection: One (\\ch\\one.htm)");

    // One password for the whole book protects every page; an empty one protects none.
    File("\\Encrypt.xml", BuildEncryptXml("Password", "secret", "Simple", {}), true);
    EXPECT_EQ(ProtectedStoryPages(Project).size(), 3u);
    File("\\Encrypt.xml", BuildEncryptXml("Password", "", "Simple", {}), true);
    EXPECT_TRUE(ProtectedStoryPages(Project).empty());
    File("\\Encrypt.xml", BuildEncryptXml("UserPassword", "", "Simple", {{"ann", "pw"}}), true);
    EXPECT_EQ(ProtectedStoryPages(Project).size(), 3u);
    File("\\Encrypt.xml", BuildEncryptXml("", "secret", "Selected", {}), true);
    EXPECT_TRUE(ProtectedStoryPages(Project).empty());
}

TEST_F(Epub, FailedExportLeavesThePreviousFile) {
    fs::create_directories(Dir / "out");
    std::ofstream(Settings.OutputFile, std::ios::binary) << "previous";
    Settings.Progress = [](const std::string& step) {
        if (step == "Putting the publication in place")
            throw Exception("stopped");
    };
    EXPECT_THROW(ExportEpub(Project, Settings), Exception);
    EXPECT_EQ(ReadHost(Settings.OutputFile), "previous");
    int files = 0;
    for (const auto& entry : fs::directory_iterator(Dir / "out"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1) << "no temporary file is left";
}

TEST(EpubNames, NamesAndMediaTypes) {
    EXPECT_EQ(EpubNameOf("\\Chapter 1\\Page.HTM"), "Chapter_1/Page.xhtml");
    EXPECT_EQ(EpubNameOf("\\Über\\Straße.html"), "_ber/Stra_e.xhtml");
    EXPECT_EQ(EpubNameOf("\\a&b\\c..\\x.png"), "a_b/c._/x.png");
    EXPECT_EQ(EpubMediaType("\\x\\Photo.JPG"), "image/jpeg");
    EXPECT_EQ(EpubMediaType("a.woff2"), "font/woff2");
    EXPECT_EQ(EpubMediaType("a.bmp"), "");
    EXPECT_EQ(EpubMediaType("noextension"), "");
    EXPECT_TRUE(IsLanguageTag("en"));
    EXPECT_TRUE(IsLanguageTag("zh-Hant-TW"));
    EXPECT_TRUE(IsLanguageTag("x-klingon"));
    EXPECT_FALSE(IsLanguageTag("english"));
    EXPECT_FALSE(IsLanguageTag("en_GB"));
    EXPECT_FALSE(IsLanguageTag(""));
    EXPECT_FALSE(IsLanguageTag("en-"));
}
