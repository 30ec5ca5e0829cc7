#include "../model/ProjectFixture.h"

#include "u_AddFile.h"
#include "u_Exception.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string SOutside = " names a file outside the folder being imported: it was left out";

class ImportTest : public ProjectTest {
protected:
    void SetUp() override {
        ProjectTest::SetUp();
        Project = std::make_unique<TBookProject>(&Host);
        Project->NewProject();
        Project->SetModified(false);
    }
    void TearDown() override {
        Project.reset();
        ProjectTest::TearDown();
    }
    std::string S(const std::string& rel) const { return Dir + "/src/" + rel; }
    void Put(const std::string& rel, const std::string& text) { WriteFileText(text, S(rel)); }
    std::string Store(const std::string& path) { return Files()->OpenFile(path)->Content; }
    bool InStore(const std::string& path) { return Files()->Exists(path); }
    std::unique_ptr<TMFSSession> Files() { return Project->FilesStore().NewSession(); }
    std::vector<std::string> TopNames() const {
        std::vector<std::string> v;
        for (const auto& i : Project->Story().Children())
            v.push_back(i->Name);
        return v;
    }

    std::unique_ptr<TBookProject> Project;
};

} // namespace

TEST_F(ImportTest, PageWithPicturesStylesAndBackgroundIsRewrittenInTheAuthorsSpelling) {
    Put("Pics/Logo.GIF", "GIF-LOGO");
    Put("Style.CSS", "body{}");
    Put("back.jpg", "JPG");
    Put("Intro.htm", "<HTML><HEAD><TITLE> My Book </TITLE><LINK REL=stylesheet HREF=\"Style.css\"></HEAD>"
                     "<BODY BACKGROUND='back.jpg'><IMG SRC=\"Pics/Logo.GIF\" WIDTH=10></BODY></HTML>");
    TProjectItemInfo* item = ImportFileAsPage(*Project, S("Intro.htm"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(Project->Modified());
    EXPECT_EQ(item->Name, "My Book");
    EXPECT_EQ(item->Page, "\\Intro0.htm");
    // Only the values change; their letter case and quotes stay the author's.
    EXPECT_EQ(
        Store("\\Intro0.htm"),
        "<HTML><HEAD><TITLE> My Book </TITLE><LINK REL=stylesheet HREF=\"Intro0.files\\Style.css\"></HEAD>"
        "<BODY BACKGROUND='Intro0.files\\back.jpg'><IMG SRC=\"Intro0.files\\Logo.GIF\" WIDTH=10>"
        "</BODY></HTML>");
    EXPECT_EQ(Store("\\Intro0.files\\logo.gif"), "GIF-LOGO");
    EXPECT_EQ(Files()->FindItem("\\Intro0.files\\logo.gif")->Name, "Logo.GIF");
    EXPECT_EQ(Store("\\Intro0.files\\style.css"), "body{}");
    EXPECT_EQ(Store("\\Intro0.files\\back.jpg"), "JPG");
    EXPECT_EQ(item->Refs, (std::vector<std::string>{"\\Intro0.htm", "\\Intro0.files"}));
    EXPECT_EQ(TopNames(), (std::vector<std::string>{"Welcome", "My Book"}));
}

TEST_F(ImportTest, SameNameFromTwoFoldersBecomesOneFileOfTheLastImported) {
    Put("a/pic.gif", "FROM-A");
    Put("b/pic.gif", "FROM-B");
    Put("page.htm", "<body><img src=\"a/pic.gif\"><img src=\"b/pic.gif\"></body>");
    ImportFileAsPage(*Project, S("page.htm"));
    EXPECT_EQ(Store("\\page0.htm"),
              "<body><img src=\"page0.files\\pic.gif\"><img src=\"page0.files\\pic.gif\"></body>");
    EXPECT_EQ(Store("\\page0.files\\pic.gif"), "FROM-B");
}

TEST_F(ImportTest, ExternalMissingAndMailLinksStayAsWritten) {
    Put("other.htm", "<html>other</html>");
    Put("page.htm", "<body><img src=\"HTTP://Example.COM/A.gif\"><img src=\"missing.gif\">"
                    "<a href=\"mailto:Me@Example.com\">m</a><a href=\"Other.htm\">o</a>"
                    "<a href=\"gone.htm\">g</a><a href=\"#top\">t</a><img src=\"\"></body>");
    ImportFileAsPage(*Project, S("page.htm"));
    EXPECT_EQ(Store("\\page0.htm"),
              "<body><img src=\"HTTP://Example.COM/A.gif\"><img src=\"missing.gif\">"
              "<a href=\"mailto:Me@Example.com\">m</a><a href=\"" +
                  S("other.htm") +
                  "\">o</a>"
                  "<a href=\"gone.htm\">g</a><a href=\"#top\">t</a><img src=\"\"></body>");
    EXPECT_FALSE(InStore("\\page0.files")) << "an anchored page is not imported";
}

TEST_F(ImportTest, EncodedNamesAndQuotesOfEveryKind) {
    Put("my pic.gif", "BLANK");
    Put("c++.gif", "PLUS");
    Put("page.htm",
        "<body><img src=my%20pic.gif alt=x><img src='c++.gif'><img src=\"file:My%20Pic.GIF\"></body>");
    ImportFileAsPage(*Project, S("page.htm"));
    EXPECT_EQ(Store("\\page0.htm"),
              "<body><img src=page0.files\\my%20pic.gif alt=x>"
              "<img src='page0.files\\c++.gif'><img src=\"page0.files\\My%20Pic.GIF\"></body>");
    EXPECT_EQ(Store("\\page0.files\\my%20pic.gif"), "BLANK");
    EXPECT_EQ(Store("\\page0.files\\c++.gif"), "PLUS");
}

TEST_F(ImportTest, CommentsAndVmlMarkersInTheBodyAreRemoved) {
    Put("pic.gif", "G");
    Put("page.htm", "<html><!-- head --><body>A<!-- <img src=\"pic.gif\"> -->B<![if !vml]>"
                    "<img src=\"pic.gif\"><![endif]>C<!-- never closed <img src=\"pic.gif\">");
    ImportFileAsPage(*Project, S("page.htm"));
    EXPECT_EQ(Store("\\page0.htm"), "<html><!-- head --><body>AB<img src=\"page0.files\\pic.gif\">C"
                                    "<!-- never closed <img src=\"pic.gif\">");
}

TEST_F(ImportTest, ImportingTwiceNumbersThePages) {
    Put("pic.gif", "G");
    Put("intro.htm", "<body><img src=\"pic.gif\"></body>");
    TProjectItemInfo* first = ImportFileAsPage(*Project, S("intro.htm"));
    TProjectItemInfo* second = ImportFileAsPage(*Project, S("intro.htm"));
    EXPECT_EQ(first->Page, "\\intro0.htm");
    EXPECT_EQ(second->Page, "\\intro1.htm");
    EXPECT_EQ(Store("\\intro1.htm"), "<body><img src=\"intro1.files\\pic.gif\"></body>");
    EXPECT_TRUE(InStore("\\intro0.files\\pic.gif"));
    EXPECT_TRUE(InStore("\\intro1.files\\pic.gif"));
    EXPECT_EQ(first->Name, "intro0") << "no title: the page's name";
}

TEST_F(ImportTest, FileThatIsNotHtmlIsImportedWhole) {
    const std::string bytes("GIF89a<img src=\"x.gif\">\0\xff", 26);
    Put("Photo.GIF", bytes);
    Put("x.gif", "X");
    TProjectItemInfo* item = ImportFileAsPage(*Project, S("Photo.GIF"));
    EXPECT_EQ(item->Page, "\\Photo0.GIF");
    EXPECT_EQ(item->Name, "Photo0");
    EXPECT_EQ(Store("\\Photo0.GIF"), bytes);
    EXPECT_FALSE(InStore("\\Photo0.files"));
    EXPECT_EQ(item->Refs, (std::vector<std::string>{"\\Photo0.GIF"}));
}

TEST_F(ImportTest, FramesAreImportedWithTheirOwnFilesAndLoopsEnd) {
    Put("frames.htm", "<html><frameset><frame src=\"Left.htm\"><frame src=\"frames.htm\"></frameset></html>");
    Put("left.htm", "<body><img src=\"pic.gif\"><iframe src=\"left.htm\"></iframe>"
                    "<iframe src=\"../src/frames.htm\"></iframe></body>");
    Put("pic.gif", "G");
    ImportFileAsPage(*Project, S("frames.htm"));
    EXPECT_EQ(Store("\\frames0.htm"), "<html><frameset><frame src=\"frames0.files\\Left.htm\"><frame "
                                      "src=\"frames.htm\"></frameset></html>");
    EXPECT_EQ(Store("\\frames0.files\\left.htm"),
              "<body><img src=\"Left.files\\pic.gif\"><iframe src=\"left.htm\"></iframe>"
              "<iframe src=\"../src/frames.htm\"></iframe></body>");
    EXPECT_EQ(Store("\\frames0.files\\left.files\\pic.gif"), "G");
}

TEST_F(ImportTest, PagesLinkingThemselvesOrEachOtherAreImportedOnce) {
    Put("a.htm",
        "<link rel=next href=\"b.htm\"><link rel=self href=\"A.htm\"><img src=\"p.gif\"><img src=\"p.gif\">");
    Put("b.htm", "<link rel=prev href=\"a.htm\"><link href=\"c.htm\"><link href=\"c.htm\">");
    Put("c.htm", "<img src=\"p.gif\">");
    Put("p.gif", "P");
    ImportFileAsPage(*Project, S("a.htm"));
    EXPECT_EQ(Store("\\a0.htm"), "<link rel=next href=\"a0.files\\b.htm\"><link rel=self href=\"A.htm\">"
                                 "<img src=\"a0.files\\p.gif\"><img src=\"a0.files\\p.gif\">");
    EXPECT_EQ(Store("\\a0.files\\b.htm"),
              "<link rel=prev href=\"a.htm\"><link href=\"b.files\\c.htm\"><link href=\"b.files\\c.htm\">");
    EXPECT_EQ(Store("\\a0.files\\b.files\\c.files\\p.gif"), "P");
}

TEST_F(ImportTest, UnreadableSourceFailsWithTheFileOpenError) {
    try {
        ImportFileAsPage(*Project, S("nothing.htm"));
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message().rfind("Cannot open file \"" + S("nothing.htm") + "\".", 0), 0u) << e.Message();
    }
    EXPECT_EQ(Project->Story().Count(), 1);
}

TEST_F(ImportTest, ImportFileReplacesAGivenPathWithoutStoryItem) {
    Put("pic.gif", "G");
    Put("new.htm", "<body><img src=\"pic.gif\"></body>");
    Files()->ForceFolders("\\AdditionalPages");
    Files()->CreateFile("\\AdditionalPages\\About.htm", 0, false)->Content = "old";
    EXPECT_EQ(ImportFile(*Project, S("new.htm"), "\\AdditionalPages\\About.htm", false), nullptr);
    EXPECT_EQ(Store("\\AdditionalPages\\About.htm"), "<body><img src=\"About.files\\pic.gif\"></body>");
    EXPECT_EQ(Store("\\AdditionalPages\\About.files\\pic.gif"), "G");
    EXPECT_EQ(Project->Story().Count(), 1);
}

TEST_F(ImportTest, NextStoryPositionFollowsTheSelection) {
    Put("a.htm", "<title>A</title>");
    TProjectItemInfo* welcome = Project->Story().Items(0);
    Project->AddPageItem(nullptr, "End", "\\Welcome.htm");
    Host.Selected = welcome;
    ImportFileAsPage(*Project, S("a.htm"));
    EXPECT_EQ(TopNames(), (std::vector<std::string>{"Welcome", "A", "End"}));
    TProjectItemInfo* chapter = Project->AddChildChapter(nullptr); // selects it
    ImportFileAsPage(*Project, S("a.htm"));
    ASSERT_EQ(chapter->Count(), 1);
    EXPECT_EQ(chapter->Items(0)->Name, "A");
    Host.Selected = nullptr;
    ImportFileAsPage(*Project, S("a.htm"));
    EXPECT_EQ(TopNames(), (std::vector<std::string>{"Welcome", "A", "End", "New Chapter", "A"}));
}

TEST_F(ImportTest, FolderIsCopiedUnchangedWithAPageItemForEveryPage) {
    Put("Site.v2/index.htm", "<title>Home</title><img src=\"pics/a.gif\">");
    Put("Site.v2/pics/a.gif", "A");
    Put("Site.v2/sub/Page.HTML", "no title");
    Put("Site.v2/notes.txt", "n");
    Put("Site.v2/zeta.htm", "<TITLE>Zeta</TITLE>");
    TProjectItemInfo* welcome = Project->Story().Items(0);
    Project->AddPageItem(nullptr, "End", "\\Welcome.htm");
    Host.Selected = welcome;

    Host.AskAnswer = IProjectHost::Cancel;
    EXPECT_THROW(ImportFolder(*Project, S("Site.v2")), EAbort);
    EXPECT_FALSE(InStore("\\Site0.v2"));
    EXPECT_FALSE(Project->Modified());

    Host.AskAnswer = IProjectHost::No;
    ImportFolder(*Project, S("Site.v2/"));
    EXPECT_EQ(Host.Questions.back(), "Clear story before adding whole template?");
    EXPECT_EQ(Store("\\Site0.v2\\index.htm"), "<title>Home</title><img src=\"pics/a.gif\">");
    EXPECT_EQ(Store("\\Site0.v2\\notes.txt"), "n");
    EXPECT_EQ(TopNames(), (std::vector<std::string>{"Welcome", "Home", "Page", "Zeta", "End"}));
    EXPECT_EQ(Project->Story().Items(2)->Page, "\\Site0.v2\\sub\\Page.HTML");
    EXPECT_EQ(Project->Story().Items(1)->Refs, (std::vector<std::string>{"\\Site0.v2"}));
    EXPECT_EQ(Project->FilesStore().Session()->CurrentFolder()->FullPath(), "\\Site0.v2\\");

    Host.AskAnswer = IProjectHost::Yes;
    Project->SetVariablesScanPending(false);
    ImportFolder(*Project, S("Site.v2"));
    EXPECT_EQ(TopNames(), (std::vector<std::string>{"Home", "Page", "Zeta"}));
    EXPECT_TRUE(Project->VariablesScanPending());
    EXPECT_TRUE(InStore("\\Site0.v2\\index.htm")) << "clearing keeps the files";
    EXPECT_TRUE(InStore("\\Site1.v2\\index.htm"));

    EXPECT_THROW(ImportFolder(*Project, S("no such folder")), Exception);
}

TEST_F(ImportTest, TheProcessFolderStaysWhereItWas) {
    Put("sub/page.htm", "<img src=\"pic.gif\">");
    Put("sub/pic.gif", "G");
    char before[4096];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    ImportFileAsPage(*Project, S("sub/page.htm"));
    char after[4096];
    ASSERT_NE(getcwd(after, sizeof after), nullptr);
    EXPECT_STREQ(before, after);
    EXPECT_EQ(Store("\\page0.files\\pic.gif"), "G");
}

TEST(LinkToHostPath, DecodesAndResolvesAgainstThePageFolder) {
    EXPECT_EQ(LinkToHostPath("my%20pic.gif", "/site"), "/site/my pic.gif");
    EXPECT_EQ(LinkToHostPath("a+b%2Bc.gif", "/site"), "/site/a b+c.gif");
    EXPECT_EQ(LinkToHostPath("FILE:///home/x.gif", "/site"), "/home/x.gif");
    EXPECT_EQ(LinkToHostPath("..\\pics\\x.gif", "/site/pages"), "/site/pics/x.gif");
    EXPECT_EQ(LinkToHostPath("100%.gif", "/site"), "/site/100%.gif");
    EXPECT_EQ(LinkToHostPath("a%00.gif", "/site"), "") << "no host name holds a NUL";
    // The page's folder itself is not decoded.
    EXPECT_EQ(LinkToHostPath("x.gif", "/C++ notes/100%20"), "/C++ notes/100%20/x.gif");
}

// Absolute paths and "file:" URLs are imported only from inside the folder being imported;
// the others keep their text and are reported. Relative links (".." too) work as before.
TEST_F(ImportTest, AbsoluteLinksOutOfTheImportedFolderAreLeftOut) {
    WriteFileText("SECRET", Dir + "/outside/secret.txt");
    WriteFileText("UP", Dir + "/shared/up.png");
    Put("book/pics/in.png", "IN");
    const std::string secret = Dir + "/outside/secret.txt";
    const std::string inside = S("book/pics/in.png");
    Put("book/page.htm", "<html><body><img src=\"" + secret + "\"><img src=\"file://" + secret +
                             "\"><img src=\"file:" + inside + "\"><img src=\"" + inside +
                             "\"><img src=\"../../shared/up.png\"><a href=\"" + secret + "\">x</a></body></html>");
    ImportFileAsPage(*Project, S("book/page.htm"));
    const std::string page = Store("\\page0.htm");
    EXPECT_EQ(page.find("SECRET"), std::string::npos);
    for (const auto& item : Files()->FindItem("\\page0.files\\")->AsFolder()->Children())
        EXPECT_NE(item->AsFile()->Content, "SECRET") << item->Name;
    EXPECT_FALSE(InStore("\\page0.files\\secret.txt"));
    EXPECT_EQ(Store("\\page0.files\\in.png"), "IN");
    EXPECT_EQ(Store("\\page0.files\\up.png"), "UP") << "relative links keep working";
    // The links left out keep their text.
    EXPECT_NE(page.find("<img src=\"" + secret + "\">"), std::string::npos) << page;
    EXPECT_NE(page.find("<img src=\"file://" + secret + "\">"), std::string::npos) << page;
    ASSERT_EQ(Host.Warnings.size(), 2u);
    EXPECT_EQ(Host.Warnings[0], "Link \"" + secret + "\" of \"" + S("book/page.htm") +
                                    "\" names a file outside the folder being imported: it was left out");
    EXPECT_NE(Host.Warnings[1].find("\"file://" + secret + "\""), std::string::npos);
}

TEST_F(ImportTest, FolderImportSaysWhatIsNoFolderAndReportsLinksOut) {
    Put("file.htm", "<html></html>");
    try {
        ImportFolder(*Project, S("file.htm"));
        FAIL() << "imported";
    } catch (const EMFSError& e) {
        EXPECT_EQ(e.Message(), "\"" + S("file.htm") + "\" is not a folder");
    }
    WriteFileText("SECRET", Dir + "/outside/secret.txt");
    Put("site/index.htm", "<html></html>");
    ASSERT_EQ(symlink((Dir + "/outside/secret.txt").c_str(), S("site/secret.txt").c_str()), 0);
    ImportFolder(*Project, S("site"));
    EXPECT_TRUE(InStore("\\site0\\index.htm"));
    EXPECT_FALSE(InStore("\\site0\\secret.txt"));
    ASSERT_EQ(Host.Warnings.size(), 1u);
    EXPECT_NE(Host.Warnings[0].find("secret.txt\" leads out of"), std::string::npos);
}

// Everything a modern page uses comes along into its ".files" folder; only the values
// change, in the author's spelling; values that name no local file stay byte for byte.
TEST_F(ImportTest, ModernPageBringsEveryKindOfLinkedFile) {
    for (const char* file :
         {"assets/css/site.css", "fav.ico", "assets/js/api.js", "assets/img/head.png", "assets/img/logo.png",
          "assets/img/logo-2x.png", "assets/img/logo-3x.png", "assets/img/pic.webp", "media/clip.ogg",
          "media/clip2.mp4", "media/poster.jpg", "media/subs.vtt", "media/sound.mp3", "media/diagram.svg",
          "media/old.swf", "assets/img/go.png", "assets/img/dot.png"})
        Put(file, std::string("DATA:") + file);
    const std::string tail =
        "<img src=\"data:image/png;base64,iVBORw0KGgo=\">"
        "<img srcset=\"data:image/png;base64,iVBORw0KGgo= 1x, https://example.com/A.png 2x\">"
        "<a href=\"#Top\">top</a><img src=\"//cdn.example.com/Lib.png\"><img src=\"blob:https://example.com/1\">"
        "<input type=text src=\"assets/img/go.png\"></body></html>";
    Put("page.htm",
        "<html><head><link rel=\"stylesheet\" href=\"Assets/CSS/Site.css\"><link rel=\"icon\" href=\"Fav.ico\">"
        "<script src=\"assets/js/API.js\"></script>"
        "<style>h1{background:url(assets/img/Head.png)}</style></head>"
        "<body><img src=\"assets/img/Logo.png\" srcset=\"assets/img/Logo-2x.png 2x, assets/img/Logo-3x.png 3x\">"
        "<picture><source srcset=\"assets/img/Pic.webp\" type=\"image/webp\"><source src=\"media/clip.ogg\">"
        "</picture><video src=\"media/Clip2.mp4\" poster=\"media/poster.jpg\"><track src=\"media/subs.vtt\">"
        "</video><audio src=\"media/sound.mp3\"></audio><object data=\"media/diagram.svg\"></object>"
        "<embed src=\"media/old.swf\"><input type=\"image\" src=\"assets/img/go.png\">"
        "<p style=\"background: url('assets/img/Dot.png?v=3#x')\">x</p>" +
            tail);
    ImportFileAsPage(*Project, S("page.htm"));
    EXPECT_EQ(Store("\\page0.htm"),
              "<html><head><link rel=\"stylesheet\" href=\"page0.files\\Site.css\"><link rel=\"icon\" "
              "href=\"page0.files\\Fav.ico\"><script src=\"page0.files\\API.js\"></script>"
              "<style>h1{background:url(page0.files/Head.png)}</style></head>"
              "<body><img src=\"page0.files\\Logo.png\" srcset=\"page0.files\\Logo-2x.png 2x, "
              "page0.files\\Logo-3x.png 3x\"><picture><source srcset=\"page0.files\\Pic.webp\" "
              "type=\"image/webp\"><source src=\"page0.files\\clip.ogg\"></picture><video "
              "src=\"page0.files\\Clip2.mp4\" poster=\"page0.files\\poster.jpg\"><track "
              "src=\"page0.files\\subs.vtt\"></video><audio src=\"page0.files\\sound.mp3\"></audio><object "
              "data=\"page0.files\\diagram.svg\"></object><embed src=\"page0.files\\old.swf\"><input "
              "type=\"image\" src=\"page0.files\\go.png\"><p style=\"background: "
              "url('page0.files/Dot.png?v=3#x')\">x</p>" +
                  tail);
    std::vector<std::string> names;
    for (TMFSItem* item : Files()->FindItem("\\page0.files")->AsFolder()->Children())
        names.push_back(item->Name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"API.js", "Clip2.mp4", "Dot.png", "Fav.ico", "Head.png",
                                               "Logo-2x.png", "Logo-3x.png", "Logo.png", "Pic.webp", "Site.css",
                                               "clip.ogg", "diagram.svg", "go.png", "old.swf", "poster.jpg",
                                               "sound.mp3", "subs.vtt"}));
    EXPECT_EQ(Store("\\page0.files\\API.js"), "DATA:assets/js/api.js");
    EXPECT_EQ(Store("\\page0.files\\Dot.png"), "DATA:assets/img/dot.png");
    EXPECT_TRUE(Host.Warnings.empty());
}

// Stylesheets importing stylesheets, naming fonts and pictures: each is read for its own
// links, resolved against its own folder; everything lands beside it in the page's
// ".files" folder, once, and the copies name each other there. Loops end.
TEST_F(ImportTest, StylesheetsImportingStylesheetsBringFontsAndPictures) {
    Put("doc/page.htm", "<link rel=stylesheet href=\"../assets/css/Main.css\"><p style=\"font-family:Body\">x</p>");
    Put("assets/css/main.css", "@import \"base.css\";\n@import url(\"../fonts/Fonts.css\") screen;\n"
                               "@import 'Main.css';\nbody { background: url(../img/Back.png) }\n");
    Put("assets/css/base.css", "@import \"main.css\"; h1 { background: url(\"../img/back.png\") }\n"
                               ".logo{background-image:image-set(\"../img/logo.png\" 1x, \"../img/logo@2x.png\" 2x)}");
    Put("assets/fonts/fonts.css", "@import \"../css/base.css\";\n@font-face { font-family: Body; src: "
                                  "url(body.woff2) format(\"woff2\"), url('Body.woff?#iefix') format(\"woff\"); }");
    Put("assets/img/back.png", "BACK");
    Put("assets/img/logo.png", "LOGO");
    Put("assets/img/logo@2x.png", "LOGO2");
    Put("assets/fonts/body.woff2", "WOFF2");
    Put("assets/fonts/body.woff", "WOFF");
    ImportFileAsPage(*Project, S("doc/page.htm"));
    EXPECT_EQ(Store("\\page0.htm"), "<link rel=stylesheet href=\"page0.files\\Main.css\">"
                                    "<p style=\"font-family:Body\">x</p>");
    EXPECT_EQ(Store("\\page0.files\\Main.css"), "@import \"base.css\";\n@import url(\"Fonts.css\") screen;\n"
                                                "@import 'Main.css';\nbody { background: url(Back.png) }\n");
    EXPECT_EQ(Store("\\page0.files\\base.css"), "@import \"main.css\"; h1 { background: url(\"back.png\") }\n"
                                                ".logo{background-image:image-set(\"logo.png\" 1x, \"logo@2x.png\" 2x)}");
    EXPECT_EQ(Store("\\page0.files\\Fonts.css"), "@import \"base.css\";\n@font-face { font-family: Body; src: "
                                                 "url(body.woff2) format(\"woff2\"), url('Body.woff?#iefix') "
                                                 "format(\"woff\"); }");
    EXPECT_EQ(Store("\\page0.files\\back.png"), "BACK");
    EXPECT_EQ(Store("\\page0.files\\logo@2x.png"), "LOGO2");
    EXPECT_EQ(Store("\\page0.files\\body.woff"), "WOFF");
    EXPECT_EQ(Files()->FindItem("\\page0.files")->AsFolder()->ChildCount(), 8);

    // The files the page reaches on disk are the files the import brought.
    THostLinkFiles disk(S("doc"));
    std::vector<std::string> reached;
    for (const TReachedFile& f : FilesReachedFrom(S("doc/page.htm"), disk))
        reached.push_back(f.File.substr(S("").size()));
    std::sort(reached.begin(), reached.end());
    EXPECT_EQ(reached, (std::vector<std::string>{"assets/css/base.css", "assets/css/main.css",
                                                 "assets/fonts/body.woff", "assets/fonts/body.woff2",
                                                 "assets/fonts/fonts.css", "assets/img/back.png",
                                                 "assets/img/logo.png", "assets/img/logo@2x.png"}));

    // A stylesheet imported on its own is a page of its own: its files go into its
    // ".files" folder, and those it imports find theirs beside them.
    ImportFileAsPage(*Project, S("assets/css/main.css"));
    EXPECT_EQ(Store("\\main0.css"), "@import \"main0.files/base.css\";\n@import url(\"main0.files/Fonts.css\") "
                                    "screen;\n@import 'main0.files/Main.css';\nbody { background: "
                                    "url(main0.files/Back.png) }\n");
    EXPECT_EQ(Store("\\main0.files\\base.css"), Store("\\page0.files\\base.css"));
    EXPECT_EQ(Store("\\main0.files\\body.woff2"), "WOFF2");
}

// Malformed CSS and srcset lists, a stylesheet importing itself, links to a folder and
// to a FIFO and links out of the page's folder by absolute path: the good links are
// imported, nothing hangs, nothing outside is read, and what is left out is reported.
TEST_F(ImportTest, BadInputIsHandledWithTheUsualWarnings) {
    const std::string secret = Dir + "/outside/secret.txt";
    WriteFileText("SECRET", secret);
    Put("ok.png", "OK");
    ASSERT_EQ(mkdir(S("folder").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(S("fifo").c_str(), 0600), 0);
    Put("self.css", "@import \"self.css\"; @import url(SELF.css); p{background:url(" + secret +
                        ")} @import \"file://" + secret + "\"; q{background:url(fifo)}");
    const std::string page =
        "<style>p{background:url(ok.png)} q{content:\"open\n} r{background:url(a b.png)} s{background:url(</style>"
        "<img srcset=\",,, ok.png 1x,, (never closed\"><link rel=stylesheet href=\"self.css\">"
        "<img src=\"folder\"><img src=\"fifo\"><link rel=stylesheet href=\"fifo\"><img src=\"folder/\">"
        "<img src=\"" +
        secret + "\"><img srcset=\"" + secret + " 2x\"><p style=\"background:url(file://" + secret + ")\">";
    Put("page.htm", page);
    ImportFileAsPage(*Project, S("page.htm"));
    std::string expected = page;
    for (std::size_t at = 0; (at = expected.find("ok.png", at)) != std::string::npos; at += 18)
        expected.replace(at, 6, expected.compare(at - 4, 4, "url(") == 0 ? "page0.files/ok.png" : "page0.files\\ok.png");
    expected.replace(expected.find("\"self.css\""), 10, "\"page0.files\\self.css\"");
    EXPECT_EQ(Store("\\page0.htm"), expected);
    EXPECT_EQ(Store("\\page0.files\\self.css"), "@import \"self.css\"; @import url(SELF.css); p{background:url(" +
                                                    secret + ")} @import \"file://" + secret +
                                                    "\"; q{background:url(fifo)}");
    EXPECT_EQ(Files()->FindItem("\\page0.files")->AsFolder()->ChildCount(), 2);
    EXPECT_EQ(Host.Warnings,
              (std::vector<std::string>{
                  "Link \"" + secret + "\" of \"" + S("page.htm") + "\"" + SOutside,
                  "Link \"file://" + secret + "\" of \"" + S("page.htm") + "\"" + SOutside,
                  "Link \"" + secret + "\" of \"" + S("self.css") + "\"" + SOutside,
                  "Link \"file://" + secret + "\" of \"" + S("self.css") + "\"" + SOutside}));
}

// A page with 100,000 links is imported whole: every link rewritten, each file once.
TEST_F(ImportTest, AHundredThousandLinksInOnePage) {
    std::string page = "<html><body>";
    for (int i = 0; i < 100; ++i)
        Put("pics/p" + std::to_string(i) + ".png", std::to_string(i));
    for (int i = 0; i < 100000; ++i) {
        const std::string n = std::to_string(i % 100);
        switch (i % 4) {
        case 0: page += "<img src=\"pics/p" + n + ".png\">"; break;
        case 1: page += "<img srcset=\"pics/p" + n + ".png 1x, pics/missing" + n + ".png 2x\">"; break;
        case 2: page += "<p style=\"background:url(pics/p" + n + ".png)\">"; break;
        default: page += "<a href=\"#p" + n + "\">"; break;
        }
    }
    Put("big.htm", page + "</body></html>");
    ImportFileAsPage(*Project, S("big.htm"));
    const std::string text = Store("\\big0.htm");
    std::size_t rewritten = 0;
    for (std::size_t at = 0; (at = text.find("big0.files", at)) != std::string::npos; ++at)
        ++rewritten;
    EXPECT_EQ(rewritten, 75000u);
    EXPECT_EQ(text.find("pics/p"), std::string::npos);
    EXPECT_EQ(Files()->FindItem("\\big0.files")->AsFolder()->ChildCount(), 75) << "the anchors' numbers not";
    EXPECT_EQ(Store("\\big0.files\\p42.png"), "42");
}
