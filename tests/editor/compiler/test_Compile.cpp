#include "../../branding/book_fixture.h"
#include "u_Compile.h"
#include "u_Contents.h"
#include "u_MFS.h"
#include "u_Project.h"
#include "u_eBookCommon.h"

#include "temp_folder.h"

#include <memory>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <pthread.h>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TProjectItemInfo* AddPage(TStory& story, TProjectItemInfo* parent, const std::string& name,
                          const std::string& page, bool rightClick = false) {
    auto item = std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikPage, name);
    item->Page = page;
    item->RightClick = rightClick;
    item->Searchable = true;
    item->IncludeInTOC = true;
    return story.AddChild(parent, std::move(item));
}

TProjectItemInfo* AddChapter(TStory& story, TProjectItemInfo* parent, const std::string& name) {
    return story.AddChild(parent, std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter, name));
}

TEST(BookCipher, KnownVectorsAndTheLengthRule) {
    // Empty data: the length and the checksum (both 0) combined with the padded key.
    EXPECT_EQ(EncryptData("", "A", false), "4132373C4132373C");
    EXPECT_EQ(EncryptData("abc", BookFixedKey, false), "5479726E37ABA7ADECE1FEB7");
    EXPECT_EQ(EncryptData("Hello, book!", "secret", false), "73A563728E9E885BB5E337B4D4F4BA8A659795C4");
    for (size_t n = 0; n < 9; ++n) {
        const std::string data(n, 'x');
        EXPECT_EQ(EncryptData(data, "key", true).size(), (8 + n + 3) / 4 * 4) << n;
        EXPECT_EQ(EncryptData(data, "key", false).size(), 2 * ((8 + n + 3) / 4 * 4)) << n;
    }
}

TEST(BookCipher, RoundTripChecksTheKey) {
    std::string binary;
    for (int i = 0; i < 1021; ++i)
        binary.push_back(static_cast<char>(i * 37));
    for (bool raw : {true, false}) {
        const std::string cipher = EncryptData(binary, "open sesame", raw);
        std::string back;
        ASSERT_TRUE(DecryptData(cipher, "open sesame", raw, back));
        EXPECT_EQ(back, binary);
        EXPECT_FALSE(DecryptData(cipher, "open sesamE", raw, back));
        EXPECT_FALSE(DecryptData(cipher, "", raw, back));
    }
    std::string back;
    EXPECT_FALSE(DecryptData("MSCF", "k", true, back));
    EXPECT_FALSE(DecryptData("XYZ", "k", false, back));
}

TEST(BookSecurity, TheFourMethods) {
    EXPECT_EQ(BuildBookSecurity("").DecryptXml, "");
    EXPECT_EQ(
        BuildBookSecurity("<Encrypt Method=\"\" Password=\"x\" PasswordType=\"Simple\">\r\n</Encrypt>\r\n")
            .BookKey,
        "");

    TBookSecurity simple = BuildBookSecurity(
        "<Encrypt Method=\"password\" Password=\"open sesame\" PasswordType=\"SIMPLE\">\r\n</Encrypt>\r\n");
    EXPECT_EQ(simple.DecryptXml, "<Decrypt Method=\"Password\" PasswordType=\"Simple\"/>\r\n");
    EXPECT_EQ(simple.BookKey, "open sesame");
    // No type given reads as Simple; an empty password gives the same text but no key.
    TBookSecurity empty = BuildBookSecurity("<Encrypt Method=\"Password\" Password=\"\"/>");
    EXPECT_EQ(empty.DecryptXml, simple.DecryptXml);
    EXPECT_EQ(empty.BookKey, "");

    TBookSecurity selected = BuildBookSecurity(
        "<Encrypt Method=\"Password\" Password=\"open sesame\" PasswordType=\"Selected\"/>");
    EXPECT_EQ(selected.DecryptXml,
              "<Decrypt Method=\"Password\" PasswordHash=\"-2121520453\" PasswordType=\"Selected\" />\r\n");
    EXPECT_EQ(selected.BookKey, "");
    EXPECT_NE(
        BuildBookSecurity("<Encrypt Method=\"Password\" Password=\"keeper\" PasswordType=\"Selected\"/>")
            .DecryptXml.find("PasswordHash=\"30833270\""),
        std::string::npos);
    EXPECT_EQ(
        BuildBookSecurity("<Encrypt Method=\"Password\" Password=\"x\" PasswordType=\"Other\"/>").DecryptXml,
        "");
}

TEST(BookSecurity, UserRecordsUnlockTheBookKey) {
    const std::string text = "<Encrypt Method=\"UserPassword\" Password=\"\" PasswordType=\"Simple\">\r\n"
                             "\t<Info User=\"Ann\" Password=\"pw1\"/>\r\n"
                             "\t<Info User=\"\" Password=\"\"/>\r\n"
                             "</Encrypt>\r\n";
    const TBookSecurity a = BuildBookSecurity(text);
    const TBookSecurity b = BuildBookSecurity(text);
    EXPECT_TRUE(std::regex_match(
        a.BookKey, std::regex("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}")));
    EXPECT_NE(a.BookKey, b.BookKey);
    const std::regex shape("<Decrypt Method=\"UserPassword\">\r\n\t<Info KeyInfo=\"([0-9A-F]+)\"/>\r\n"
                           "\t<Info KeyInfo=\"([0-9A-F]+)\"/>\r\n</Decrypt>\r\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(a.DecryptXml, m, shape));
    std::string key;
    ASSERT_TRUE(BookKeyFromUserRecord(m[1], "Ann", "pw1", key));
    EXPECT_EQ(key, a.BookKey);
    EXPECT_FALSE(BookKeyFromUserRecord(m[1], "Ann", "pw2", key));
    EXPECT_FALSE(BookKeyFromUserRecord(m[1], "ann", "pw1", key));
    ASSERT_TRUE(BookKeyFromUserRecord(m[2], "", "", key));
    EXPECT_EQ(key, a.BookKey);
    // The record is the book key enciphered with the user key, both in text form.
    EXPECT_EQ(
        UserKeyRecord("Ann", "pw1", "{01234567-89AB-4CDE-8F01-23456789ABCD}"),
        "35AC3539707260CC10863F57006754042D828D8C5EC7B76C1A760177203D56B6E580FDF50F07007207A12B609773D171");
}

TEST(SystemFiles, SystemXmlHasTheBookFormat) {
    TProjectOptions options;
    options.ApplicationTitle = "A \"B\"";
    const std::string text = BuildSystemXml(options);
    // The options of a new project, each attribute as the book's reader reads it.
    EXPECT_EQ(
        text,
        "<System\r\n  Story=\"Story.xml\"\r\n  ToolButtons=\"ToolButtons.xml\"\r\n"
        "  Variables=\"Variables.xml\"\r\n  Icon=\"Application.ico\"\r\n"
        "  ApplicationTitle=\"A \"\"B\"\"\" MainFormCaption=\"\" OutputPath=\"\" DefaultOutput=True "
        "AllowRightClickContextMenu=1 ResizableWindow=True Width=800 Height=600 Template=\"\" "
        "RunMaximized=False\r\n"
        "  Forms=\"AdditionalPages.xml\"\r\n  Decrypt=\"Decrypt.xml\"\r\n>"
        "  <splash Interval=3 PopUpTextS=\"Starting pop-up text...\" PopUpTextE=\"Ending pop-up text...\" "
        "CloseOnClick=False SplashTypeS=\"vsNone\" SplashTypeE=\"vsNone\"\r\n/>"
        "  <toolbar ToolbarPlacement=\"tpTop\" LogoDisplay=False ToolbarTextColor=0 ToolbarBackColor=0 "
        "ToolbarBtnW=32 ToolbarBtnH=32 ToolbarImgW=24 ToolbarImgH=24 ToolbarShowCaption=False "
        "ToolbarFlat=False LogoLink=\"\" LogoText=\"\" \r\n/></System>\r\n");
}

TEST(SystemFiles, StoryXmlNestsChaptersWithoutTheirNames) {
    TStory story;
    TProjectItemInfo* chapter = AddChapter(story, nullptr, "Part \"One\"");
    AddPage(story, chapter, "Say \"hi\"", "\\a b.htm", true);
    TProjectItemInfo* inner = AddChapter(story, chapter, "Inner");
    AddPage(story, inner, "Deep", "\\d.htm", false)->PasswordProtection = true;
    AddPage(story, nullptr, "Last", "\\c.htm", false);
    const std::string text = BuildStoryXml(story, 2);
    EXPECT_EQ(text,
              "<Story>\r\n"
              "    <item>\r\n"
              "      <item page=\"\\a b.htm\" pagename=\"Say \"\"hi\"\"\" searchable=True rightclick=True "
              "passwordprotection=False/>\r\n"
              "      <item>\r\n"
              "        <item page=\"\\d.htm\" pagename=\"Deep\" searchable=True rightclick=False "
              "passwordprotection=True/>\r\n"
              "      </item>\r\n"
              "    </item>\r\n"
              "    <item page=\"\\c.htm\" pagename=\"Last\" searchable=True rightclick=False "
              "passwordprotection=False/>\r\n"
              "</Story>");
    EXPECT_EQ(text.find("Part"), std::string::npos);
    // Right-click modes 0 and 1 override the pages' own flags.
    const std::string allowed = BuildStoryXml(story, 0);
    EXPECT_EQ(allowed.find("rightclick=False"), std::string::npos);
    const std::string refused = BuildStoryXml(story, 1);
    EXPECT_EQ(refused.find("rightclick=True"), std::string::npos);
    EXPECT_EQ(BuildStoryXml(TStory(), 2), "<Story>\r\n</Story>");
}

TEST(SystemFiles, OutputFileName) {
    TProjectOptions options;
    EXPECT_EQ(OutputFileName("/books/Guide.ebp", options), "/books/Guide.exe");
    EXPECT_EQ(OutputFileName("/books.v2/Guide", options), "/books.v2/Guide.exe");
    options.DefaultOutput = false;
    options.OutputPath = "/out/book";
    EXPECT_EQ(OutputFileName("/books/Guide.ebp", options), "/out/book.exe");
    options.OutputPath = "/out/book.bin";
    EXPECT_EQ(OutputFileName("/books/Guide.ebp", options), "/out/book.exe");
}

TEST(CompileSummary, TextAndSecurityLines) {
    TProjectOptions options;
    options.ApplicationTitle = "Task";
    options.MainFormCaption = "Title";
    // A project without security settings has none; asking creates no file.
    TBookProject project;
    EXPECT_EQ(CompileSecurityLine(project), "No Security");
    EXPECT_FALSE(project.SystemStore().Session()->Exists("\\Encrypt.xml"));
    EXPECT_EQ(CompileSummaryText(options, "No Security"), "Project options:\r\n\r\n"
                                                          "eBook Task Bar: Task\r\n"
                                                          "eBook Title Bar: Title\r\n"
                                                          "Output Path: the same as the project.\r\n"
                                                          "\r\nSizes:\r\n"
                                                          "Window Width: 800\r\n"
                                                          "Window Height: 600\r\n"
                                                          "Resizable Window: True\r\n"
                                                          "Run Maximized: False\r\n"
                                                          "Allow Right Click: No\r\n"
                                                          "Toolbar Placement: Top\r\n"
                                                          "\r\nSplash:\r\n"
                                                          "Close After 3 seconds\r\n"
                                                          "Close on Mouse Click: False\r\n"
                                                          "At the Start: No Splash\r\n"
                                                          "At the End: No Splash\r\n"
                                                          "\r\nSecurity:\r\nNo Security\r\n"
                                                          "\r\nCompile Project?");
    options.DefaultOutput = false;
    options.OutputPath = "/out/b.exe";
    options.AllowRightClickContextMenu = 2;
    options.Toolbar().ToolbarPlacement = tpNoToolbar;
    options.Toolbar().LogoDisplay = true;
    options.Toolbar().LogoLink = "http://x";
    options.Toolbar().LogoText = "Hint";
    options.Splash().SplashTypeS = vsPopUp;
    options.Splash().SplashTypeE = vsSplash;
    const std::string text = CompileSummaryText(options, "");
    EXPECT_NE(text.find("Output Path: /out/b.exe\r\n"), std::string::npos);
    EXPECT_NE(text.find("Allow Right Click: Custom\r\nToolbar Placement: No Toolbar\r\nLogo On Toolbar\r\n"
                        "Logo Link: http://x\r\nLogo Hint: Hint\r\n\r\nSplash:"),
              std::string::npos);
    EXPECT_NE(text.find("At the Start: PopUp Message\r\nAt the End: Splash\r\n\r\nCompile Project?"),
              std::string::npos);
    EXPECT_EQ(text.find("Security"), std::string::npos);

    auto line = [](const std::string& xml) {
        TBookProject p;
        p.SystemStore().Session()->CreateFile("\\Encrypt.xml", 0, false)->Content = xml;
        return CompileSecurityLine(p);
    };
    EXPECT_EQ(line("<Encrypt Method=\"Password\" Password=\"p\" PasswordType=\"Simple\"/>"),
              "Simple Password (All Book)");
    EXPECT_EQ(line("<Encrypt Method=\"Password\" PasswordType=\"Selected\"/>"), "Password (Selected Pages)");
    EXPECT_EQ(line("<Encrypt Method=\"UserPassword\"/>"), "Username and Password");
    EXPECT_EQ(line("<Encrypt Method=\"\"/>"), "No Security");
    EXPECT_EQ(line("<Encrypt Method=\"Other\"/>"), "");
}

} // namespace

// ---- Compiles against a small synthetic program, with no reader program needed ----

namespace {

class CompileChecks : public ::testing::Test {
protected:
    void SetUp() override {
        Temp = std::make_unique<TTempFolder>("quarvel-compile-checks");
        Dir = Temp->Path();
        WriteFileText(fixture::SyntheticProgram(), Dir + "/program/Pagelamp.exe");
        Settings.ProgramFolder = Dir + "/program";
        Settings.OutputFile = Dir + "/out/book.exe";
        AddPage(Project.Story(), nullptr, "Start", "\\Index.htm");
        Project.FilesStore().Session()->CreateFile("\\Index.htm", 0, false)->Content = "<h1>start</h1>";
        Project.SaveProject(Dir + "/p.ebp");
    }
    void TearDown() override { DeleteTree(Dir); }

    std::string ErrorOf(const std::string& output) {
        try {
            CheckCompileOutput(Project, output, Settings.ProgramFolder);
        } catch (const ECompileError& e) {
            return e.Message();
        }
        return "accepted";
    }

    std::unique_ptr<TTempFolder> Temp; // the folder itself
    std::string Dir;
    TPresetProjectHost Host;
    TBookProject Project{&Host};
    TCompileSettings Settings;
};

// An output that would destroy the project, feed the book into itself or is no file at
// all is refused before anything is built; the editor's compile runs the same check.
TEST_F(CompileChecks, OutputsThatAreNoPlaceForABookAreRefused) {
    const std::string project = Dir + "/p.ebp";
    const std::string before = ReadFileText(project);
    ASSERT_EQ(mkfifo((Dir + "/fifo").c_str(), 0600), 0);
    ASSERT_EQ(link(project.c_str(), (Dir + "/hard.ebp").c_str()), 0);
    ASSERT_EQ(symlink(project.c_str(), (Dir + "/soft.exe").c_str()), 0);
    const std::pair<std::string, std::string> refused[] = {
        {project, "it is the project file"},
        {Dir + "/hard.ebp", "it is the project file"},
        {Dir + "/soft.exe", "it is the project file"},
        {Dir + "/p.files/book.exe", "it lies inside the project's folder \"" + Dir + "/p.files\""},
        {Dir + "/p.system/deeper/book.exe", "it lies inside the project's folder \"" + Dir + "/p.system\""},
        {Dir + "/fifo", "it is not a regular file"},
        {"/dev/null", "it is not a regular file"},
        {Dir + "/p.files", "it is not a regular file"},
        {Dir + "/program/Pagelamp.exe", "it is the reader program"}};
    for (const auto& [output, why] : refused)
        EXPECT_EQ(ErrorOf(output), "The book cannot be written to \"" + output + "\": " + why);
    EXPECT_EQ(ErrorOf(Dir + "/elsewhere/book.exe"), "accepted");
    EXPECT_EQ(ErrorOf(Dir + "/p.files.exe"), "accepted") << "a sibling of the folder is no part of it";

    Settings.OutputFile = project;
    EXPECT_THROW(CompileProject(Project, Settings), ECompileError);
    EXPECT_EQ(ReadFileText(project), before);
    Settings.OutputFile = Dir + "/out/book.exe";
    EXPECT_EQ(CompileProject(Project, Settings), Settings.OutputFile);
}

// A story page missing from the files store is reported (to the settings' callback, else
// to the host); a name holding a backslash is refused, naming the host file.
TEST_F(CompileChecks, MissingStoryPagesAreWarningsAndBackslashNamesAreRefused) {
    AddPage(Project.Story(), nullptr, "Gone", "\\Gone.htm");
    AddPage(Project.Story(), AddChapter(Project.Story(), nullptr, "C"), "Folder", "\\");
    CompileProject(Project, Settings);
    EXPECT_EQ(Host.Warnings,
              (std::vector<std::string>{
                  "Story page \"Gone\" names \"\\Gone.htm\", which is not among the project's files",
                  "Story page \"Folder\" names \"\\\", which is not among the project's files"}));
    std::vector<std::string> told;
    Settings.Warning = [&](const std::string& text) { told.push_back(text); };
    CompileProject(Project, Settings);
    EXPECT_EQ(told.size(), 2u);
    EXPECT_EQ(Host.Warnings.size(), 2u);

    TMFSFolder* folder = Project.FilesStore().Session()->ForceFolders("\\pics");
    new TMFSFile(&Project.FilesStore(), folder, "a\\b.png"); // a host name, legal on this host
    try {
        CompileProject(Project, Settings);
        FAIL() << "compiled";
    } catch (const ECompileError& e) {
        EXPECT_EQ(e.Message(), "File \"" + Dir + "/p.files/pics/a\\b.png\" cannot go into a book: its name holds "
                                                   "a backslash");
    }
}

// Links of pages and stylesheets (of every kind) that lead out of the files store are
// warnings; links inside it, web addresses and embedded data are not.
TEST_F(CompileChecks, LinksLeadingOutOfTheProjectAreWarnings) {
    TMFSSession* files = Project.FilesStore().Session();
    files->CreateFile("\\Index.htm", 0, true)->Content =
        "<img src=\"pics/in.png\" srcset=\"file:///home/ann/big.png 2x\"><a href=\"/home/ann/site/b.htm\">b</a>"
        "<script src=\"../lib.js\"></script><img src=\"data:image/png;base64,iVBORw0KGgo=\">"
        "<a href=\"https://example.com/\">w</a><p style=\"background:url(C:/pics/x.png)\"></p>";
    files->ForceFolders("\\pics");
    files->CreateFile("\\pics\\in.png", 0, true)->Content = "PNG";
    files->ForceFolders("\\css");
    files->CreateFile("\\css\\s.css", 0, true)->Content = "@import \"../../up.css\"; p{background:url(../pics/in.png)}";
    CompileProject(Project, Settings);
    const std::string tail = ": the book cannot show what it names";
    // In the store's order: "\css" comes before "\Index.htm".
    EXPECT_EQ(Host.Warnings, (std::vector<std::string>{
                                 "Link \"../../up.css\" of \"\\css\\s.css\" leads out of the project" + tail,
                                 "Link \"file:///home/ann/big.png\" of \"\\Index.htm\" leads out of the project" + tail,
                                 "Link \"/home/ann/site/b.htm\" of \"\\Index.htm\" leads out of the project" + tail,
                                 "Link \"../lib.js\" of \"\\Index.htm\" leads out of the project" + tail,
                                 "Link \"C:/pics/x.png\" of \"\\Index.htm\" leads out of the project" + tail}));
}

// Runs Body on a thread with a small stack (256 KB): a walk with one call per level of a
// few thousand levels would not fit into it.
void OnSmallStack(const std::function<void()>& body) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256 * 1024);
    pthread_t thread;
    auto run = [](void* arg) -> void* {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&body)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

// Stories nested deeper than one stack frame per level would take.
TEST(SystemFiles, DeepStoriesAreWrittenWithoutRecursion) {
    TStory story;
    TProjectItemInfo* parent = nullptr;
    const int depth = 4000;
    for (int i = 0; i < depth; ++i)
        parent = AddChapter(story, parent, "c");
    AddPage(story, parent, "p", "\\p.htm");
    std::string xml, contents;
    OnSmallStack([&] {
        xml = BuildStoryXml(story, 2);
        contents = BuildContentsHtml(story);
    });
    EXPECT_EQ(std::count(xml.begin(), xml.end(), '\n'), 2 * depth + 2);
    EXPECT_NE(xml.find("\n" + std::string(4 + 2 * depth, ' ') + "<item page=\"\\p.htm\""), std::string::npos);
    EXPECT_EQ(xml.substr(xml.size() - 23), "\r\n    </item>\r\n</Story>");
    EXPECT_NE(contents.find("<li><a href=\"\\p.htm\">c</a></li>"), std::string::npos);
}

} // namespace
