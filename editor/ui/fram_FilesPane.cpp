#include "fram_FilesPane.h"

#include "c_MXWebBrowser.h"
#include "frm_Preview.h"
#include "u_AddFile.h"
#include "u_Actions.h"
#include "u_CommandTable.h"
#include "u_Controls.h"
#include "u_EditorServices.h"
#include "u_HostFiles.h"
#include "u_Project.h"
#include "u_TemplateTree.h"
#include "u_Templates.h"
#include "u_WebEngineProtocol.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Enter in a list or tree runs a command (the hidden Preview entries).
class TEnterKey : public QObject {
public:
    TEnterKey(QObject* Parent, QAction* Action) : QObject(Parent), FAction(Action) {}

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(Event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && FAction->isEnabled()) {
                FAction->trigger();
                return true;
            }
        }
        return QObject::eventFilter(Watched, Event);
    }

private:
    QAction* FAction;
};

} // namespace

TframFilesPane::TframFilesPane(IEditorMain& Main, TCommandTable& Commands, TMXWebBrowser* Preview, QWidget* Parent)
    : QWidget(Parent), FMain(Main), FCommands(Commands) {
    webFilePreview = Preview;
    setObjectName(QStringLiteral("framFilesPane"));
    BuildControls();
    RegisterCommands();
    webFilePreview->OnBeforeNavigate2 = [this](TMXWebBrowser&, const std::string& URL, bool& Cancel) {
        // Links clicked in the preview lead nowhere.
        if (!SameUrl(URL, AllowedPreviewURL))
            Cancel = true;
    };
}

TframFilesPane::~TframFilesPane() {
    webFilePreview->OnBeforeNavigate2 = nullptr;
}

void TframFilesPane::BuildControls() {
    actAddToProject = MakeAction(this, "actAddToProject", tr("Add To Project"), "main/addtoproject.svg");
    actAddToProject->setToolTip(tr("Add the selected template, chapter, page, file or folder to the story"));
    // Preview is a hidden entry: not shown in the menus, run by Enter in the template
    // tree and the file list (an invisible QAction could not be enabled).
    actPreview = MakeAction(this, "actPreview", tr("Preview"));
    mnuAddFolder = MakeAction(this, "mnuAddFolder", tr("Add Folder"), "main/addtoproject.svg");
    connect(actAddToProject, &QAction::triggered, this, [this] { actAddToProjectExecute(); });
    connect(actPreview, &QAction::triggered, this, [this] { actPreviewExecute(); });
    connect(mnuAddFolder, &QAction::triggered, this, [this] { mnuAddFolderExecute(); });

    tbrFiles = NewToolBar(this, "tbrFiles", 20, Qt::ToolButtonTextBesideIcon);
    tbrFiles->addAction(actAddToProject);

    pcFiles = new QTabWidget(this);
    SetControlName(pcFiles, "pcFiles");

    // Templates
    tsTemplates = new QWidget;
    SetControlName(tsTemplates, "tsTemplates");
    tvTemplates = new QTreeWidget(tsTemplates);
    SetControlName(tvTemplates, "tvTemplates", tr("Templates"));
    tvTemplates->setHeaderHidden(true);
    tvTemplates->setContextMenuPolicy(Qt::CustomContextMenu);
    tvTemplates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    imgThumbnail = new QLabel(tsTemplates);
    SetControlName(imgThumbnail, "imgThumbnail", tr("Thumbnail"));
    imgThumbnail->setAlignment(Qt::AlignCenter);
    imgThumbnail->setFixedHeight(96);
    memDescription = new QPlainTextEdit(tsTemplates);
    SetControlName(memDescription, "memDescription", tr("Description"));
    memDescription->setReadOnly(true);
    memDescription->setMaximumHeight(90);
    auto* templatesLayout = new QVBoxLayout(tsTemplates);
    templatesLayout->setContentsMargins(2, 2, 2, 2);
    templatesLayout->addWidget(tvTemplates, 1);
    templatesLayout->addWidget(imgThumbnail);
    templatesLayout->addWidget(memDescription);
    pcFiles->addTab(tsTemplates, tr("Templates"));

    // Files of the disk: folders only above, HTML files of the chosen folder below.
    tsFiles = new QWidget;
    SetControlName(tsFiles, "tsFiles");
    FFolderModel = new QFileSystemModel(this);
    FFolderModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    FFolderModel->setRootPath(QDir::rootPath());
    FFileModel = new QFileSystemModel(this);
    FFileModel->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    FFileModel->setNameFilters({QStringLiteral("*.htm"), QStringLiteral("*.html")});
    FFileModel->setNameFilterDisables(false);
    auto* split = new QSplitter(Qt::Vertical, tsFiles);
    SetControlName(split, "splFiles");
    shtvFiles = new QTreeView(split);
    SetControlName(shtvFiles, "shtvFiles", tr("Folders"));
    shtvFiles->setModel(FFolderModel);
    shtvFiles->setHeaderHidden(true);
    for (int column = 1; column < FFolderModel->columnCount(); ++column)
        shtvFiles->hideColumn(column);
    shtvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    shlvFiles = new QListView(split);
    SetControlName(shlvFiles, "shlvFiles", tr("HTML files"));
    shlvFiles->setModel(FFileModel);
    shlvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    shlvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* filesLayout = new QVBoxLayout(tsFiles);
    filesLayout->setContentsMargins(2, 2, 2, 2);
    filesLayout->addWidget(split);
    pcFiles->addTab(tsFiles, tr("Files"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tbrFiles);
    layout->addWidget(pcFiles, 1);

    popTemplates = new QMenu(this);
    popTemplates->setObjectName(QStringLiteral("popTemplates"));
    popTemplates->addAction(actAddToProject);
    popFiles = new QMenu(this);
    popFiles->setObjectName(QStringLiteral("popFiles"));
    popFiles->addAction(actAddToProject);
    popFolders = new QMenu(this);
    popFolders->setObjectName(QStringLiteral("popFolders"));
    popFolders->addAction(mnuAddFolder);

    auto popup = [this](QMenu* menu, QAbstractItemView* view) {
        return [this, menu, view](const QPoint& position) {
            FCommands.Update();
            menu->popup(view->viewport()->mapToGlobal(position));
        };
    };
    connect(tvTemplates, &QWidget::customContextMenuRequested, this, popup(popTemplates, tvTemplates));
    connect(shlvFiles, &QWidget::customContextMenuRequested, this, popup(popFiles, shlvFiles));
    connect(shtvFiles, &QWidget::customContextMenuRequested, this, popup(popFolders, shtvFiles));
    for (QAbstractItemView* view : std::initializer_list<QAbstractItemView*>{tvTemplates, shlvFiles})
        view->installEventFilter(new TEnterKey(view, actPreview));

    for (QAbstractItemView* view :
         std::initializer_list<QAbstractItemView*>{tvTemplates, shtvFiles, shlvFiles})
        CurrentFollowsSelection(view);
    connect(tvTemplates, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { ShowTemplatePreview(node); });
    connect(shtvFiles->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) {
                if (!index.isValid())
                    return;
                shlvFiles->setRootIndex(FFileModel->setRootPath(FFolderModel->filePath(index)));
                shlvFiles->clearSelection();
                ShowFilePreview();
            });
    connect(shlvFiles->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { ShowFilePreview(); });
    connect(shlvFiles, &QListView::doubleClicked, this, [this] {
        FCommands.Update();
        if (actAddToProject->isEnabled())
            actAddToProject->trigger();
    });
    connect(pcFiles, &QTabWidget::currentChanged, this, [this] { RefreshPreview(); });

    SelectFolder(S(QDir::homePath()));
}

void TframFilesPane::RegisterCommands() {
    TBookProject& project = FMain.Project();
    FCommands.Add(actAddToProject, [this, &project] {
        if (!project.IsOpen())
            return false;
        if (TemplatesTabActive())
            return TemplateNodeSelected();
        return !SelectedFile().empty() || !SelectedFolder().empty();
    });
    FCommands.Add(actPreview, [this, &project] {
        if (!project.IsOpen())
            return false;
        return TemplatesTabActive() ? SelectedTemplatePage() != nullptr : !SelectedFile().empty();
    });
    FCommands.Add(mnuAddFolder, [this, &project] { return project.IsOpen() && !SelectedFolder().empty(); });
}

// ---------------------------------------------------------------------------------
// Selections

bool TframFilesPane::TemplatesTabActive() const {
    return pcFiles->currentWidget() == tsTemplates;
}

TTemplate* TframFilesPane::SelectedTemplate() const {
    return NodeTemplate(tvTemplates->currentItem());
}

TTemplateChapter* TframFilesPane::SelectedTemplateChapter() const {
    return NodeTemplateChapter(tvTemplates->currentItem());
}

TTemplatePage* TframFilesPane::SelectedTemplatePage() const {
    return NodeTemplatePage(tvTemplates->currentItem());
}

bool TframFilesPane::TemplateNodeSelected() const {
    return tvTemplates->currentItem() != nullptr;
}

std::string TframFilesPane::SelectedFile() const {
    const QModelIndex index = shlvFiles->currentIndex();
    if (!index.isValid() || !shlvFiles->selectionModel()->isSelected(index) || FFileModel->isDir(index))
        return std::string();
    return S(FFileModel->filePath(index));
}

std::string TframFilesPane::SelectedFolder() const {
    const QModelIndex index = shtvFiles->currentIndex();
    return index.isValid() ? S(FFolderModel->filePath(index)) : std::string();
}

void TframFilesPane::SelectFolder(const std::string& Folder) {
    const QModelIndex index = FFolderModel->index(Q(Folder));
    if (!index.isValid())
        return;
    shtvFiles->setCurrentIndex(index);
    shtvFiles->scrollTo(index);
    shlvFiles->setRootIndex(FFileModel->setRootPath(Q(Folder)));
}

bool TframFilesPane::SelectFile(const std::string& FileName) {
    const QModelIndex index = FFileModel->index(Q(FileName));
    if (!index.isValid() || index.parent() != shlvFiles->rootIndex())
        return false;
    shlvFiles->setCurrentIndex(index);
    return true;
}

QStringList TframFilesPane::ListedFiles() const {
    QStringList names;
    const QModelIndex root = shlvFiles->rootIndex();
    for (int row = 0; row < FFileModel->rowCount(root); ++row)
        names << FFileModel->fileName(FFileModel->index(row, 0, root));
    names.sort(Qt::CaseInsensitive);
    return names;
}

// ---------------------------------------------------------------------------------
// Preview

void TframFilesPane::FillTemplateTree() {
    ::FillTemplateTree(FMain.Templates(), tvTemplates);
}

void TframFilesPane::ShowText(const std::string& Html) {
    AllowedPreviewURL = "about:blank";
    webFilePreview->LoadHTMLText(Html);
}

void TframFilesPane::ShowTemplatePreview(QTreeWidgetItem* Node) {
    FCommands.Execute(window(), [this, Node] {
        if (!Node) {
            ShowText(NoTemplateNodePreviewHtml());
            return;
        }
        if (TTemplate* t = NodeTemplate(Node)) {
            memDescription->setPlainText(Q(t->Description));
            const QImage thumbnail = t->Thumbnail.empty() ? QImage() : QImage(Q(t->Thumbnail));
            if (thumbnail.isNull())
                imgThumbnail->clear();
            else
                imgThumbnail->setPixmap(QPixmap::fromImage(thumbnail.scaled(
                    imgThumbnail->width(), imgThumbnail->height(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
            ShowText(TemplatePreviewHtml(*t));
        } else if (TTemplatePage* page = NodeTemplatePage(Node)) {
            ShowText(TemplatePagePreviewHtml(*page));
        } else {
            ShowText(TemplateChapterPreviewHtml());
        }
    });
}

void TframFilesPane::ShowFilePreview() {
    try {
        const std::string file = SelectedFile();
        if (HostFileExists(file)) {
            AllowedPreviewURL = file;
            webFilePreview->Navigate(file);
        } else {
            ShowText(NoTemplateNodePreviewHtml());
        }
    } catch (...) {
        // A preview that cannot be shown leaves the previous one; nothing to report.
    }
}

void TframFilesPane::RefreshPreview() {
    if (TemplatesTabActive())
        ShowTemplatePreview(tvTemplates->currentItem());
    else
        ShowFilePreview();
}

void TframFilesPane::PaneShown() {
    if (webFilePreview->ReadyState() == TReadyState::Uninitialized || webFilePreview->url().isEmpty())
        ShowText(NoTemplateNodePreviewHtml());
}

// ---------------------------------------------------------------------------------
// Commands

void TframFilesPane::AddFromTemplates() {
    TBookProject& project = FMain.Project();
    TProjectItemInfo* anchor = FMain.SelectedStoryItem();
    if (TTemplate* t = SelectedTemplate())
        AddTemplate(project, *t, anchor);
    else if (TTemplateChapter* chapter = SelectedTemplateChapter())
        AddTemplateChapter(project, *chapter, anchor);
    else if (TTemplatePage* page = SelectedTemplatePage())
        project.AddPageFromFile(page->FileName, page->Caption, anchor);
}

void TframFilesPane::actAddToProjectExecute() {
    FCommands.Execute(
        window(),
        [this] {
            if (!FMain.Project().IsOpen())
                return;
            if (TemplatesTabActive()) {
                AddFromTemplates();
            } else if (const std::string file = SelectedFile(); !file.empty()) {
                ImportFileAsPage(FMain.Project(), file);
                FMain.SetVariablesScanPending(true);
            } else if (const std::string folder = SelectedFolder(); !folder.empty()) {
                ImportFolder(FMain.Project(), folder);
            }
        },
        [this] { FMain.StoryChanged(); });
}

void TframFilesPane::mnuAddFolderExecute() {
    FCommands.Execute(
        window(),
        [this] {
            const std::string folder = SelectedFolder();
            if (FMain.Project().IsOpen() && !folder.empty())
                ImportFolder(FMain.Project(), folder);
        },
        [this] { FMain.StoryChanged(); });
}

void TframFilesPane::actPreviewExecute() {
    FCommands.Execute(window(), [this] {
        if (!FMain.Project().IsOpen())
            return;
        if (TemplatesTabActive()) {
            if (TTemplatePage* page = SelectedTemplatePage())
                PreviewTemplatePage(page->FileName, true);
        } else if (const std::string file = SelectedFile(); !file.empty()) {
            PreviewURL(file, true);
        }
    });
}
