// The "Files" tab of the main window: the toolbar with Add To Project and the tabs
// "Templates" (the installed templates with a thumbnail and a description) and "Files"
// (the folders of the disk over a list of their HTML files). A selection is previewed
// in the main window's file preview webFilePreview, which navigates to nothing but the
// one URL it was given (AllowedPreviewURL).
#pragma once

#include <QWidget>

#include <string>

class IEditorMain;
class QAction;
class QFileSystemModel;
class QLabel;
class QListView;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QToolBar;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class TCommandTable;
class TMXWebBrowser;
class TTemplate;
class TTemplateChapter;
class TTemplatePage;

class TframFilesPane : public QWidget {
    Q_OBJECT
public:
    TframFilesPane(IEditorMain& Main, TCommandTable& Commands, TMXWebBrowser* Preview, QWidget* Parent = nullptr);
    ~TframFilesPane() override;

    // Controls and commands, named as in the window's design.
    QToolBar* tbrFiles = nullptr;
    QTabWidget* pcFiles = nullptr;
    QWidget* tsTemplates = nullptr;
    QWidget* tsFiles = nullptr;
    QTreeWidget* tvTemplates = nullptr;
    QLabel* imgThumbnail = nullptr;
    QPlainTextEdit* memDescription = nullptr;
    QTreeView* shtvFiles = nullptr;
    QListView* shlvFiles = nullptr;
    QMenu* popTemplates = nullptr;
    QMenu* popFiles = nullptr;
    QMenu* popFolders = nullptr;
    QAction* actAddToProject = nullptr;
    QAction* actPreview = nullptr;
    QAction* mnuAddFolder = nullptr;
    TMXWebBrowser* webFilePreview = nullptr;

    // The only URL the file preview may navigate to.
    std::string AllowedPreviewURL;

    // The template tree: one top node per template, its chapters and pages below.
    void FillTemplateTree();
    // Shows a template node (none: nothing selected) in the preview, the description
    // and the thumbnail.
    void ShowTemplatePreview(QTreeWidgetItem* Node);
    // Shows the file selected in the list, or the "Select item for preview" text.
    void ShowFilePreview();
    // The preview for the selection of the active tab.
    void RefreshPreview();
    // The tab became visible: a preview without a document gets the selection text.
    void PaneShown();

    // The selection of each tab.
    TTemplate* SelectedTemplate() const;
    TTemplateChapter* SelectedTemplateChapter() const;
    TTemplatePage* SelectedTemplatePage() const;
    bool TemplateNodeSelected() const;
    // The selected file of the list, or empty; the folder of the folder tree, or empty.
    std::string SelectedFile() const;
    std::string SelectedFolder() const;
    bool TemplatesTabActive() const;

    // Shows a folder of the disk in the folder tree and the list (tests, start-up).
    void SelectFolder(const std::string& Folder);
    // Selects a file of the shown folder in the list; false when the list does not
    // (yet) hold it.
    bool SelectFile(const std::string& FileName);
    // The files the list shows (names, in the list's order).
    QStringList ListedFiles() const;

    void actAddToProjectExecute();
    void actPreviewExecute();
    void mnuAddFolderExecute();

private:
    void BuildControls();
    void RegisterCommands();
    void ShowText(const std::string& Html);
    void AddFromTemplates();

    IEditorMain& FMain;
    TCommandTable& FCommands;
    QFileSystemModel* FFolderModel = nullptr;
    QFileSystemModel* FFileModel = nullptr;
};
