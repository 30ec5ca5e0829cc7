#include "frm_Main.h"

#include "u_Actions.h"
#include "c_MXWebBrowser.h"
#include "fram_FilesPane.h"
#include "fram_PageProperties.h"
#include "fram_StoryTree.h"
#include "u_Compile.h"
#include "u_Epub.h"
#include "u_Controls.h"
#include "u_Dialogs.h"
#include "u_Forms.h"
#include "u_HostFiles.h"
#include "u_ProgramFolder.h"
#include "u_Registry.h"
#include "u_Version.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QProgressDialog>
#include <QProxyStyle>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace {

const char* const SProjectFilter = "Quarvel Projects (*.ebp)";
const char* const SEpubFilter = "EPUB publications (*.epub)";
const char* const SEpubProtectedQuestion =
    "The book protects these pages with a password, which an EPUB publication cannot do:\r\n%s\r\n"
    "Publish them without protection?";
const char* const SEpubWritten = "The publication has been written to \"%s\".";

const char* const SSaveChangesQuestion = "Save changes to project %s?";

IProjectHost::TAnswer AnswerOf(QMessageBox::StandardButton Button) {
    switch (Button) {
    case QMessageBox::Yes:
        return IProjectHost::Yes;
    case QMessageBox::No:
        return IProjectHost::No;
    default:
        return IProjectHost::Cancel;
    }
}

// The busy cursor for as long as the object lives.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// Hints show at once when the mouse rests on a control.
class THintStyle : public QProxyStyle {
public:
    int styleHint(StyleHint Hint, const QStyleOption* Option, const QWidget* Widget,
                  QStyleHintReturn* Return) const override {
        if (Hint == SH_ToolTip_WakeUpDelay)
            return 0;
        return QProxyStyle::styleHint(Hint, Option, Widget, Return);
    }
};

} // namespace

// ---------------------------------------------------------------------------------
// Creation

TfrmMain::TfrmMain(const QStringList& Arguments, QWidget* Parent) : QMainWindow(Parent) {
    for (const QString& argument : Arguments)
        FArguments.push_back(S(argument));
    setObjectName(QStringLiteral("frmMain"));
    resize(1100, 760);
    setMinimumSize(640, 480);
    FCommands = new TCommandTable(this);
    const int needUpdate = ReadRegInteger(EditorUpdateKey, "NeedUpdate", 0);
    actUpdate = MakeAction(this, "actUpdate", tr("Update"));
    CreateCore();
    CreateWindowContents();
    if (needUpdate == 1)
        actUpdate->trigger();
    try {
        EditorWindows().ActivateBalloons(0);
        setWindowTitle(Q(MainWindowCaption(VersionText(0, 4))));
        setWindowIcon(QIcon(QStringLiteral(":/icons/main/tomewright.svg")));
        if (!FProtocolError.empty())
            throw Exception(FProtocolError);
        Project().SetRecentCommaText(ReadRegString(EditorKey, "Recent"));
        Templates().LoadFromFolder(TemplatesFolder());
        framFiles->FillTemplateTree();
        BuildHelpLinks();
    } catch (const std::exception& e) {
        FStartupFailed = true;
        ShowErrorMessage(this, e.what());
    }
    SetDocumentWindowHost(mdiArea);
    qApp->installEventFilter(this);
    FCommands->Update();
}

TfrmMain::~TfrmMain() {
    qApp->removeEventFilter(this);
    if (DocumentWindowHost() == mdiArea)
        SetDocumentWindowHost(nullptr);
    // The document windows answer the protocol and know the project: they go first.
    for (TfrmAbstractMDIChild* window : OpenDocumentWindows())
        window->CloseWithoutSaving();
    delete mdiArea;
    mdiArea = nullptr;
    // The panes refer to the project: they go before it.
    delete splMain;
    splMain = nullptr;
}

void TfrmMain::CreateCore() {
    try {
        FCore = std::make_unique<TEditorCore>(this, true, false);
    } catch (const std::exception& e) {
        // Without its protocol the editor cannot show pages: it closes at its first
        // showing, but stays a whole object until then. The failure is reported with
        // the other start-up failures, once.
        FProtocolError = e.what();
        FCore = std::make_unique<TEditorCore>(this, false, false);
    }
}

void TfrmMain::CreateWindowContents() {
    BuildActions();
    BuildPanels();
    BuildMenus();
    BuildToolbars();
    RegisterCommands();
    ConnectCommands();
}

void TfrmMain::BuildActions() {
    actNewProject = MakeAction(this, "actNewProject", tr("New Project"), "main/newproject.svg", QKeySequence::New);
    actWizard = MakeAction(this, "actWizard", tr("Project Wizard"), "main/wizard.svg");
    actWizard->setIconText(tr("Wizard"));
    actOpenProject = MakeAction(this, "actOpenProject", tr("Open Project..."), "main/openproject.svg",
                                QKeySequence(Qt::CTRL | Qt::Key_O));
    actOpenProject->setIconText(tr("Open Project"));
    actSaveProject = MakeAction(this, "actSaveProject", tr("Save Project"), "main/saveproject.svg",
                                QKeySequence(Qt::CTRL | Qt::Key_S));
    actSaveProjectAs = MakeAction(this, "actSaveProjectAs", tr("Save Project As..."), {},
                                  QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    actSaveProjectAsDefault = MakeAction(this, "actSaveProjectAsDefault", tr("Save Project As Default"));
    actCloseProject = MakeAction(this, "actCloseProject", tr("Close Project"), {}, QKeySequence(Qt::CTRL | Qt::Key_W));
    actExportEpub = MakeAction(this, "actExportEpub", tr("Export EPUB..."));
    actExit = MakeAction(this, "actExit", tr("Exit"), "main/exit.svg", QKeySequence(Qt::CTRL | Qt::Key_Q));
    actCompile = MakeAction(this, "actCompile", tr("Compile"), "main/compile.svg", QKeySequence(Qt::CTRL | Qt::Key_F9));
    actRun = MakeAction(this, "actRun", tr("Run"), "main/run.svg", QKeySequence(Qt::Key_F9));
    actVariables = MakeAction(this, "actVariables", tr("Variables"));
    actToolbar = MakeAction(this, "actToolbar", tr("Toolbar"));
    actSystemPages = MakeAction(this, "actSystemPages", tr("System Pages"));
    actOptions = MakeAction(this, "actOptions", tr("Options..."), "main/options.svg");
    actOptions->setIconText(tr("Options"));
    actWindowCascade = MakeAction(this, "actWindowCascade", tr("Cascade"));
    actWindowTileHorizontal = MakeAction(this, "actWindowTileHorizontal", tr("Tile Horizontally"));
    actWindowTileVertical = MakeAction(this, "actWindowTileVertical", tr("Tile Vertically"));
    actWindowMinimizeAll = MakeAction(this, "actWindowMinimizeAll", tr("Minimize All"));
    actWindowArrange = MakeAction(this, "actWindowArrange", tr("Arrange"));
    actWindowClose = MakeAction(this, "actWindowClose", tr("Close"));
    actHelpContents = MakeAction(this, "actHelpContents", tr("Contents"), "main/help.svg", QKeySequence(Qt::Key_F1));
    actHelpContents->setIconText(tr("Help"));
    actShowTip = MakeAction(this, "actShowTip", tr("Show Tip"), "main/showtip.svg");
    actInternetUpdate = MakeAction(this, "actInternetUpdate", tr("Internet Update"), "main/update.svg");
    actAbout = MakeAction(this, "actAbout", tr("About..."), "main/about.svg");
    actAbout->setIconText(tr("About"));
    for (QAction* a : {actNewProject, actWizard, actOpenProject, actSaveProject, actSaveProjectAs,
                       actSaveProjectAsDefault, actCloseProject, actExit, actCompile, actRun, actOptions,
                       actHelpContents})
        addAction(a); // shortcuts work wherever the focus is in the window
}

void TfrmMain::BuildPanels() {
    splMain = new QSplitter(Qt::Horizontal, this);
    SetControlName(splMain, "splMain");
    splMain->setChildrenCollapsible(false);

    pnlControl = new QWidget(splMain);
    SetControlName(pnlControl, "pnlControl");
    pnlControl->setMinimumWidth(200);
    pcControl = new QTabWidget(pnlControl);
    SetControlName(pcControl, "pcControl");
    auto* controlLayout = new QVBoxLayout(pnlControl);
    controlLayout->setContentsMargins(2, 2, 0, 2);
    controlLayout->addWidget(pcControl);

    tsProject = new QWidget;
    SetControlName(tsProject, "tsProject");
    framStoryTree = new TframStoryTree(*this, *FCommands, tsProject);
    pnlPageProperties = new TframPageProperties(tsProject);
    auto* projectLayout = new QVBoxLayout(tsProject);
    projectLayout->setContentsMargins(0, 0, 0, 0);
    projectLayout->setSpacing(2);
    projectLayout->addWidget(framStoryTree, 1);
    projectLayout->addWidget(pnlPageProperties);
    pcControl->addTab(tsProject, tr("Project"));

    splClient = new QSplitter(Qt::Vertical, splMain);
    SetControlName(splClient, "splClient");
    splClient->setChildrenCollapsible(false);
    pnlForWebPreview = new QWidget(splClient);
    SetControlName(pnlForWebPreview, "pnlForWebPreview");
    webFilePreview = new TMXWebBrowser(pnlForWebPreview);
    SetControlName(webFilePreview, "webFilePreview", tr("Preview"));
    auto* previewLayout = new QVBoxLayout(pnlForWebPreview);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewLayout->addWidget(webFilePreview);
    pnlForWebPreview->hide();
    mdiArea = new QMdiArea(splClient);
    SetControlName(mdiArea, "mdiArea", QStringLiteral("Document windows"));
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    splClient->setStretchFactor(1, 1);
    splClient->setSizes({420, 300});

    tsFiles = new QWidget;
    SetControlName(tsFiles, "tsFiles");
    framFiles = new TframFilesPane(*this, *FCommands, webFilePreview, tsFiles);
    auto* filesLayout = new QVBoxLayout(tsFiles);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    filesLayout->addWidget(framFiles);
    pcControl->addTab(tsFiles, tr("Files"));

    splMain->setStretchFactor(1, 1);
    splMain->setSizes({300, 800});
    setCentralWidget(splMain);
    pnlControl->hide();

    connect(pcControl, &QTabWidget::currentChanged, this, [this] { pcControlChange(); });
    connect(framStoryTree, &TframStoryTree::SelectionChanged, this, [this] { UpdatePageProperties(); });
    connect(framStoryTree, &TframStoryTree::FlagsChanged, this, [this] { UpdatePageProperties(); });
    connect(pnlPageProperties, &TframPageProperties::FlagChosen, framStoryTree, &TframStoryTree::SetFlagOfSelected);
    // The status bar's name is the message it shows (no name of ours freezes it).
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
}

void TfrmMain::BuildMenus() {
    mnuFile = menuBar()->addMenu(tr("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuNew = mnuFile->addMenu(tr("&New"));
    mnuNew->setObjectName(QStringLiteral("mnuNew"));
    mnuNew->addAction(actNewProject);
    mnuNew->addAction(actWizard);
    mnuFile->addAction(actOpenProject);
    mnuFile->addAction(actSaveProject);
    mnuFile->addAction(actSaveProjectAs);
    mnuFile->addAction(actSaveProjectAsDefault);
    mnuFile->addAction(actCloseProject);
    mnuFile->addSeparator();
    mnuFile->addAction(actExportEpub);
    mnuFile->addSeparator();
    mnuRecent = mnuFile->addMenu(tr("&Recent"));
    mnuRecent->setObjectName(QStringLiteral("mnuRecent"));
    mnuRecent->setToolTipsVisible(true);
    mnuFile->addSeparator();
    mnuFile->addAction(actExit);

    mnuProject = menuBar()->addMenu(tr("&Project"));
    mnuProject->setObjectName(QStringLiteral("mnuProject"));
    mnuProject->addAction(actCompile);
    mnuProject->addAction(actRun);
    mnuProject->addSeparator();
    mnuProject->addAction(actVariables);
    mnuProject->addAction(actToolbar);
    mnuProject->addAction(actSystemPages);
    mnuProject->addSeparator();
    mnuProject->addAction(actOptions);

    mnuWindow = menuBar()->addMenu(tr("&Window"));
    mnuWindow->setObjectName(QStringLiteral("mnuWindow"));
    for (QAction* a : {actWindowCascade, actWindowTileHorizontal, actWindowTileVertical, actWindowMinimizeAll,
                       actWindowArrange, actWindowClose})
        mnuWindow->addAction(a);
    connect(mnuWindow, &QMenu::aboutToShow, this, [this] { mnuWindowShow(); });

    mnuHelp = menuBar()->addMenu(tr("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelp->setToolTipsVisible(true);
    mnuHelp->addAction(actHelpContents);
    mnuHelp->addSeparator();
    // Help links come here (position 2).
    mnuHelp->addSeparator();
    mnuHelp->addAction(actShowTip);
    mnuHelp->addAction(actInternetUpdate);
    mnuHelp->addSeparator();
    mnuHelp->addAction(actAbout);
}

void TfrmMain::BuildToolbars() {
    auto make = [this](const char* name, const QString& title) {
        QToolBar* bar = NewToolBar(this, name, 24, Qt::ToolButtonTextUnderIcon);
        bar->setWindowTitle(title);
        bar->setMovable(false);
        bar->setFloatable(false);
        addToolBar(Qt::TopToolBarArea, bar);
        return bar;
    };
    tbrMain = make("tbrMain", tr("Main"));
    tbrMain->addAction(actNewProject);
    tbrMain->addAction(actWizard);
    tbrMain->addAction(actOpenProject);
    btnOpenProject = qobject_cast<QToolButton*>(tbrMain->widgetForAction(actOpenProject));
    btnOpenProject->setObjectName(QStringLiteral("btnOpenProject"));
    popRecentProjects = new QMenu(this);
    popRecentProjects->setObjectName(QStringLiteral("popRecentProjects"));
    popRecentProjects->setToolTipsVisible(true);
    btnOpenProject->setMenu(popRecentProjects);
    btnOpenProject->setPopupMode(QToolButton::MenuButtonPopup);
    tbrMain->addAction(actSaveProject);
    addToolBarBreak(Qt::TopToolBarArea);
    tbrMain2 = make("tbrMain2", tr("Commands"));
    for (QAction* a : {actOptions, actCompile, actRun, actHelpContents, actShowTip, actAbout, actExit})
        tbrMain2->addAction(a);
    for (QToolBar* bar : {tbrMain, tbrMain2})
        for (QAction* a : bar->actions())
            if (QWidget* button = bar->widgetForAction(a))
                button->setMinimumWidth(72);
}

void TfrmMain::RegisterCommands() {
    TCommandTable& c = *FCommands;
    auto open = [this] { return Project().IsOpen(); };
    auto canCompile = [this] { return Project().IsOpen() && !Project().Story().Empty(); };
    auto children = [this] { return !mdiArea->subWindowList().isEmpty(); };
    c.Add(actNewProject, {});
    c.Add(actWizard, {});
    c.Add(actOpenProject, {});
    c.Add(actSaveProject, [this] {
        return (Project().IsOpen() && Project().Modified()) || FindChildWindow<IPageEditorWindow>() != nullptr;
    });
    c.Add(actSaveProjectAs, open);
    c.Add(actSaveProjectAsDefault, [this] { return Project().Modified(); });
    c.Add(actCloseProject, open);
    c.Add(mnuRecent->menuAction(), [this] { return !Project().RecentList().empty(); });
    c.Add(actExit, {});
    c.Add(actCompile, canCompile);
    c.Add(actExportEpub, canCompile);
    c.Add(actRun, canCompile);
    c.Add(actVariables, open);
    c.Add(actToolbar, open);
    c.Add(actSystemPages, open);
    c.Add(actOptions, open);
    for (QAction* a : {actWindowCascade, actWindowTileHorizontal, actWindowTileVertical, actWindowMinimizeAll,
                       actWindowArrange, actWindowClose})
        c.Add(a, children);
    c.Add(actHelpContents, {});
    c.Add(actShowTip, {});
    c.Add(actInternetUpdate, {});
    c.Add(actAbout, {});
    // The Project menu and the left panel follow the open project.
    c.AddUpdate([this] {
        const bool isOpen = Project().IsOpen();
        if (mnuProject->isEnabled() != isOpen)
            mnuProject->setEnabled(isOpen);
        if (pnlControl->isVisible() != isOpen && isVisible())
            pnlControl->setVisible(isOpen);
        if (Project().RecentList() != FShownRecent)
            RebuildRecentMenus();
    });
}

void TfrmMain::ConnectCommands() {
    connect(actNewProject, &QAction::triggered, this, [this] { actNewProjectExecute(); });
    connect(actWizard, &QAction::triggered, this,
            [this] { RunCommand([this] { EditorWindows().RunWizard(*this); }); });
    connect(actOpenProject, &QAction::triggered, this, [this] { actOpenProjectExecute(); });
    connect(actSaveProject, &QAction::triggered, this, [this] { actSaveProjectExecute(); });
    connect(actSaveProjectAs, &QAction::triggered, this, [this] { actSaveProjectAsExecute(); });
    connect(actSaveProjectAsDefault, &QAction::triggered, this, [this] { actSaveProjectAsDefaultExecute(); });
    connect(actCloseProject, &QAction::triggered, this, [this] { actCloseProjectExecute(); });
    connect(actExit, &QAction::triggered, this, [this] { close(); });
    connect(actCompile, &QAction::triggered, this, [this] { actCompileExecute(); });
    connect(actExportEpub, &QAction::triggered, this, [this] { actExportEpubExecute(); });
    connect(actRun, &QAction::triggered, this, [this] { actRunExecute(); });
    connect(actVariables, &QAction::triggered, this,
            [this] { RunCommand([this] { EditorWindows().OpenVariables(*this); }); });
    connect(actToolbar, &QAction::triggered, this,
            [this] { RunCommand([this] { EditorWindows().OpenToolbarDesigner(*this); }); });
    connect(actSystemPages, &QAction::triggered, this,
            [this] { RunCommand([this] { EditorWindows().OpenSystemPages(*this); }); });
    connect(actOptions, &QAction::triggered, this, [this] {
        RunCommand([this] {
            if (Project().IsOpen() && EditorWindows().ShowProjectOptions(*this))
                StoryChanged();
        });
    });
    connect(actWindowCascade, &QAction::triggered, mdiArea, &QMdiArea::cascadeSubWindows);
    connect(actWindowTileHorizontal, &QAction::triggered, this, [this] { TileWindows(true); });
    connect(actWindowTileVertical, &QAction::triggered, this, [this] { TileWindows(false); });
    connect(actWindowMinimizeAll, &QAction::triggered, this, [this] {
        for (QMdiSubWindow* window : mdiArea->subWindowList())
            window->showMinimized();
    });
    connect(actWindowArrange, &QAction::triggered, this, [this] {
        // Minimized windows line up along the bottom again.
        for (QMdiSubWindow* window : mdiArea->subWindowList())
            if (window->isMinimized())
                window->showMinimized();
    });
    connect(actWindowClose, &QAction::triggered, mdiArea, &QMdiArea::closeActiveSubWindow);
    connect(actHelpContents, &QAction::triggered, this, [this] { actHelpContentsExecute(); });
    connect(actShowTip, &QAction::triggered, this,
            [this] { RunCommand([this] { EditorWindows().ShowTips(); }); });
    connect(actInternetUpdate, &QAction::triggered, this, [this] { actInternetUpdateExecute(); });
    connect(actAbout, &QAction::triggered, this,
            [this] { RunCommand([this] { EditorWindows().ShowAbout(); }); });
}

void TfrmMain::RunCommand(const std::function<void()>& Command) {
    FCommands->Execute(this, Command);
}

void TfrmMain::Warning(const std::string& Text) {
    if (FPendingWarnings.empty())
        QTimer::singleShot(0, this, [this] { ShowPendingWarnings(); });
    FPendingWarnings.push_back(Text);
}

void TfrmMain::ShowPendingWarnings(bool Now) {
    if (FPendingWarnings.empty())
        return;
    // A command that lets events run (the compile's progress) is not over yet: its
    // warnings wait for its end, or for the point where it shows them itself.
    if (!Now && FCommands->Running()) {
        QTimer::singleShot(50, this, [this] { ShowPendingWarnings(); });
        return;
    }
    const std::string text = WarningsText(FPendingWarnings);
    FPendingWarnings.clear();
    MessageDlg(this, text, TMsgDlgType::mtWarning, QMessageBox::Ok, QMessageBox::Ok);
}

// ---------------------------------------------------------------------------------
// Start-up and shut-down

TfrmMain* StartTomewright(const QStringList& Arguments) {
    QApplication::setApplicationName(QString::fromLatin1(SApplicationTitle));
    QApplication::setStyle(new THintStyle); // the application owns it
    const TEditorWindowTable& windows = EditorWindows();
    QWidget* splash = windows.ShowSplashFile(ProgramFolder() + "Splash.bmp", 2, true);
    auto* main = new TfrmMain(Arguments);
    main->setAttribute(Qt::WA_DeleteOnClose);
    if (splash) {
        splash->repaint();
        windows.RequestSplashClose(splash);
    }
    main->show();
    return main;
}

void TfrmMain::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
    if (!FShowScheduled) {
        FShowScheduled = true;
        // The first showing's steps run once the window is on the screen.
        QMetaObject::invokeMethod(this, [this] { FormShow(); }, Qt::QueuedConnection);
    }
}

void TfrmMain::FormShow() {
    if (FStartupFailed) {
        close();
        return;
    }
    RestoreFormLayout(MainFormLayoutKey, this, [this](const std::string& Text) {
        if (const auto width = PanelWidthFromExtInfo(Text)) {
            QList<int> sizes = splMain->sizes();
            const int total = sizes.value(0) + sizes.value(1);
            sizes[0] = *width;
            sizes[1] = std::max(total - *width, 1);
            splMain->setSizes(sizes);
            pnlControl->resize(*width, pnlControl->height());
        }
    });
    QCoreApplication::processEvents();
    pnlControl->hide();
    if (const auto project = CommandLineProject(FArguments))
        OpenProjectFile(*project);
    const int tips = ReadRegInteger(EditorKey, "TipsStartupAction", 0);
    if (ShowTipsAtStartup(tips, Project().IsOpen()))
        RunCommand([] { EditorWindows().ShowTips(); });
    FStarted = true;
    FCommands->Update();
}

void TfrmMain::closeEvent(QCloseEvent* Event) {
    if (!FStartupFailed) {
        SaveFormLayout(MainFormLayoutKey, this, loSizeAndPos | loSplitters | loExtInfo,
                       [this] { return std::to_string(pnlControl->width()); });
        WriteRegString(EditorKey, "Recent", Project().RecentCommaText());
    }
    // The book an untitled project compiles to (named after the empty project name, in the
    // current folder, where the compile wrote it).
    std::error_code error;
    std::filesystem::remove(::OutputFileName(std::string(), TProjectOptions()), error);
    if (!FStartupFailed) {
        bool closed = false;
        RunCommand([this, &closed] {
            Project().CloseProject();
            closed = true;
        });
        ProjectReplaced();
        if (!closed) {
            Event->ignore();
            return;
        }
    }
    Event->accept();
}

// ---------------------------------------------------------------------------------
// Project commands

void TfrmMain::ProjectReplaced() {
    InvalidateVariables();
    StoryChanged();
}

bool TfrmMain::ExecuteNewProject() {
    bool created = false;
    FCommands->Execute(this, [this, &created] { created = FCore->ExecuteNewProject(); }, [this] { ProjectReplaced(); });
    return created && Project().IsOpen();
}

void TfrmMain::actNewProjectExecute() {
    ExecuteNewProject();
}

void TfrmMain::OpenProjectFile(const std::string& FileName) {
    FCommands->Execute(this, [this, &FileName] { Project().OpenProject(FileName, true); },
                       [this] { ProjectReplaced(); });
}

void TfrmMain::actOpenProjectExecute() {
    const std::string fileName = ChooseOpenFileName(this, "Open Project", Project().FileName(), SProjectFilter);
    if (!fileName.empty())
        OpenProjectFile(fileName);
}

void TfrmMain::actSaveProjectExecute() {
    RunCommand([this] { Project().Save(); });
}

void TfrmMain::actSaveProjectAsExecute() {
    RunCommand([this] { Project().SaveAs(); });
}

void TfrmMain::actSaveProjectAsDefaultExecute() {
    RunCommand([this] { Project().SaveAsDefault(); });
}

void TfrmMain::actCloseProjectExecute() {
    FCommands->Execute(this, [this] { Project().CloseProject(); }, [this] { ProjectReplaced(); });
}

void TfrmMain::RunWithProgress(const QString& Title, const QString& Text, const TProgressRun& Run) {
    FCompileSteps.clear();
    TBusyCursor busy;
    QProgressDialog progress(Text, QString(), 0, 0, this);
    progress.setObjectName(QStringLiteral("dlgCompileProgress"));
    progress.setWindowTitle(Title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setMinimumWidth(360);
    // The bar stays up at 100 % while the book is written after the pages.
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);
    const auto step = [this, &progress](const std::string& Step) {
        FCompileSteps.push_back(Step);
        if (!Step.empty())
            progress.setLabelText(Q(Step));
        // Only painting: the user's input waits until the command is over.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    // Packing the pages is most of a compile's work: the bar follows the bytes packed.
    const auto packed = [&progress, shown = -1](uint64_t Packed, uint64_t Total) mutable {
        const int percent = PackProgressPercent(Packed, Total);
        if (percent == shown)
            return;
        shown = percent;
        // The text first: the value of a modal dialog repaints it at once.
        progress.setLabelText(Q(PackProgressText(Packed, Total)));
        if (progress.maximum() != 100)
            progress.setRange(0, 100);
        progress.setValue(percent);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    Run(step, packed);
}

void TfrmMain::CompileWithProgress() {
    RunWithProgress(tr("Compile"), tr("Compiling the book..."), [this](const auto& Step, const auto& Packed) {
        TCompileSettings settings;
        settings.Progress = Step;
        settings.PackProgress = Packed;
        CompileProject(Project(), settings);
    });
}

void TfrmMain::actExportEpubExecute() {
    RunCommand([this] {
        TBookProject& project = Project();
        if (!project.IsOpen() || project.Story().Empty())
            return;
        ApplyChangesOfAll();
        const std::string start = DefaultEpubFileName(project, QDir::homePath().toStdString());
        const std::string file = ::ChooseSaveFileName(this, "Export EPUB", start, SEpubFilter, "epub");
        if (file.empty())
            return;
        TEpubSettings settings;
        settings.OutputFile = file;
        const std::vector<std::string> protectedPages = ProtectedStoryPages(project);
        if (!protectedPages.empty()) {
            if (MessageDlg(this, Format(SEpubProtectedQuestion, ProtectedPagesList(protectedPages)),
                           TMsgDlgType::mtWarning, QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::No) != QMessageBox::Yes)
                return;
            settings.IncludeProtected = true;
        }
        // Warnings and notices go to the window's gathering, shown together below.
        settings.Warning = [this](const std::string& Text) { Warning(Text); };
        settings.Notice = [this](const std::string& Text) { Warning(Text); };
        std::string written;
        RunWithProgress(tr("Export EPUB"), tr("Writing the publication..."), [&](const auto& Step, const auto&) {
            settings.Progress = Step;
            written = ExportEpub(project, settings);
        });
        ShowPendingWarnings(true);
        MessageDlg(this, Format(SEpubWritten, written), TMsgDlgType::mtInformation, QMessageBox::Ok, QMessageBox::Ok);
    });
}

bool TfrmMain::SaveBeforeCompile(const char* Question, bool& Saved) {
    Saved = false;
    TBookProject& project = Project();
    if (!project.IsOpen() || project.Story().Empty())
        return false;
    ApplyChangesOfAll();
    if (project.Modified() || project.FileName().empty()) {
        if (MessageDlg(this, Question, TMsgDlgType::mtConfirmation, QMessageBox::Ok | QMessageBox::Cancel,
                       QMessageBox::Ok) != QMessageBox::Ok)
            return false;
        project.Save();
        Saved = true;
    }
    return true;
}

void TfrmMain::actCompileExecute() {
    RunCommand([this] {
        bool saved = false;
        if (!SaveBeforeCompile(SCompileSaveQuestion, saved))
            return;
        TBookProject& project = Project();
        const std::string summary = CompileSummaryText(project.Options(), CompileSecurityLine(project));
        if (MessageDlg(this, summary, TMsgDlgType::mtConfirmation, QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::Yes) != QMessageBox::Yes)
            return;
        CompileWithProgress();
        ShowPendingWarnings(true);
        if (MessageDlg(this, SCompileSuccessQuestion, TMsgDlgType::mtConfirmation,
                       QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok)
            actRunExecute();
    });
}

void TfrmMain::actRunExecute() {
    RunCommand([this] {
        bool saved = false;
        if (!SaveBeforeCompile(SRunSaveQuestion, saved))
            return;
        // A saved, unchanged project whose book exists is not compiled again: Run starts
        // the last book. A project without its book yet is compiled first, so that Run
        // always leads to a running book; a compile that fails says why (its error ends
        // the command in the error dialog) and starts nothing.
        if (saved || !HostFileExists(OutputFileName())) {
            CompileWithProgress();
            ShowPendingWarnings(true);
        }
        const std::string book = OutputFileName();
        if (!HostFileExists(book))
            throw Exception(Format(SBookNotMade, book));
        StartBook(book);
    });
}

void TfrmMain::StartBook(const std::string& BookFile) {
    const TBookStart start = BookStartFor(BookFile, ExecutableFolder());
    if (OnStartBook) {
        OnStartBook(start);
        return;
    }
    // Failures to start are not reported.
    if (start.WithReader) {
        QStringList arguments;
        for (const std::string& a : start.Arguments)
            arguments << Q(a);
        QProcess::startDetached(Q(start.Program), arguments);
    } else {
        QDesktopServices::openUrl(QUrl::fromLocalFile(Q(start.Program)));
    }
}

void TfrmMain::OpenURL(const QUrl& Url) {
    if (OnOpenURL)
        OnOpenURL(Url);
    else
        QDesktopServices::openUrl(Url);
}

void TfrmMain::actHelpContentsExecute() {
    OpenURL(QUrl::fromLocalFile(Q(HelpFileName(ProgramFolder()))));
}

void TfrmMain::actInternetUpdateExecute() {
    if (const auto url = InternetUpdateURL(ReadRegString(EditorKey, "UpdateLink"), VersionText(0, 4)))
        OpenURL(QUrl::fromUserInput(Q(*url)));
}

// ---------------------------------------------------------------------------------
// Menus

void TfrmMain::RebuildRecentMenus() {
    FShownRecent = Project().RecentList();
    mnuRecent->clear();
    popRecentProjects->clear();
    for (const TRecentMenuEntry& entry : RecentMenuEntries(FShownRecent)) {
        const std::string fileName = entry.FileName;
        auto open = [this, fileName] { OpenProjectFile(fileName); };
        QAction* item = mnuRecent->addAction(Q(entry.MenuCaption));
        item->setToolTip(Q(entry.FileName));
        item->setStatusTip(Q(entry.FileName));
        connect(item, &QAction::triggered, this, open);
        QAction* button = popRecentProjects->addAction(Q(entry.ButtonCaption));
        button->setToolTip(Q(entry.FileName));
        button->setStatusTip(Q(entry.FileName));
        connect(button, &QAction::triggered, this, open);
    }
}

void TfrmMain::BuildHelpLinks() {
    // Each link's key is opened once for its three values.
    std::vector<THelpLink> listed;
    for (const std::string& name : ReadRegSubKeys(EditorLinksKey)) {
        const TRegistryKey key(std::string(EditorLinksKey) + "\\" + name, true);
        listed.push_back({key.ReadString("Name").value_or(std::string()), key.ReadString("Link").value_or(std::string()),
                          key.ReadInteger("ImageIndex").value_or(-1)});
    }
    QAction* before = mnuHelp->actions().value(2);
    for (const THelpLink& link : HelpMenuLinks(listed)) {
        auto* item = new QAction(QIcon(QStringLiteral(":/icons/main/link.svg")), Q(link.Name), mnuHelp);
        item->setObjectName(QStringLiteral("mnuHelpLink"));
        item->setToolTip(Q(link.Link));
        item->setStatusTip(Q(link.Link));
        const QUrl url = QUrl::fromUserInput(Q(link.Link));
        connect(item, &QAction::triggered, this, [this, url] { OpenURL(url); });
        mnuHelp->insertAction(before, item);
    }
}

void TfrmMain::mnuWindowShow() {
    for (QAction* entry : FWindowEntries)
        delete entry;
    FWindowEntries.clear();
    const QList<QMdiSubWindow*> windows = mdiArea->subWindowList();
    if (windows.isEmpty())
        return;
    FWindowEntries.push_back(mnuWindow->addSeparator());
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        QString caption = window->windowTitle();
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry = mnuWindow->addAction(
            number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(caption) : caption);
        ++number;
        entry->setCheckable(true);
        entry->setChecked(window == mdiArea->activeSubWindow());
        connect(entry, &QAction::triggered, this, [this, window] { mdiArea->setActiveSubWindow(window); });
        FWindowEntries.push_back(entry);
    }
}

void TfrmMain::TileWindows(bool Horizontally) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : mdiArea->subWindowList())
        if (!window->isMinimized())
            windows << window;
    if (windows.isEmpty())
        return;
    const QRect area = mdiArea->viewport()->rect();
    const int count = static_cast<int>(windows.size());
    for (int i = 0; i < count; ++i) {
        windows[i]->showNormal();
        if (Horizontally) {
            const int height = area.height() / count;
            windows[i]->setGeometry(0, i * height, area.width(), height);
        } else {
            const int width = area.width() / count;
            windows[i]->setGeometry(i * width, 0, width, area.height());
        }
    }
}

void TfrmMain::pcControlChange() {
    const bool files = pcControl->currentWidget() == tsFiles;
    pnlForWebPreview->setVisible(files);
    if (files)
        framFiles->PaneShown();
}

// ---------------------------------------------------------------------------------
// The story

TProjectItemInfo* TfrmMain::SelectedStoryItem() {
    return framStoryTree->Selected();
}

void TfrmMain::StoryChanged() {
    framStoryTree->SyncWithStory();
    UpdatePageProperties();
}

void TfrmMain::UpdatePageProperties() {
    pnlPageProperties->ShowStates(PageFlagStates(framStoryTree->SelectedItems()));
}

// ---------------------------------------------------------------------------------
// The project's questions

IProjectHost::TAnswer TfrmMain::AskSaveChanges(const std::string& ProjectName) {
    return AnswerOf(MessageDlg(this, Format(SSaveChangesQuestion, ProjectName), TMsgDlgType::mtConfirmation,
                               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes));
}

bool TfrmMain::Confirm(const std::string& Question, TQuestionKind Kind) {
    const TMsgDlgType type = Kind == qkWarning ? TMsgDlgType::mtWarning : TMsgDlgType::mtConfirmation;
    return MessageDlg(this, Question, type, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
}

bool TfrmMain::ChooseSaveFileName(std::string& FileName) {
    const std::string chosen = ::ChooseSaveFileName(this, "Save Project As", FileName, SProjectFilter, "ebp");
    if (chosen.empty())
        return false;
    FileName = chosen;
    return true;
}

void TfrmMain::SelectItem(TProjectItemInfo* Item) {
    framStoryTree->SelectItem(Item);
}

void TfrmMain::ItemRemoving(TProjectItemInfo* Item) {
    framStoryTree->ItemRemoving(Item);
}

IProjectHost::TAnswer TfrmMain::Ask(const std::string& Question, bool AllowCancel) {
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (AllowCancel)
        buttons |= QMessageBox::Cancel;
    return AnswerOf(MessageDlg(this, Question, TMsgDlgType::mtConfirmation, buttons, QMessageBox::Yes));
}

void TfrmMain::ShowMessage(const std::string& Text) {
    ::ShowMessage(this, Text);
}

TProjectItemInfo* TfrmMain::SelectedItem() const {
    return framStoryTree->Selected();
}

// ---------------------------------------------------------------------------------
// F12: the active page editor switches between editing and preview.

bool TfrmMain::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(Event)->key() == Qt::Key_F12) {
        if (QMdiSubWindow* active = mdiArea ? mdiArea->activeSubWindow() : nullptr)
            if (auto* editor = dynamic_cast<IPageEditorWindow*>(active->widget())) {
                editor->ToggleEditPreview();
                Event->accept();
                return true;
            }
    }
    return QMainWindow::eventFilter(Watched, Event);
}
