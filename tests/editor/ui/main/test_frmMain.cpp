// The main window driven as a user would: start-up and shut-down, the project
// commands, Compile and Run, menus, help and the F12 key.
#include "input_helpers.h"
#include "main_helpers.h"

#include "c_MXWebBrowser.h"
#include "fram_FilesPane.h"
#include "fram_StoryTree.h"
#include "frm_AbstractMDIChild.h"
#include "u_Compile.h"
#include "u_MFSCab.h"
#include "u_ProgramFolder.h"
#include "u_Resources.h"
#include "u_Version.h"

#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

TEST_F(MainWindowTest, WithoutProjectTheCaptionIsTitleAndVersionAndTheProjectCommandsAreOff) {
    TfrmMain& w = Start();
    EXPECT_EQ(w.windowTitle().toStdString(), "Quarvel " + VersionText(0, 4));
    EXPECT_FALSE(w.Project().IsOpen());
    EXPECT_FALSE(Named<QWidget>(w, "pnlControl")->isVisible());
    EXPECT_FALSE(Named<QMenu>(w, "mnuProject")->isEnabled());
    for (QAction* a : {Named<QAction>(w, "actSaveProject"), Named<QAction>(w, "actSaveProjectAs"),
                       Named<QAction>(w, "actCloseProject"), Named<QAction>(w, "actCompile"),
                       Named<QAction>(w, "actRun"), Named<QAction>(w, "actOptions")})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QAction* a : {Named<QAction>(w, "actNewProject"), Named<QAction>(w, "actWizard"),
                       Named<QAction>(w, "actOpenProject"), Named<QAction>(w, "actExit"),
                       Named<QAction>(w, "actHelpContents"), Named<QAction>(w, "actAbout")})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    // The toolbar's buttons carry their captions (also for screen readers).
    EXPECT_EQ(Named<QToolButton>(w, "btnOpenProject")->text(), QStringLiteral("Open Project"));
    EXPECT_EQ(qobject_cast<QToolButton*>(
                  Named<QToolBar>(w, "tbrMain")->widgetForAction(Named<QAction>(w, "actWizard")))
                  ->text(),
              QStringLiteral("Wizard"));
    EXPECT_EQ(qobject_cast<QToolButton*>(
                  Named<QToolBar>(w, "tbrMain2")->widgetForAction(Named<QAction>(w, "actHelpContents")))
                  ->text(),
              QStringLiteral("Help"));
    SaveScreenshot(&w, QStringLiteral("main_no_project.png"));
}

TEST_F(MainWindowTest, ProjectOnTheCommandLineIsOpenedAndPutFirstInTheRecentList) {
    const std::string project = CopySample(Folder);
    WriteRegString(EditorKey, "Recent", "/elsewhere/Other.ebp");
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    ASSERT_TRUE(w.Project().IsOpen());
    EXPECT_EQ(w.Project().FileName(), project);
    ASSERT_EQ(w.Project().RecentList().size(), 2u);
    EXPECT_EQ(w.Project().RecentList()[0], project);
    Idle();
    ASSERT_EQ(Named<QMenu>(w, "mnuRecent")->actions().size(), 2);
    EXPECT_EQ(Named<QMenu>(w, "mnuRecent")->actions()[0]->text().toStdString(), "&1 " + project);
    EXPECT_EQ(Named<QMenu>(w, "mnuRecent")->actions()[0]->toolTip().toStdString(), project);
    EXPECT_EQ(Named<QMenu>(w, "popRecentProjects")->actions()[1]->text().toStdString(),
              "/elsewhere/Other.ebp");
    EXPECT_TRUE(Named<QWidget>(w, "pnlControl")->isVisible());
    EXPECT_TRUE(Named<QMenu>(w, "mnuProject")->isEnabled());
    EXPECT_GT(
        Named<TStoryTreeView>(*Named<TframStoryTree>(w, "framStoryTree"), "tvProject")->topLevelItemCount(),
        0);
    EXPECT_TRUE(Asked.empty());
    SaveScreenshot(&w, QStringLiteral("main_project_open.png"));

    // At the end the recent list and the layout (with the panel width) are written.
    Named<QWidget>(w, "pnlControl")->resize(260, Named<QWidget>(w, "pnlControl")->height());
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(CommaTextToList(ReadRegString(EditorKey, "Recent")).front(), project);
    EXPECT_EQ(ReadRegString(MainFormLayoutKey, "ExtInfo"),
              std::to_string(Named<QWidget>(w, "pnlControl")->width()));
    EXPECT_EQ(ReadRegBinary(MainFormLayoutKey, "SizeAndPos")->size(), 44u);
}

TEST_F(MainWindowTest, NameThatDoesNotExistIsIgnoredWithoutAMessage) {
    TfrmMain& w = Start({QStringLiteral("tomewright"), Folder.filePath(QStringLiteral("Missing.ebp"))});
    EXPECT_FALSE(w.Project().IsOpen());
    EXPECT_TRUE(Asked.empty());
}

// An untitled project compiles to ".exe" in the current folder; closing the editor
// removes that book from there, and nothing else.
TEST_F(MainWindowTest, ClosingRemovesTheBookOfAnUntitledProjectWhereItWasWritten) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Folder.path()));
    QFile book(Folder.filePath(QStringLiteral(".exe")));
    ASSERT_TRUE(book.open(QIODevice::WriteOnly));
    book.close();
    QFile kept(Folder.filePath(QStringLiteral("Kept.exe")));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.close();
    EXPECT_EQ(OutputFileName(std::string(), TProjectOptions()), ".exe");
    TfrmMain& w = Start({QStringLiteral("tomewright")});
    w.close();
    EXPECT_FALSE(book.exists());
    EXPECT_TRUE(kept.exists());
    QDir::setCurrent(previous);
}

TEST_F(MainWindowTest, TipsFollowTipsStartupAction) {
    const std::string project = CopySample(Folder);
    int shown = 0;
    const auto previous = EditorWindows().ShowTips;
    EditorWindows().ShowTips = [&shown] { ++shown; };
    struct TCase {
        int Action;
        bool WithProject;
        int Expected;
    };
    for (const TCase c : {TCase{0, true, 1}, TCase{1, true, 0}, TCase{1, false, 1}, TCase{2, false, 0}}) {
        shown = 0;
        WriteRegInteger(EditorKey, "TipsStartupAction", c.Action);
        QStringList arguments{QStringLiteral("tomewright")};
        if (c.WithProject)
            arguments << QString::fromStdString(project);
        Start(arguments);
        EXPECT_EQ(shown, c.Expected) << "action " << c.Action << " project " << c.WithProject;
        Window.reset();
        ProcessEvents();
    }
    EditorWindows().ShowTips = previous;
}

TEST_F(MainWindowTest, ExitWithUnsavedChangesAnsweredCancelKeepsTheEditorRunning) {
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    w.Project().SetModified();
    Answer("Save changes to project Lighthouse?", QMessageBox::Cancel);
    Named<QAction>(w, "actExit")->trigger();
    EXPECT_TRUE(WasAsked("Save changes to project Lighthouse?"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.Project().IsOpen());
    EXPECT_TRUE(w.Project().Modified());
    // Answered No, the editor closes and the project with it.
    Answer("Save changes to project Lighthouse?", QMessageBox::No);
    Named<QAction>(w, "actExit")->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.Project().IsOpen());
}

TEST_F(MainWindowTest, CompileOfTheSampleAsksItsQuestionsAndWritesABookThatReadsBack) {
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    Idle();
    ASSERT_TRUE(Named<QAction>(w, "actCompile")->isEnabled());
    w.Project().SetModified();
    Answer(SCompileSaveQuestion, QMessageBox::Ok);
    Answer(SCompileSuccessQuestion, QMessageBox::Ok);
    std::string summary;
    SetDialogAnswerer([&, inner = SetDialogAnswerer(nullptr)](TDialogRequest& r) mutable {
        if (r.Text.find("Compile Project?") != std::string::npos) {
            summary = r.Text;
            Asked.push_back(r);
            return QMessageBox::Yes;
        }
        return inner(r);
    });
    Named<QAction>(w, "actCompile")->trigger();
    EXPECT_FALSE(w.Project().Modified()); // saved first
    ASSERT_FALSE(summary.empty());
    // The sample's options as the question lists them.
    EXPECT_EQ(summary, "Project options:\r\n\r\n"
                       "eBook Task Bar: The Lamp on Gull Rock\r\n"
                       "eBook Title Bar: The Lamp on Gull Rock - a short book about lighthouses\r\n"
                       "Output Path: the same as the project.\r\n"
                       "\r\nSizes:\r\n"
                       "Window Width: 900\r\n"
                       "Window Height: 640\r\n"
                       "Resizable Window: True\r\n"
                       "Run Maximized: False\r\n"
                       "Allow Right Click: Custom\r\n"
                       "Toolbar Placement: Top\r\n"
                       "\r\nSplash:\r\n"
                       "Close After 4 seconds\r\n"
                       "Close on Mouse Click: True\r\n"
                       "At the Start: Splash\r\n"
                       "At the End: PopUp Message\r\n"
                       "\r\nSecurity:\r\nNo Security\r\n"
                       "\r\nCompile Project?");
    EXPECT_FALSE(w.Project().SystemFile(EncryptXmlFile)) << "asking for the summary made no security file";
    const std::string book = ChangeFileExt(project, ".exe");
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(book)));
    EXPECT_FALSE(w.CompileSteps().empty()); // the progress dialog was fed

    // The book reads back: its system image holds the story of the project.
    TMFS system;
    UnpackStore(system, ReadResource(book, std::string("RCDATA"), std::string("SYSTEM_MFS")));
    EXPECT_TRUE(system.Session()->Exists("\\Story.xml"));
    EXPECT_TRUE(system.Session()->Exists("\\System.xml"));

    // The success question was answered OK: Run starts the book (unchanged project:
    // no second compile, no question).
    ASSERT_EQ(Started.size(), 1u);
    EXPECT_EQ(Started[0].WithReader ? Started[0].Arguments.front() : Started[0].Program, book);
    EXPECT_FALSE(WasAsked(SRunSaveQuestion));
}

TEST_F(MainWindowTest, RunOnAModifiedProjectAnsweredCancelNeitherSavesNorStarts) {
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    const QDateTime saved = QFileInfo(QString::fromStdString(project)).lastModified();
    w.Project().SetModified();
    Answer(SRunSaveQuestion, QMessageBox::Cancel);
    Named<QAction>(w, "actRun")->trigger();
    EXPECT_TRUE(WasAsked(SRunSaveQuestion));
    EXPECT_TRUE(w.Project().Modified());
    EXPECT_EQ(QFileInfo(QString::fromStdString(project)).lastModified(), saved);
    EXPECT_TRUE(Started.empty());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(ChangeFileExt(project, ".exe"))));
}

TEST_F(MainWindowTest, RunWithoutABookYetCompilesFirstThenStartsTheBook) {
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    const std::string book = ChangeFileExt(project, ".exe");
    ASSERT_FALSE(QFileInfo::exists(QString::fromStdString(book)));
    // A saved, unchanged project: nothing to ask, the book is made with the compile's
    // progress and then started.
    Idle();
    Named<QAction>(w, "actRun")->trigger();
    EXPECT_TRUE(Asked.empty());
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(book)));
    EXPECT_FALSE(w.CompileSteps().empty());
    ASSERT_EQ(Started.size(), 1u);
    EXPECT_EQ(Started[0].WithReader ? Started[0].Arguments.front() : Started[0].Program, book);
    EXPECT_FALSE(w.Project().Modified());

    // A compile that fails says why and starts nothing.
    QFile::remove(QString::fromStdString(book));
    w.Project().SystemStore().Session()->CreateFile("\\Toolbar.xml", 0, true)->Content = "<toolbar <<";
    Named<QAction>(w, "actRun")->trigger();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Type, TMsgDlgType::mtError);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(book)));
    EXPECT_EQ(Started.size(), 1u);
}

TEST_F(MainWindowTest, FailedCompileShowsTheMessageAndKeepsThePreviousBook) {
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    const std::string book = ChangeFileExt(project, ".exe");
    QFile old(QString::fromStdString(book));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous book");
    old.close();
    // A toolbar description that is not well-formed ends the compile.
    w.Project().SystemStore().Session()->CreateFile("\\Toolbar.xml", 0, true)->Content = "<toolbar <<";
    SetDialogAnswerer([&, inner = SetDialogAnswerer(nullptr)](TDialogRequest& r) mutable {
        if (r.Text.find("Compile Project?") != std::string::npos)
            return QMessageBox::Yes;
        return inner(r);
    });
    Named<QAction>(w, "actCompile")->trigger();
    ASSERT_FALSE(Asked.empty());
    EXPECT_EQ(Asked.back().Type, TMsgDlgType::mtError);
    EXPECT_FALSE(WasAsked(SCompileSuccessQuestion));
    QFile kept(QString::fromStdString(book));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("previous book"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // the busy cursor is gone
}

TEST_F(MainWindowTest, WarningsOfACompileAreShownTogetherWhenItIsOver) {
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    // Two story pages whose files are gone: the book is still made, the author is told.
    std::vector<TProjectItemInfo*> pages;
    for (TProjectItemInfo* item : w.Project().Story().AllItems())
        if (item->IsPage() && pages.size() < 2)
            pages.push_back(item);
    ASSERT_EQ(pages.size(), 2u);
    for (TProjectItemInfo* page : pages)
        w.Project().FilesStore().Session()->Delete(page->Page);
    SetDialogAnswerer([&, inner = SetDialogAnswerer(nullptr)](TDialogRequest& r) mutable {
        if (r.Text.find("Compile Project?") != std::string::npos)
            return QMessageBox::Yes;
        return inner(r);
    });
    Answer(SCompileSuccessQuestion, QMessageBox::No);
    Named<QAction>(w, "actCompile")->trigger();
    ProcessEvents();
    std::vector<std::string> warnings;
    for (const TDialogRequest& r : Asked)
        if (r.Type == TMsgDlgType::mtWarning)
            warnings.push_back(r.Text);
    ASSERT_EQ(warnings.size(), 1u); // one box for the whole command
    // Shown when the compile is over, before the question that follows it.
    const auto texts = AskedTexts();
    const auto success = std::find(texts.begin(), texts.end(), std::string(SCompileSuccessQuestion));
    const auto warning = std::find(texts.begin(), texts.end(), warnings[0]);
    EXPECT_LT(warning - texts.begin(), success - texts.begin());
    for (TProjectItemInfo* page : pages)
        EXPECT_NE(warnings[0].find(page->Page), std::string::npos) << warnings[0];
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(ChangeFileExt(project, ".exe"))));
}

// A document window that stands for a page editor.
class TFakePageEditor : public TfrmAbstractMDIChild, public IPageEditorWindow {
public:
    std::string Page;
    int Toggles = 0;
    std::string PagePath() const override { return Page; }
    void ToggleEditPreview() override { ++Toggles; }
};

// A widget that counts the F12 presses reaching it.
class TKeyCounter : public QWidget {
public:
    int F12 = 0;
    TKeyCounter() { setFocusPolicy(Qt::StrongFocus); }

protected:
    void keyPressEvent(QKeyEvent* Event) override {
        if (Event->key() == Qt::Key_F12)
            ++F12;
        QWidget::keyPressEvent(Event);
    }
};

TEST_F(MainWindowTest, F12SwitchesTheActivePageEditorAndPassesThroughElsewhere) {
    TfrmMain& w = Start();
    auto* counter = new TKeyCounter;
    w.statusBar()->addWidget(counter);
    counter->show();
    counter->setFocus();
    SendKey(counter, Qt::Key_F12);
    EXPECT_EQ(counter->F12, 1);

    // Edit\Preview opens page editors through the window table.
    const auto previous = EditorWindows().OpenPageEditor;
    TFakePageEditor* editor = nullptr;
    EditorWindows().OpenPageEditor = [&editor](IEditorMain&, const std::string& Page) {
        editor = new TFakePageEditor;
        editor->Page = Page;
        ShowDocumentWindow(editor);
        return editor;
    };
    w.Project().NewProject();
    w.StoryChanged();
    TframStoryTree& tree = *Named<TframStoryTree>(w, "framStoryTree");
    TProjectItemInfo* page = nullptr;
    for (TProjectItemInfo* item : w.Project().Story().AllItems())
        if (item->IsPage() && !page)
            page = item;
    ASSERT_NE(page, nullptr);
    tree.SelectItem(page);
    Idle();
    ASSERT_TRUE(Named<QAction>(tree, "actEditPreview")->isEnabled());
    Named<QAction>(tree, "actEditPreview")->trigger();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Page, page->Page);
    EXPECT_EQ(Named<QMdiArea>(w, "mdiArea")->subWindowList().size(), 1);
    Idle();
    EXPECT_TRUE(Named<QAction>(w, "actSaveProject")->isEnabled()); // a page editor is open
    EXPECT_TRUE(Named<QAction>(w, "actWindowCascade")->isEnabled());
    editor->setFocus();
    SendKey(editor, Qt::Key_F12);
    EXPECT_EQ(editor->Toggles, 1);
    EXPECT_EQ(counter->F12, 1);
    EditorWindows().OpenPageEditor = previous;
    editor->CloseWithoutSaving();
    ProcessEvents();
}

TEST_F(MainWindowTest, CommandsOpenTheirWindowsThroughTheWindowTable) {
    TfrmMain& w = Start();
    w.Project().NewProject();
    Idle();
    TEditorWindowTable saved = EditorWindows();
    int variables = 0, wizards = 0;
    EditorWindows().OpenVariables = [&variables](IEditorMain&) -> TfrmAbstractMDIChild* {
        ++variables;
        return nullptr;
    };
    EditorWindows().RunWizard = [&wizards](IEditorMain&) { ++wizards; };
    Named<QAction>(w, "actVariables")->trigger();
    Named<QAction>(w, "actAbout")->trigger();
    Named<QAction>(w, "actWizard")->trigger();
    EXPECT_EQ(variables, 1);
    EXPECT_EQ(wizards, 1);
    EXPECT_EQ(AboutShown, 1);
    EXPECT_TRUE(Asked.empty());
    EditorWindows() = saved;
}

TEST_F(MainWindowTest, DocumentWindowsOpenInTheClientAreaAtTheSizeTheyWereMadeWith) {
    TfrmMain& w = Start();
    w.resize(1200, 900);
    w.Project().NewProject();
    w.StoryChanged();
    Idle();
    // The variables window, the toolbar designer and the system pages, as the Project
    // menu opens them.
    struct TCase {
        QAction* Command;
        const char* Name;
        QSize Size;
        const char* Screenshot;
    };
    for (const TCase& c :
         {TCase{Named<QAction>(w, "actVariables"), "frmVariables", QSize(572, 384), "main_variables.png"},
          TCase{Named<QAction>(w, "actToolbar"), "frmToolBar", QSize(720, 440), "main_toolbar_designer.png"},
          TCase{Named<QAction>(w, "actSystemPages"), "frmExtFiles", QSize(626, 400),
                "main_system_pages.png"}}) {
        c.Command->trigger();
        ProcessEvents();
        QMdiSubWindow* frame = Named<QMdiArea>(w, "mdiArea")->activeSubWindow();
        ASSERT_NE(frame, nullptr) << c.Name;
        ASSERT_EQ(frame->widget()->objectName().toStdString(), c.Name);
        EXPECT_EQ(frame->widget()->size(), c.Size) << c.Name;
        SaveScreenshot(&w, QString::fromLatin1(c.Screenshot));
        // Opened again, the window keeps the size the author gave it.
        frame->resize(frame->size() + QSize(40, 30));
        const QSize resized = frame->widget()->size();
        c.Command->trigger();
        ProcessEvents();
        EXPECT_EQ(Named<QMdiArea>(w, "mdiArea")->subWindowList().size(), 1);
        EXPECT_EQ(frame->widget()->size(), resized) << c.Name;
        static_cast<TfrmAbstractMDIChild*>(frame->widget())->CloseWithoutSaving();
        ProcessEvents();
    }
}

TEST_F(MainWindowTest, HelpContentsLinksAndUpdateOpenTheirAddresses) {
    WriteRegString(std::string(EditorLinksKey) + "\\A", "Name", "Home page");
    WriteRegString(std::string(EditorLinksKey) + "\\A", "Link", "https://example.org/home");
    WriteRegString(std::string(EditorLinksKey) + "\\B", "Name", "Forum");
    WriteRegString(std::string(EditorLinksKey) + "\\B", "Link", "https://example.org/forum");
    WriteRegString(EditorKey, "UpdateLink", "https://example.org/update");
    TfrmMain& w = Start();
    const QList<QAction*> help = Named<QMenu>(w, "mnuHelp")->actions();
    ASSERT_GE(help.size(), 4);
    // Each link is inserted at position 2: the last one listed comes first.
    EXPECT_EQ(help[2]->text(), QStringLiteral("Forum"));
    EXPECT_EQ(help[3]->text(), QStringLiteral("Home page"));
    EXPECT_EQ(help[3]->toolTip(), QStringLiteral("https://example.org/home"));
    help[3]->trigger();
    Named<QAction>(w, "actInternetUpdate")->trigger();
    Named<QAction>(w, "actHelpContents")->trigger();
    ASSERT_EQ(Opened.size(), 3u);
    EXPECT_EQ(Opened[0], QUrl(QStringLiteral("https://example.org/home")));
    EXPECT_EQ(Opened[1].toString().toStdString(),
              "https://example.org/update?curversion=" + VersionText(0, 4));
    EXPECT_TRUE(Opened[2].isLocalFile());
    EXPECT_TRUE(QFileInfo::exists(Opened[2].toLocalFile())) << Opened[2].toLocalFile().toStdString();
}

TEST_F(MainWindowTest, NewOpenSaveAsAndCloseFollowTheProject) {
    TfrmMain& w = Start();
    Named<QAction>(w, "actNewProject")->trigger();
    ASSERT_TRUE(w.Project().IsOpen());
    EXPECT_TRUE(w.Project().FileName().empty());
    ProcessEvents();
    Idle();
    EXPECT_TRUE(Named<QWidget>(w, "pnlControl")->isVisible());
    EXPECT_EQ(
        Named<TStoryTreeView>(*Named<TframStoryTree>(w, "framStoryTree"), "tvProject")->topLevelItemCount(),
        w.Project().Story().Count());
    // Save As with the dialog's filter and extension.
    const std::string saved = Folder.filePath(QStringLiteral("Mine")).toStdString();
    Answer("Save Project As", QMessageBox::Ok, saved);
    Named<QAction>(w, "actSaveProjectAs")->trigger();
    EXPECT_EQ(w.Project().FileName(), saved + ".ebp");
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(saved + ".ebp")));
    Idle();
    EXPECT_EQ(Named<QMenu>(w, "mnuRecent")->actions().value(0)->toolTip().toStdString(), saved + ".ebp");
    // Close, then open through the dialog.
    Named<QAction>(w, "actCloseProject")->trigger();
    EXPECT_FALSE(w.Project().IsOpen());
    EXPECT_EQ(
        Named<TStoryTreeView>(*Named<TframStoryTree>(w, "framStoryTree"), "tvProject")->topLevelItemCount(),
        0);
    Answer("Open Project", QMessageBox::Ok, saved + ".ebp");
    Named<QAction>(w, "actOpenProject")->trigger();
    EXPECT_TRUE(w.Project().IsOpen());
    // A recent entry opens its project.
    Named<QAction>(w, "actCloseProject")->trigger();
    Named<QMenu>(w, "mnuRecent")->actions()[0]->trigger();
    EXPECT_EQ(w.Project().FileName(), saved + ".ebp");
}

TEST_F(MainWindowTest, FailedStartupClosesTheWindowWithoutSavingTheLayout) {
    QTemporaryDir program;
    CopyFolder(QStringLiteral(QUARVEL_BIN_DIR "/DefaultProject"),
               program.filePath(QStringLiteral("DefaultProject")));
    QDir().mkpath(program.filePath(QStringLiteral("Templates")));
    QFile bad(program.filePath(QStringLiteral("Templates/Broken.ebt")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("<template Caption=\"Broken\"");
    bad.close();
    SetProgramFolder(program.path().toStdString() + "/");
    DeleteRegKey(MainFormLayoutKey);
    auto window = std::make_unique<TfrmMain>(QStringList{QStringLiteral("tomewright")});
    EXPECT_TRUE(window->StartupFailed());
    ASSERT_FALSE(Asked.empty());
    EXPECT_EQ(Asked.back().Type, TMsgDlgType::mtError);
    window->show();
    EXPECT_TRUE(WaitFor([&] { return !window->isVisible(); }));
    EXPECT_FALSE(RegKeyExists(MainFormLayoutKey));
    window.reset();
    SetProgramFolder(QUARVEL_BIN_DIR "/");
}

TEST_F(MainWindowTest, LayoutIsRestoredWithThePanelWidthFromTheExtraText) {
    const std::string project = CopySample(Folder);
    TfrmMain& first = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    Named<QSplitter>(first, "splMain")->setSizes({330, 700});
    ProcessEvents();
    const int width = Named<QWidget>(first, "pnlControl")->width();
    first.close();
    Window.reset();
    ProcessEvents();
    EXPECT_EQ(ReadRegString(MainFormLayoutKey, "ExtInfo"), std::to_string(width));
    TfrmMain& second = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    ProcessEvents();
    EXPECT_EQ(Named<QWidget>(second, "pnlControl")->width(), width);
}

} // namespace

namespace {

TEST_F(MainWindowTest, CompileSummaryIsARealQuestionWithYesAndNo) {
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    SetDialogAnswerer(nullptr); // the real message boxes
    std::vector<std::string> texts;
    QTimer answer;
    answer.setInterval(50);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        texts.push_back(box->text().toStdString());
        if (box->button(QMessageBox::Yes)) {
            EXPECT_TRUE(box->button(QMessageBox::No));
            SaveScreenshot(box, QStringLiteral("main_compile_summary.png"));
            box->button(QMessageBox::Yes)->click();
        } else {
            box->button(QMessageBox::Cancel)->click(); // do not run the book
        }
    });
    answer.start();
    Named<QAction>(w, "actCompile")->trigger();
    answer.stop();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("Project options:"), std::string::npos);
    EXPECT_EQ(texts[1], SCompileSuccessQuestion);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(ChangeFileExt(project, ".exe"))));
    EXPECT_TRUE(Started.empty());
}

} // namespace

namespace {

TEST_F(MainWindowTest, StartShowsTheSplashPictureThenTheWindowAndLetsTheSplashClose) {
    TEditorWindowTable saved = EditorWindows();
    QWidget splash;
    std::string picture;
    int seconds = -1;
    QWidget* closed = nullptr;
    int balloons = -1;
    EditorWindows().ShowSplashFile = [&](const std::string& FileName, int Seconds, bool CloseOnClick) {
        picture = FileName;
        seconds = CloseOnClick ? Seconds : -2;
        return &splash;
    };
    EditorWindows().RequestSplashClose = [&](QWidget* Splash) { closed = Splash; };
    EditorWindows().ActivateBalloons = [&](int Icon) { balloons = Icon; };
    TfrmMain* main = StartTomewright({QStringLiteral("tomewright")});
    EXPECT_EQ(picture, ProgramFolder() + "Splash.bmp");
    EXPECT_EQ(seconds, 2);
    EXPECT_EQ(closed, &splash);
    EXPECT_EQ(balloons, 0);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Quarvel"));
    EXPECT_TRUE(WaitFor([&] { return main->Started(); }));
    EditorWindows() = saved;
    QPointer<TfrmMain> guard(main);
    EXPECT_TRUE(main->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // it deletes itself
    EXPECT_TRUE(guard.isNull());
}

} // namespace

TEST_F(MainWindowTest, CompileProgressFollowsTheBytesPacked) {
    const std::string project = CopySample(Folder);
    // Two megabytes of pictures that do not compress: many blocks to pack.
    {
        QFile picture(Folder.filePath(QStringLiteral("Lighthouse.files/big.bin")));
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
        QByteArray noise(2 << 20, '\0');
        uint32_t x = 7;
        for (char& c : noise)
            c = char((x = x * 1103515245 + 12345) >> 24);
        picture.write(noise);
    }
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    Idle();
    // The compile lets timers run while it paints its progress: look at the dialog then.
    std::vector<std::pair<int, QString>> seen;
    bool shot = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = w.findChild<QProgressDialog*>(QStringLiteral("dlgCompileProgress"));
        if (!dialog || !dialog->isVisible())
            return;
        if (seen.empty() || seen.back().first != dialog->value())
            seen.push_back({dialog->value(), dialog->labelText()});
        // The text and the bar tell the same percentage.
        if (dialog->labelText().startsWith(QStringLiteral("Packing the pages: "))) {
            EXPECT_TRUE(dialog->labelText().endsWith(QStringLiteral("(%1%)").arg(dialog->value())))
                << dialog->labelText().toStdString() << " at " << dialog->value();
        }
        if (!shot && dialog->value() >= 30 && dialog->value() < 100) {
            SaveScreenshot(dialog, QStringLiteral("compile_progress.png"));
            shot = true;
        }
    });
    watch.start(0);
    Named<QAction>(w, "actRun")->trigger();
    watch.stop();
    ASSERT_FALSE(seen.empty());
    int last = -1;
    bool packing = false;
    for (const auto& [value, label] : seen) {
        EXPECT_GE(value, last) << label.toStdString();
        last = value;
        packing = packing || (label.startsWith(QStringLiteral("Packing the pages: ")) && value > 0 && value < 100);
    }
    EXPECT_TRUE(packing);
    EXPECT_EQ(last, 100);
    EXPECT_TRUE(shot);
}
