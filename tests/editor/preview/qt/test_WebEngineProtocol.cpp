#include "c_MXWebBrowser.h"
#include "frm_AbstractMDIChild.h"
#include "gui_helpers.h"
#include "u_MFSInternetProtocol.h"
#include "u_WebEngineProtocol.h"
#include "u_eBookCommon.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <map>

namespace {

void PutFile(TMFS& mfs, const std::string& path, const std::string& content) {
    mfs.Session()->ForceFolders(TMFS::ExtractPath(path));
    mfs.Session()->CreateFile(path, 0, true)->Content = content;
}

TEST(EngineUrls, SystemFormAndEngineFormMapBothWays) {
    EXPECT_EQ(EngineUrl("mfs:\\pages\\Welcome 1.htm").toString(), "mfs:/pages/Welcome 1.htm");
    EXPECT_EQ(EngineUrl("MFS:pages/a%20b.htm?x=1?y").toString(), "mfs:/pages/a b.htm?x=1?y");
    EXPECT_EQ(EngineUrl("templatepreview:Name.htm").toString(), "templatepreview:/Name.htm");
    EXPECT_EQ(EngineUrl("/tmp/x y.htm"), QUrl::fromLocalFile("/tmp/x y.htm"));
    EXPECT_EQ(EngineUrl("about:blank").toString(), "about:blank");
    EXPECT_EQ(SystemUrl(QUrl("mfs:/pages/caf%C3%A9%20x.htm?!PAGE=1?EDITING_FORM=2")),
              "mfs:\\pages\\caf\xC3\xA9 x.htm?!PAGE=1?EDITING_FORM=2");
    EXPECT_EQ(SystemUrl(QUrl::fromLocalFile("/tmp/x.htm")), "/tmp/x.htm");
    EXPECT_TRUE(SameUrl("templatepreview:Name.htm", "TemplatePreview:\\name.HTM"));
    EXPECT_FALSE(SameUrl("templatepreview:Name.htm", "templatepreview:\\Other.htm"));
    EXPECT_EQ(ResponseMimeType(QUrl("mfs:/a.png"), "<html>", true), "text/html");
    EXPECT_EQ(ResponseMimeType(QUrl("mfs:/a.htm"), "<html>", false), "text/html");
}

// A project store served through "mfs:" with the project hooks, as the main window
// sets it up; every served document is recorded.
class ProjectPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        PutFile(Store, "\\pages\\Welcome page.htm",
                "<html><body style='margin:0;background:#ffffff'>"
                "<img id=r src='images/red.png' width=100 height=100>"
                "<img id=b src='pics\\blue pic.png' width=100 height=100>"
                "<img id=g src='..\\Gr\xC3\xBCn.png' width=100 height=100>"
                "<p id=t>%{Title}</p><div id=c>${CONTENTS}</div><p>${PAGE}</p></body></html>");
        PutFile(Store, "\\pages\\images\\red.png", PngOf(Qt::red));
        PutFile(Store, "\\pages\\pics\\blue pic.png", PngOf(Qt::blue));
        PutFile(Store, "\\Gr\xC3\xBCn.png", PngOf(Qt::green));
        Hooks.ExpandVariables = [](const std::string& text) {
            return ReplaceTextIgnoreCase(text, "%{Title}", "My Book");
        };
        Hooks.ContentsHtml = [] {
            return std::string("<ul><li><a href=\\pages\\x.htm>Chapter A</a></li></ul>\r\n");
        };
        Hooks.Attach(Protocol);
        const TMFSAfterGetDataEvent after = Protocol.OnAfterGetData;
        Protocol.OnAfterGetData = [this, after](TMFSInternetProtocol& sender, const std::string& url,
                                                std::string& data) {
            after(sender, url, data);
            Served[url] = data;
        };
        Browser.resize(420, 300);
        Browser.show();
    }
    TMFS Store;
    TMFSInternetProtocol Protocol{"mfs", &Store};
    TProjectProtocolHooks Hooks;
    std::map<std::string, std::string> Served;
    TMXWebBrowser Browser;
};

TEST_F(ProjectPageTest, PageWithPicturesVariablesAndContentsIsShown) {
    ASSERT_TRUE(NavigateAndWait(Browser, "mfs:\\pages\\Welcome page.htm"));
    ASSERT_TRUE(WaitFor([&] { return Served.size() >= 4; })) << Served.size();
    const std::string& page = Served["\\pages\\Welcome page.htm"];
    EXPECT_NE(page.find("<p id=t>My Book</p>"), std::string::npos) << page;
    EXPECT_NE(page.find("Chapter A</a>"), std::string::npos);
    EXPECT_NE(page.find("${PAGE}"), std::string::npos);
    EXPECT_EQ(Served.count("\\pages\\images\\red.png"), 1u);
    EXPECT_EQ(Served.count("\\pages\\pics\\blue pic.png"), 1u);
    EXPECT_EQ(Served.count("\\Gr\xC3\xBCn.png"), 1u);
    EXPECT_EQ(Browser.LocationURL(), "mfs:\\pages\\Welcome page.htm");
    EXPECT_EQ(Browser.ReadyState(), TReadyState::Complete);

    // Every picture decoded, and the text as expanded.
    ASSERT_TRUE(WaitFor([&] {
        return RunScript(Browser,
                         "Array.from(document.images).every(i => i.complete && i.naturalWidth == 40)")
            .toBool();
    }));
    EXPECT_EQ(RunScript(Browser, "document.getElementById('t').innerText").toString(), "My Book");

    // The screenshot shows the pictures where the page puts them.
    Pause(300);
    const QImage shot = Browser.grab().toImage();
    shot.save(ScreenshotPath("project_page.png"));
    EXPECT_EQ(QColor(shot.pixel(50, 50)), QColor(Qt::red));
    EXPECT_EQ(QColor(shot.pixel(150, 50)), QColor(Qt::blue));
    EXPECT_EQ(QColor(shot.pixel(250, 50)), QColor(Qt::green));
}

TEST_F(ProjectPageTest, QueryIsCutAndMissingFileShowsErrorPage) {
    ASSERT_TRUE(NavigateAndWait(Browser, "mfs:\\pages\\images\\red.png?x=1"));
    EXPECT_EQ(Served.count("\\pages\\images\\red.png"), 1u);

    ASSERT_TRUE(NavigateAndWait(Browser, "mfs:\\pages\\gone page.htm"));
    const std::string text = BodyText(Browser);
    EXPECT_NE(text.find("An exception occured during attempt to get data"), std::string::npos) << text;
    EXPECT_NE(text.find("File \"\\pages\\gone page.htm\" not found"), std::string::npos) << text;
}

TEST_F(ProjectPageTest, UnknownSchemeOfTheEngineIsNotServed) {
    Protocol.Support().SetActive(false);
    NavigateAndWait(Browser, "mfs:\\pages\\Welcome page.htm");
    EXPECT_TRUE(Served.empty());
    Protocol.Support().SetActive(true);
    ASSERT_TRUE(NavigateAndWait(Browser, "mfs:\\pages\\Welcome page.htm"));
    EXPECT_FALSE(Served.empty());
}

// A document window holding unsaved text of a page, as the page editor does.
class TUnsavedPageWindow : public TfrmAbstractMDIChild {
public:
    void GetPageData(TMFSInternetProtocol&, std::string& url, bool& substitute, bool& handled,
                     std::string& data) override {
        if (url.find("?PREVIEW?EDITING_FORM=5") == std::string::npos)
            return;
        substitute = true;
        data = "<html><body><p id=u>unsaved %{Title}</p></body></html>";
        handled = true;
    }
};

TEST_F(ProjectPageTest, OpenDocumentWindowAnswersWithUnsavedText) {
    Hooks.OpenWindows = OpenPageDataClients;
    auto* window = new TUnsavedPageWindow();
    ASSERT_TRUE(NavigateAndWait(Browser, "mfs:\\pages\\Welcome page.htm?PREVIEW?EDITING_FORM=5"));
    EXPECT_EQ(BodyText(Browser), "unsaved My Book");
    EXPECT_EQ(Served.count("\\pages\\Welcome page.htm?PREVIEW?EDITING_FORM=5"), 1u);
    // Without the window the store answers, the query cut off.
    window->CloseWithoutSaving();
    ASSERT_TRUE(NavigateAndWait(Browser, "mfs:\\pages\\Welcome page.htm?PREVIEW?EDITING_FORM=5"));
    EXPECT_NE(BodyText(Browser).find("My Book"), std::string::npos);
    EXPECT_EQ(BodyText(Browser).find("unsaved"), std::string::npos);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(MXWebBrowser, CancelledNavigationLeavesTheDocument) {
    TMXWebBrowser browser;
    browser.show();
    std::vector<std::string> asked;
    browser.OnBeforeNavigate2 = [&](TMXWebBrowser&, const std::string& url, bool& cancel) {
        asked.push_back(url);
        cancel = url.find("forbidden") != std::string::npos;
    };
    int completed = 0;
    browser.OnNavigateComplete2 = [&](TMXWebBrowser&, const std::string&) { ++completed; };
    browser.LoadHTMLText("<html><body><p id=x>first</p></body></html>");
    ASSERT_TRUE(WaitFor([&] { return browser.ReadyState() == TReadyState::Complete && completed == 1; }));
    EXPECT_EQ(asked, std::vector<std::string>{"about:blank"});
    EXPECT_EQ(BodyText(browser), "first");

    browser.Navigate("/forbidden/page.htm");
    Pause(500);
    EXPECT_EQ(asked.back(), "/forbidden/page.htm");
    EXPECT_EQ(BodyText(browser), "first");
    EXPECT_EQ(completed, 1);
}

TEST(MXWebBrowser, OptionSetsGiveFlagWordsAndSettings) {
    TMXWebBrowser browser;
    EXPECT_EQ(browser.DownloadControlFlagWord(), 0x70u); // images, videos, background sounds
    EXPECT_EQ(browser.UserInterfaceFlagWord(), 0u);

    browser.SetUserInterfaceOptions({TUserInterfaceOption::DIALOG, TUserInterfaceOption::NO3DOUTERBORDER,
                                     TUserInterfaceOption::ENABLE_INPLACE_NAVIGATION});
    EXPECT_EQ(browser.UserInterfaceFlagWord(), 0x210001u);
    EXPECT_EQ(DownloadControlFlags({TDownloadControlOption::OFFLINE, TDownloadControlOption::NO_SCRIPTS}),
              0x80000080u);

    browser.SetDownloadOptions({TDownloadControlOption::NO_SCRIPTS});
    EXPECT_FALSE(browser.page()->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled));
    EXPECT_FALSE(browser.page()->settings()->testAttribute(QWebEngineSettings::AutoLoadImages));
    browser.show();
    browser.LoadHTMLText(
        "<html><head><title>static</title><script>document.title='ran'</script></head></html>");
    ASSERT_TRUE(WaitFor([&] { return browser.ReadyState() == TReadyState::Complete; }));
    Pause(200);
    EXPECT_EQ(browser.title(), "static");
}

TEST(MXWebBrowser, CloseIsOfferedToCloseQueryFirst) {
    TMXWebBrowser browser;
    browser.show();
    bool allow = false;
    int asked = 0;
    browser.OnCloseQuery = [&](TMXWebBrowser&, bool& canClose) {
        ++asked;
        EXPECT_TRUE(canClose); // starts true
        canClose = allow;
    };
    EXPECT_FALSE(browser.close());
    EXPECT_TRUE(browser.isVisible());
    allow = true;
    EXPECT_TRUE(browser.close());
    EXPECT_EQ(asked, 2);
}

} // namespace
