#include "../model/ProjectFixture.h"

#include "u_AddFile.h"
#include "u_Exception.h"

#include <unistd.h>

namespace {

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
