// The editor's main window: it owns the open project (through TEditorCore: the
// project, the templates, the project protocol "mfs" and the variables cache), hosts
// the document windows, carries every command of the editor in one command table, and
// answers the project's questions with real dialogs. The story tree, the page
// properties panel and the files pane are panes of their own.
#pragma once

#include "u_CommandTable.h"
#include "u_EditorCore.h"
#include "u_EditorServices.h"
#include "u_MainRules.h"
#include "u_Project.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMdiArea;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;
class QUrl;
class TframFilesPane;
class TframPageProperties;
class TframStoryTree;
class TMXWebBrowser;

class TfrmMain : public QMainWindow, public IEditorMain, public IProjectHost {
    Q_OBJECT
public:
    // Arguments: the command line as the program got it (the program's name first).
    explicit TfrmMain(const QStringList& Arguments, QWidget* Parent = nullptr);
    ~TfrmMain() override;

    // Creating the window failed: it closes at its first showing without saving.
    bool StartupFailed() const noexcept { return FStartupFailed; }
    // The window's first showing has run (layout, command line project, tips).
    bool Started() const noexcept { return FStarted; }

    TEditorCore& Core() { return *FCore; }
    TCommandTable& Commands() { return *FCommands; }

    // Where programs and addresses go instead of the desktop (tests): a book to start,
    // an address or file to open. Empty: the real thing.
    std::function<void(const TBookStart& Start)> OnStartBook;
    std::function<void(const QUrl& Url)> OnOpenURL;
    // The steps the last compile reported.
    const std::vector<std::string>& CompileSteps() const noexcept { return FCompileSteps; }

    // The window's first showing: layout, the project of the command line, the tips.
    void FormShow();

    // Commands.
    void actNewProjectExecute();
    void actOpenProjectExecute();
    void OpenProjectFile(const std::string& FileName);
    void actSaveProjectExecute();
    void actSaveProjectAsExecute();
    void actSaveProjectAsDefaultExecute();
    void actCloseProjectExecute();
    void actCompileExecute();
    void actRunExecute();
    void actHelpContentsExecute();
    void actInternetUpdateExecute();

    // The recent-project menus and the Help link entries as they stand (the idle pass
    // rebuilds the recent menus whenever the project's list differs from the shown one).
    void RebuildRecentMenus();
    void BuildHelpLinks();
    // The page properties panel shows the selection again.
    void UpdatePageProperties();

    // IEditorMain
    TBookProject& Project() override { return FCore->Project(); }
    TTemplates& Templates() override { return FCore->Templates(); }
    QWidget* MainWidget() override { return this; }
    TVariables& ProjectVariables() override { return FCore->ProjectVariables(); }
    void InvalidateVariables() override { FCore->InvalidateVariables(); }
    void SetVariablesScanPending(bool Value) override { FCore->SetVariablesScanPending(Value); }
    void ApplyChangesOfAll() override { FCore->ApplyChangesOfAll(); }
    void SaveChangesOfAll() override { FCore->SaveChangesOfAll(); }
    std::string OutputFileName() override { return FCore->OutputFileName(); }
    TProjectItemInfo* SelectedStoryItem() override;
    void StoryChanged() override;
    bool ExecuteNewProject() override;
    void ExecuteCompile() override { actCompileExecute(); }
    void ExecuteRun() override { actRunExecute(); }

    // IProjectHost
    TAnswer AskSaveChanges(const std::string& ProjectName) override;
    bool Confirm(const std::string& Question, TQuestionKind Kind) override;
    bool ChooseSaveFileName(std::string& FileName) override;
    void ProjectClosing() override { ApplyChangesOfAll(); }
    bool CloseAllDocuments() override { return CloseDocumentWindows(); }
    void ClosePageEditors(const std::vector<std::string>& Pages, bool All) override {
        ClosePageEditorWindows(Pages, All);
    }
    void SelectItem(TProjectItemInfo* Item) override;
    void ItemRemoving(TProjectItemInfo* Item) override;
    TAnswer Ask(const std::string& Question, bool AllowCancel) override;
    void ShowMessage(const std::string& Text) override;
    // Warnings of one command (links left out of an import, story pages missing from the
    // files store at compile) are gathered and shown together when the command is over.
    void Warning(const std::string& Text) override;
    TProjectItemInfo* SelectedItem() const override;

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // Controls and commands, named as in the window's design (tests find them by these
    // object names).
    QToolBar* tbrMain = nullptr;
    QToolBar* tbrMain2 = nullptr;
    QToolButton* btnOpenProject = nullptr;
    QMenu* popRecentProjects = nullptr;
    QSplitter* splMain = nullptr;
    QWidget* pnlControl = nullptr;
    QTabWidget* pcControl = nullptr;
    QWidget* tsProject = nullptr;
    QWidget* tsFiles = nullptr;
    TframStoryTree* framStoryTree = nullptr;
    TframPageProperties* pnlPageProperties = nullptr;
    TframFilesPane* framFiles = nullptr;
    QSplitter* splClient = nullptr;
    QWidget* pnlForWebPreview = nullptr;
    TMXWebBrowser* webFilePreview = nullptr;
    QMdiArea* mdiArea = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuNew = nullptr;
    QMenu* mnuRecent = nullptr;
    QMenu* mnuProject = nullptr;
    QMenu* mnuWindow = nullptr;
    QMenu* mnuHelp = nullptr;

    QAction* actNewProject = nullptr;
    QAction* actWizard = nullptr;
    QAction* actOpenProject = nullptr;
    QAction* actSaveProject = nullptr;
    QAction* actSaveProjectAs = nullptr;
    QAction* actSaveProjectAsDefault = nullptr;
    QAction* actCloseProject = nullptr;
    QAction* actExit = nullptr;
    QAction* actCompile = nullptr;
    QAction* actRun = nullptr;
    QAction* actVariables = nullptr;
    QAction* actToolbar = nullptr;
    QAction* actSystemPages = nullptr;
    QAction* actOptions = nullptr;
    QAction* actWindowCascade = nullptr;
    QAction* actWindowTileHorizontal = nullptr;
    QAction* actWindowTileVertical = nullptr;
    QAction* actWindowMinimizeAll = nullptr;
    QAction* actWindowArrange = nullptr;
    QAction* actWindowClose = nullptr;
    QAction* actHelpContents = nullptr;
    QAction* actShowTip = nullptr;
    QAction* actInternetUpdate = nullptr;
    QAction* actAbout = nullptr;
    // Triggered at start when "NeedUpdate" is 1; it does nothing else.
    QAction* actUpdate = nullptr;

    void CreateCore();
    void BuildActions();
    void BuildMenus();
    void BuildToolbars();
    void BuildPanels();
    void RegisterCommands();
    void ConnectCommands();
    void CreateWindowContents();
    void RunCommand(const std::function<void()>& Command);
    // Shows the gathered warnings; unless Now, not while a command runs.
    void ShowPendingWarnings(bool Now = false);
    // The start of Compile and Run: every document window applies its changes, and a
    // changed or untitled project is saved once Question is answered OK. False when
    // the command ends here; Saved tells whether the project had to be saved.
    bool SaveBeforeCompile(const char* Question, bool& Saved);
    void CompileWithProgress();
    void StartBook(const std::string& BookFile);
    void OpenURL(const QUrl& Url);
    void ProjectReplaced();
    void pcControlChange();
    void TileWindows(bool Horizontally);
    void mnuWindowShow();

    std::vector<std::string> FArguments; // the command line
    std::unique_ptr<TEditorCore> FCore;
    std::vector<std::string> FPendingWarnings;
    std::string FProtocolError; // why the project protocol could not be registered
    TCommandTable* FCommands = nullptr;
    std::vector<std::string> FShownRecent;
    std::vector<QAction*> FWindowEntries;
    std::vector<std::string> FCompileSteps;
    bool FShowScheduled = false;
    bool FStarted = false;
    bool FStartupFailed = false;
};

// The program's start: the application title, the splash picture "Splash.bmp" of the
// program folder for 2 seconds (through the window table), the main window, shown. The
// caller runs the event loop.
TfrmMain* StartTomewright(const QStringList& Arguments);
