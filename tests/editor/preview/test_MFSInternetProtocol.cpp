#include "u_Contents.h"
#include "u_MFSInternetProtocol.h"
#include "u_Project.h"
#include "u_Variables.h"
#include "u_eBookCommon.h"

#include <gtest/gtest.h>

namespace {

void PutFile(TMFS& mfs, const std::string& path, const std::string& content) {
    mfs.Session()->ForceFolders(TMFS::ExtractPath(path));
    mfs.Session()->CreateFile(path, 0, true)->Content = content;
}

// Serves a URL the way the engine asks for it: through a new protocol object.
std::string Serve(const std::string& url) {
    TCustomInternetProtocol protocol;
    EXPECT_EQ(protocol.Start(url, nullptr), S_OK);
    std::string out(protocol.TotalSize(), '\0');
    std::uint32_t read = 0;
    EXPECT_EQ(protocol.Read(out.data(), protocol.TotalSize(), read), S_FALSE);
    return out;
}

// Joins as the engine does and returns the canonical URL.
std::string Join(const std::string& base, const std::string& relative) {
    TCustomInternetProtocol protocol;
    char16_t buffer[1024];
    std::uint32_t needed = 0;
    EXPECT_EQ(protocol.CombineUrl(base, relative, 0, buffer, 1024, needed), S_OK);
    return std::string(buffer, buffer + needed);
}

bool IsErrorPage(const std::string& page, const std::string& message) {
    return page.rfind("<html><pre><p>An exception occured during attempt to get data</p>", 0) == 0 &&
           page.find(message) != std::string::npos;
}

class MFSProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        PutFile(Store, "\\pages\\index.html", "<p>index</p>");
        PutFile(Store, "\\pages\\images\\a.png", "PNG-a");
        PutFile(Store, "\\pages\\pics\\a b.png", "PNG-blank");
        PutFile(Store, "\\x.png", "PNG-x");
        PutFile(Store, "\\Caf\xC3\xA9.htm", "cafe");
    }
    TMFS Store;
    TMFSInternetProtocol Protocol{"mfs", &Store};
};

TEST_F(MFSProtocolTest, ServesFilesOfTheStore) {
    EXPECT_EQ(Serve("mfs:\\pages\\index.html"), "<p>index</p>");
    EXPECT_EQ(Serve("MFS:/pages/INDEX.html"), "<p>index</p>");
    EXPECT_EQ(Serve("mfs:pages\\images\\a.png"), "PNG-a"); // from the session's current folder
    EXPECT_EQ(Serve("mfs:\\pages\\pics\\a%20b.png"), "PNG-blank");
    EXPECT_EQ(Serve("mfs:\\Caf\xC3\xA9.htm"), "cafe");
    // A URL that still carries its scheme after the colon loses it once.
    EXPECT_EQ(Serve("mfs:mfs:\\x.png"), "PNG-x");
}

TEST_F(MFSProtocolTest, MissingFileShowsErrorPageNamingIt) {
    const std::string page = Serve("mfs:\\pages\\gone.htm");
    EXPECT_TRUE(IsErrorPage(page, "<p>URL: <b>\\pages\\gone.htm</b></p>")) << page;
    EXPECT_NE(page.find("File \"\\pages\\gone.htm\" not found"), std::string::npos) << page;
}

TEST_F(MFSProtocolTest, RelativeLinksResolveWithStorePathRules) {
    const std::string base = "mfs:\\pages\\index.html";
    EXPECT_EQ(Join(base, "images/a.png"), "mfs:\\pages\\images\\a.png");
    EXPECT_EQ(Serve(Join(base, "images/a.png")), "PNG-a");
    EXPECT_EQ(Join(base, "/x.png"), "mfs:\\x.png");
    EXPECT_EQ(Join(base, "pics\\a b.png"), "mfs:\\pages\\pics\\a%20b.png");
    EXPECT_EQ(Serve(Join(base, "pics\\a b.png")), "PNG-blank");
    EXPECT_EQ(Serve(Join(base, "../x.png")), "PNG-x");
    EXPECT_EQ(Serve(Join(base, "..\\x.png")), "PNG-x");
    EXPECT_TRUE(IsErrorPage(Serve(Join(base, "../../x.png")), "not found"));
    EXPECT_EQ(Join(base, "http://example.org/a.png"), "http://example.org/a.png");
    EXPECT_EQ(Join("mfs:index.html", "a.png"), "mfs:a.png");
}

TEST_F(MFSProtocolTest, HooksRunAroundTheRead) {
    std::vector<std::string> calls;
    Protocol.OnBeforeGetData = [&](TMFSInternetProtocol& sender, std::string& url, std::string& data,
                                   bool& handled) {
        EXPECT_EQ(&sender, &Protocol);
        calls.push_back("before " + url);
        if (url == "\\virtual") {
            data = "made";
            handled = true;
        }
        if (url == "\\alias")
            url = "\\x.png";
    };
    Protocol.OnAfterGetData = [&](TMFSInternetProtocol&, const std::string& url, std::string& data) {
        calls.push_back("after " + url);
        data += "!";
    };
    Protocol.OnBeforeCombineURL = [&](TMFSInternetProtocol&, std::string& base, std::string& rel) {
        base = "\\other\\page.htm";
        rel = "y.png";
    };
    EXPECT_EQ(Serve("mfs:\\virtual"), "made!");
    EXPECT_EQ(Serve("mfs:\\alias"), "PNG-x!");
    EXPECT_EQ(calls, (std::vector<std::string>{"before \\virtual", "after \\virtual", "before \\alias",
                                               "after \\x.png"}));
    EXPECT_EQ(Protocol.CombineURL("\\a\\b.htm", "c.png"), "\\other\\y.png");
}

TEST_F(MFSProtocolTest, SchemeIsRegisteredForTheProtocolsLifetime) {
    EXPECT_EQ(ProtocolSession().FindProtocol("mfs"), &Protocol.Support());
    EXPECT_THROW(TMFSInternetProtocol("MFS", &Store), Exception);
    {
        TMFSInternetProtocol preview("templatepreview", &Store);
        EXPECT_TRUE(preview.Support().Active());
    }
    EXPECT_EQ(ProtocolSession().FindProtocol("templatepreview"), nullptr);
    TMFSInternetProtocol again("templatepreview", &Store); // registers anew without error
    EXPECT_NE(ProtocolSession().FindProtocol("templatepreview"), nullptr);
}

// A document window that claims URLs carrying its own number.
class TFakeWindow : public TPageDataClient {
public:
    explicit TFakeWindow(std::string tag, bool substitute) : Tag(std::move(tag)), Substitute(substitute) {}
    void GetPageData(TMFSInternetProtocol&, std::string& url, bool& substitute, bool& handled,
                     std::string& data) override {
        ++Calls;
        if (url.find(Tag) == std::string::npos)
            return;
        substitute = Substitute;
        data = "unsaved %{Title} ${CONTENTS} ${PAGE}";
        handled = true;
    }
    std::string Tag;
    bool Substitute;
    int Calls = 0;
};

class ProjectHooksTest : public MFSProtocolTest {
protected:
    void SetUp() override {
        MFSProtocolTest::SetUp();
        PutFile(Store, "\\page.htm", "%{title} and %{Missing}: ${contents} ${PAGE}");
        Hooks.OpenWindows = [this] { return std::vector<TPageDataClient*>{&Editing, &Previewing}; };
        Hooks.ExpandVariables = [](const std::string& text) {
            return ReplaceTextIgnoreCase(text, "%{Title}", "My Book");
        };
        Hooks.ContentsHtml = [this] {
            ++ContentsBuilt;
            return std::string("<ul><li>story</li></ul>\r\n");
        };
        Hooks.Attach(Protocol);
    }
    TProjectProtocolHooks Hooks;
    TFakeWindow Editing{"?EDITING_FORM=1", false};
    TFakeWindow Previewing{"?PREVIEW?EDITING_FORM=2", true};
    int ContentsBuilt = 0;
};

TEST_F(ProjectHooksTest, StorePagesGetVariablesAndContents) {
    EXPECT_EQ(Serve("mfs:\\page.htm"), "My Book and %{Missing}: <ul><li>story</li></ul>\r\n ${PAGE}");
    EXPECT_EQ(Editing.Calls, 1);
    EXPECT_EQ(Previewing.Calls, 1);
    EXPECT_EQ(Serve("mfs:\\x.png"), "PNG-x");
    EXPECT_EQ(ContentsBuilt, 1); // only for the page that holds the placeholder
}

TEST_F(ProjectHooksTest, QueryIsCutWhenNoWindowClaimsTheURL) {
    EXPECT_EQ(Serve("mfs:\\pages\\index.html?x=1"), "<p>index</p>");
    EXPECT_EQ(Serve("mfs:\\pages\\index.html?PREVIEW?EDITING_FORM=7"), "<p>index</p>");
}

TEST_F(ProjectHooksTest, WindowsAnswerFirstAndDecideSubstitution) {
    // The editing surface keeps the references as written.
    EXPECT_EQ(Serve("mfs:\\page.htm?!PAGE=0?EDITING_FORM=1"), "unsaved %{Title} ${CONTENTS} ${PAGE}");
    EXPECT_EQ(Previewing.Calls, 0); // the first window that handles it stops the chain
    // The preview shows the unsaved text with variables and contents filled in.
    EXPECT_EQ(Serve("mfs:\\page.htm?PREVIEW?EDITING_FORM=2"),
              "unsaved My Book <ul><li>story</li></ul>\r\n ${PAGE}");
}

TEST_F(ProjectHooksTest, FailuresOfTheHooksShowTheErrorPage) {
    Hooks.ExpandVariables = [](const std::string&) -> std::string {
        throw Exception("Cycling reference encountered during loading variable \"A\"");
    };
    EXPECT_TRUE(IsErrorPage(Serve("mfs:\\page.htm"), "Cycling reference"));
}

TEST(TemplatePreviewHook, FillsNameAndDropsPageMarkers) {
    TMFS copy;
    PutFile(copy, "\\Chapter One.htm", "<h1>${name}</h1>[PAGE]body[/page] [Page]x[/PAGE]");
    TMFSInternetProtocol protocol("templatepreview", &copy);
    protocol.OnAfterGetData = TemplatePreviewAfterGetData;
    EXPECT_EQ(Serve("templatepreview:Chapter%20One.htm"), "<h1>Chapter One</h1>body x");
}

// The hooks as the main window wires them: the project's variables file and story.
TEST(ProjectHooksWithProject, VariablesFileAndStoryFillThePage) {
    TMFS files;
    PutFile(files, "\\a.htm", "<h1>%{title}</h1>${Contents}${PAGE}");
    TVariables variables("<vars>\r\n<var name=\"Title\">$Tales of %{Place}</var>\r\n"
                         "<var name=\"place\">Brevant</var>\r\n</vars>\r\n",
                         true);
    TStory story;
    auto* chapter =
        story.AddChild(nullptr, std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter, "Part A"));
    auto page = std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikPage, "First");
    page->Page = "\\a.htm";
    page->IncludeInTOC = true;
    story.AddChild(chapter, std::move(page));

    TMFSInternetProtocol protocol("mfs", &files);
    TProjectProtocolHooks hooks;
    hooks.ExpandVariables = [&](const std::string& text) { return variables.Expand(text); };
    hooks.ContentsHtml = [&] { return BuildContentsHtml(story); };
    hooks.Attach(protocol);
    EXPECT_EQ(Serve("mfs:\\a.htm"), "<h1>Tales of Brevant</h1>" + BuildContentsHtml(story) + "${PAGE}");
    EXPECT_NE(BuildContentsHtml(story).find("<li><a href=\\a.htm>First</a></li>"), std::string::npos);
}

} // namespace
