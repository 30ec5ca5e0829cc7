// The Files tab: template previews, Add To Project from templates and from the disk,
// the Preview entries and the preview that follows no link.
#include "main_helpers.h"

#include "c_MXWebBrowser.h"
#include "fram_FilesPane.h"
#include "fram_StoryTree.h"
#include "frm_Preview.h"
#include "u_AddFile.h"
#include "u_Templates.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMdiArea>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTreeWidget>

namespace {

class FilesPaneTest : public MainWindowTest {
protected:
    TfrmMain& StartOnFiles(bool WithProject = true) {
        QStringList arguments{QStringLiteral("tomewright")};
        if (WithProject)
            arguments << QString::fromStdString(CopySample(Folder));
        TfrmMain& w = Start(arguments);
        Pane = Named<TframFilesPane>(w, "framFilesPane");
        Named<QTabWidget>(w, "pcControl")->setCurrentWidget(Named<QWidget>(w, "tsFiles"));
        ProcessEvents();
        return w;
    }
    QTreeWidgetItem* TemplateNode(const QString& Caption) {
        const QList<QTreeWidgetItem*> found =
            Pane->tvTemplates->findItems(Caption, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }
    // Selects a template node and waits until the preview shows Text.
    bool PreviewShows(const std::string& Text) {
        return WaitFor([&] { return BodyText(*Pane->webFilePreview).find(Text) != std::string::npos; });
    }
    // A file of the folder "disk" beside the project.
    void WriteFile(const QString& Name, const QByteArray& Data) {
        QDir().mkpath(Folder.filePath(QStringLiteral("disk")));
        QFile file(Folder.filePath(QStringLiteral("disk/") + Name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Data);
    }
    TframFilesPane* Pane = nullptr;
};

TEST_F(FilesPaneTest, TemplatesArePreviewedWithTheirDescriptionAndThumbnail) {
    TfrmMain& w = StartOnFiles();
    EXPECT_TRUE(Named<QWidget>(w, "pnlForWebPreview")->isVisible());
    ASSERT_TRUE(PreviewShows("Select item for preview"));
    EXPECT_EQ(Pane->AllowedPreviewURL, "about:blank");
    ASSERT_EQ(Pane->tvTemplates->topLevelItemCount(), w.Templates().Count());
    TTemplate* novel = w.Templates().FindByCaption("Novel");
    ASSERT_NE(novel, nullptr);
    QTreeWidgetItem* node = TemplateNode(QStringLiteral("Novel"));
    ASSERT_NE(node, nullptr);
    Pane->tvTemplates->setCurrentItem(node);
    EXPECT_EQ(Pane->memDescription->toPlainText().toStdString(), novel->Description);
    EXPECT_FALSE(Pane->imgThumbnail->pixmap().isNull());
    ASSERT_FALSE(novel->Items.empty());
    const std::string expected = TemplatePreviewHtml(*novel);
    EXPECT_TRUE(WaitFor([&] { return !BodyText(*Pane->webFilePreview).empty(); }));
    Pause(300);
    SaveScreenshot(&w, QStringLiteral("main_files_template_preview.png"));
    // A chapter shows its text; the Project tab hides the preview.
    for (QTreeWidgetItemIterator it(node); *it; ++it)
        if ((*it)->childCount() > 0 && *it != node) {
            Pane->tvTemplates->setCurrentItem(*it);
            EXPECT_TRUE(PreviewShows("It will appear in the table of contents"));
            break;
        }
    Named<QTabWidget>(w, "pcControl")->setCurrentWidget(Named<QWidget>(w, "tsProject"));
    EXPECT_FALSE(Named<QWidget>(w, "pnlForWebPreview")->isVisible());
}

TEST_F(FilesPaneTest, AddToProjectAddsATemplatePageChapterAndWholeTemplate) {
    TfrmMain& w = StartOnFiles();
    TTemplate* novel = w.Templates().FindByCaption("Novel");
    ASSERT_NE(novel, nullptr);
    Idle();
    EXPECT_FALSE(Pane->actAddToProject->isEnabled()); // no node yet
    // A page after the selected story item.
    TTemplatePage* page = nullptr;
    novel->ForEachPage([&page](TTemplatePage& p) {
        page = &p;
        return false;
    });
    ASSERT_NE(page, nullptr);
    Named<TframStoryTree>(w, "framStoryTree")->SelectItem(w.Project().Story().Items(0));
    QTreeWidgetItem* pageNode = nullptr;
    for (QTreeWidgetItemIterator it(TemplateNode(QStringLiteral("Novel"))); *it; ++it)
        if ((*it)->text(0).toStdString() == page->Caption && (*it)->childCount() == 0)
            pageNode = *it;
    ASSERT_NE(pageNode, nullptr);
    Pane->tvTemplates->setCurrentItem(pageNode);
    Idle();
    ASSERT_TRUE(Pane->actAddToProject->isEnabled());
    EXPECT_TRUE(Pane->actPreview->isEnabled());
    EXPECT_FALSE(Pane->popTemplates->actions().contains(Pane->actPreview)); // a hidden entry
    Pane->actAddToProject->trigger();
    EXPECT_EQ(w.Project().Story().Items(1)->Name, page->Caption);
    EXPECT_EQ(Named<TStoryTreeView>(*Named<TframStoryTree>(w, "framStoryTree"), "tvProject")
                  ->topLevelItem(1)
                  ->text(0)
                  .toStdString(),
              page->Caption);
    // The hidden Preview entry opens the preview window on the template page.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(Pane->tvTemplates, &enter);
    ASSERT_NE(PreviewWindow(), nullptr);
    EXPECT_EQ(Named<QMdiArea>(w, "mdiArea")->subWindowList().size(), 1);
    PreviewWindow()->CloseWithoutSaving();
    ProcessEvents();

    // The whole template: the story is kept (No), the default template changes (Yes).
    const size_t before = w.Project().Story().Count();
    Answer(SClearStoryBeforeAdding, QMessageBox::No);
    Pane->tvTemplates->setCurrentItem(TemplateNode(QStringLiteral("Novel")));
    Pane->actAddToProject->trigger();
    EXPECT_TRUE(WasAsked(SClearStoryBeforeAdding));
    EXPECT_EQ(w.Project().Story().Count(), static_cast<int>(before) + novel->Count());
    EXPECT_EQ(
        Named<TStoryTreeView>(*Named<TframStoryTree>(w, "framStoryTree"), "tvProject")->topLevelItemCount(),
        w.Project().Story().Count());
}

TEST_F(FilesPaneTest, FilesOfTheDiskAreListedPreviewedAndImported) {
    WriteFile(QStringLiteral("page.htm"),
              "<html><body><p>Disk page</p><a href=\"other.HTML\">other</a></body></html>");
    WriteFile(QStringLiteral("other.HTML"), "<html><body><p>Other page</p></body></html>");
    WriteFile(QStringLiteral("notes.txt"), "not a page");
    TfrmMain& w = StartOnFiles();
    Pane->pcFiles->setCurrentWidget(Pane->tsFiles);
    Pane->SelectFolder(Folder.filePath(QStringLiteral("disk")).toStdString());
    ASSERT_TRUE(WaitFor([&] { return Pane->ListedFiles().size() == 2; }));
    EXPECT_EQ(Pane->ListedFiles(), (QStringList{QStringLiteral("other.HTML"), QStringLiteral("page.htm")}));
    Idle();
    EXPECT_TRUE(Pane->actAddToProject->isEnabled()); // the folder
    EXPECT_FALSE(Pane->actPreview->isEnabled());

    const std::string page = Folder.filePath(QStringLiteral("disk/page.htm")).toStdString();
    ASSERT_TRUE(Pane->SelectFile(page));
    EXPECT_EQ(Pane->AllowedPreviewURL, page);
    ASSERT_TRUE(PreviewShows("Disk page"));
    // Links lead nowhere: the preview stays on its page.
    Pane->webFilePreview->Navigate(Folder.filePath(QStringLiteral("disk/other.HTML")).toStdString());
    Pause(500);
    EXPECT_NE(BodyText(*Pane->webFilePreview).find("Disk page"), std::string::npos);

    // Add To Project imports the page and asks for a variables scan.
    w.Project().SetVariablesScanPending(false);
    const int before = w.Project().Story().Count();
    Idle();
    Pane->actAddToProject->trigger();
    EXPECT_EQ(w.Project().Story().Count(), before + 1);
    EXPECT_TRUE(w.Project().VariablesScanPending());
    EXPECT_EQ(
        Named<TStoryTreeView>(*Named<TframStoryTree>(w, "framStoryTree"), "tvProject")->topLevelItemCount(),
        before + 1);

    // The folder: its pages become story items (the story is kept).
    Answer(SClearStoryBeforeImport, QMessageBox::No);
    Pane->mnuAddFolderExecute();
    EXPECT_EQ(w.Project().Story().Count(), before + 3);
    EXPECT_EQ(
        Named<TStoryTreeView>(*Named<TframStoryTree>(w, "framStoryTree"), "tvProject")->topLevelItemCount(),
        before + 3);
}

TEST_F(FilesPaneTest, WithoutProjectNothingCanBeAdded) {
    TfrmMain& w = StartOnFiles(false);
    Pane->tvTemplates->setCurrentItem(TemplateNode(QStringLiteral("Novel")));
    Idle();
    EXPECT_FALSE(Pane->actAddToProject->isEnabled());
    EXPECT_FALSE(Pane->mnuAddFolder->isEnabled());
    EXPECT_FALSE(Named<QWidget>(w, "pnlControl")->isVisible());
}

} // namespace
