#include "frm_Preview.h"
#include "gui_helpers.h"
#include "u_WebEngineProtocol.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QWindow>

#include <gtest/gtest.h>

#include <fstream>

namespace {

void WriteHostFile(const QString& path, const std::string& content) {
    QDir().mkpath(QFileInfo(path).path());
    std::ofstream(path.toStdString(), std::ios::binary) << content;
}

bool WaitForCaption(TfrmPreview* preview, const QString& caption) {
    return WaitFor([&] { return PreviewWindow() == preview && preview->windowTitle() == caption; });
}

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Folder.isValid());
        WriteHostFile(Folder.filePath("Chapter One.htm"),
                      "<html><body style='margin:0;background:#ffffff'>"
                      "<img src='images/pic.png' width=120 height=120>"
                      "<h1 id=h>${name}</h1>[PAGE]<p>Body text</p>[/page]"
                      "<a id=l href='Other.htm'>next page</a></body></html>");
        WriteHostFile(Folder.filePath("Other.htm"), "<html><body><p>other</p></body></html>");
        WriteHostFile(Folder.filePath("images/pic.png"), PngOf(Qt::magenta));
    }
    void TearDown() override {
        if (TfrmPreview* preview = PreviewWindow())
            preview->CloseWithoutSaving();
        WaitFor([] { return PreviewWindow() == nullptr; });
    }
    QTemporaryDir Folder;
};

TEST_F(PreviewTest, TemplatePageIsShownWithNameAndWithoutMarkers) {
    const std::string fileName = Folder.filePath("Chapter One.htm").toStdString();
    PreviewTemplatePage(fileName, true);
    TfrmPreview* preview = PreviewWindow();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle(), "Preview");
    EXPECT_EQ(preview->HomeURL, "templatepreview:Chapter One.htm");
    ASSERT_TRUE(WaitForCaption(preview, QString::fromStdString("Preview: " + fileName)));
    const std::string text = BodyText(*preview->webPreview);
    EXPECT_NE(text.find("Chapter One"), std::string::npos) << text;
    EXPECT_NE(text.find("Body text"), std::string::npos) << text;
    EXPECT_EQ(text.find("[PAGE]"), std::string::npos) << text;
    EXPECT_EQ(text.find("[/page]"), std::string::npos) << text;

    ASSERT_TRUE(WaitFor([&] {
        return RunScript(*preview->webPreview,
                         "document.images[0].complete && document.images[0].naturalWidth == 40")
            .toBool();
    }));
    Pause(300);
    const QImage shot = preview->grab().toImage();
    shot.save(ScreenshotPath("template_preview.png"));
    EXPECT_EQ(QColor(shot.pixel(60, 60)), QColor(Qt::magenta));

    // A clicked link does nothing.
    RunScript(*preview->webPreview, "document.getElementById('l').click(); true");
    Pause(800);
    EXPECT_EQ(preview->webPreview->LocationURL(), "templatepreview:\\Chapter One.htm");
    EXPECT_NE(BodyText(*preview->webPreview).find("Body text"), std::string::npos);
}

TEST_F(PreviewTest, ClosingAndPreviewingAgainRegistersTheSchemeAnew) {
    const std::string fileName = Folder.filePath("Chapter One.htm").toStdString();
    PreviewTemplatePage(fileName, true);
    TfrmPreview* first = PreviewWindow();
    ASSERT_NE(first, nullptr);
    // A second request reuses the window.
    PreviewTemplatePage(Folder.filePath("Other.htm").toStdString(), true);
    EXPECT_EQ(PreviewWindow(), first);
    ASSERT_TRUE(WaitFor([&] { return BodyText(*first->webPreview).find("other") != std::string::npos; }));

    EXPECT_TRUE(first->close());
    EXPECT_EQ(PreviewWindow(), nullptr);
    EXPECT_EQ(ProtocolSession().FindProtocol("templatepreview"), nullptr);
    // At once, before the closed window is freed.
    EXPECT_NO_THROW(PreviewTemplatePage(fileName, true));
    TfrmPreview* second = PreviewWindow();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(ProtocolSession().FindProtocol("templatepreview"), nullptr);
    ASSERT_TRUE(WaitForCaption(second, QString::fromStdString("Preview: " + fileName)));
}

TEST_F(PreviewTest, DiskFileWithUnrestrictedNavigationFollowsLinks) {
    const std::string fileName = Folder.filePath("Chapter One.htm").toStdString();
    PreviewURL(fileName, false);
    TfrmPreview* preview = PreviewWindow();
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(WaitForCaption(preview, QString::fromStdString("Preview: " + fileName)));
    // A disk file is shown as it is: no template expansion.
    EXPECT_NE(BodyText(*preview->webPreview).find("${name}"), std::string::npos);
    RunScript(*preview->webPreview, "document.getElementById('l').click(); true");
    ASSERT_TRUE(WaitFor([&] { return BodyText(*preview->webPreview).find("other") != std::string::npos; }));
}

TEST_F(PreviewTest, MissingTemplateFolderShowsErrorPage) {
    PreviewTemplatePage(Folder.filePath("gone/Page.htm").toStdString(), true);
    TfrmPreview* preview = PreviewWindow();
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(WaitFor([&] {
        return BodyText(*preview->webPreview).find("File \"\\Page.htm\" not found") != std::string::npos;
    }));
}

// A document window that counts its saves.
class TCountingWindow : public TfrmAbstractMDIChild {
public:
    int* Saves;
    bool Modified = true;
    explicit TCountingWindow(int* saves) : Saves(saves) {}
    void SaveChanges() override {
        if (Modified)
            ++*Saves;
    }
    void CloseWithoutSaving() override {
        Modified = false;
        TfrmAbstractMDIChild::CloseWithoutSaving();
    }
};

TEST(AbstractMDIChild, ClosingSavesAndCloseWithoutSavingDoesNot) {
    int saves = 0;
    QPointer<TCountingWindow> a = new TCountingWindow(&saves);
    QPointer<TCountingWindow> b = new TCountingWindow(&saves);
    ShowDocumentWindow(a);
    ShowDocumentWindow(b);
    const auto open = OpenDocumentWindows();
    ASSERT_GE(open.size(), 2u);
    EXPECT_EQ(open[open.size() - 2], a.data());
    EXPECT_EQ(open.back(), b.data());

    a->close();
    EXPECT_EQ(saves, 1);
    b->CloseWithoutSaving();
    EXPECT_EQ(saves, 1);
    // Freed when closed (the deferred deletion runs once the test lets it).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(a.isNull());
    EXPECT_TRUE(b.isNull());
    EXPECT_TRUE(OpenDocumentWindows().empty());
}

} // namespace
