// The System Pages window: the book's additional pages ("\AdditionalPages.xml") in a
// tree, the window settings of the selected form in a panel below it and the selected
// page in a browser on the right, with Edit File, Replace File, Preview Window and
// Reset Pages. At most one is open. Also the preview of a form's window.
#pragma once

#include "frm_AbstractMDIChild.h"
#include "u_EditorServices.h"
#include "u_ExtForms.h"

#include <QRect>
#include <QWidget>

#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLineEdit;
class QSpinBox;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class TCommandTable;
class TMXWebBrowser;

// What the browser shows without a page.
extern const char* const SNoItemSelectedHtml; // "<html><body>No item selected</body></html>"
extern const char* const SNoFileHtml; // "<html><body>No file is associated with this form</body></html>"

// The preview of a form's window: a browser filling a window of the form's size.
class TfrmExtFormPreview : public QWidget {
    Q_OBJECT
public:
    explicit TfrmExtFormPreview(QWidget* Parent = nullptr);
    TMXWebBrowser* wbPreview = nullptr;
};

// The window frame of a form's preview: title bar, and the system menu (with its close
// button), maximize and minimize buttons as the entry asks.
Qt::WindowFlags ExtFormPreviewFlags(const TExtFormInfo& Entry);
// Where the preview goes on a desktop: the entry's size (kept inside the desktop, and
// at least 50 pixels each way, so that a typed size cannot make an unusable window),
// centred when the entry asks, else at the place of the first 696 x 480 window
// centred on the desktop.
QRect ExtFormPreviewRect(const TExtFormInfo& Entry, const QRect& Desktop);

class TfrmExtFiles : public TfrmAbstractMDIChild {
    Q_OBJECT
public:
    explicit TfrmExtFiles(IEditorMain& Main, QWidget* Parent = nullptr);
    ~TfrmExtFiles() override;

    // Fills the tree from the system store's "\AdditionalPages.xml" (created empty when
    // missing), as far as the file can be read; selects the first entry.
    void LoadAdditionalPages();
    bool PagesLoaded() const noexcept { return FPagesLoaded; }

    void SaveChanges() override;
    void CloseWithoutSaving() override;

    // The selected entry's page in the browser, or the text for none.
    void ShowSelectedPage();
    // Opens a preview window of the entry's form and returns it (shown, not waited for).
    TfrmExtFormPreview* ShowFormPreview(const TExtFormInfo& Entry);

    // The selected entry, none when nothing is selected.
    TExtFormInfo* SelectedEntry();
    // The entries in tree order.
    const std::vector<TExtFormInfo>& Entries() const noexcept { return FEntries; }
    // Selects the entry at Index of the tree (none for -1).
    void SelectEntry(int Index);
    TCommandTable& Commands() noexcept { return *FCommands; }

    // Handlers.
    void actEditFileExecute();
    void actReplaceFileExecute();
    void actPreviewWindowExecute();
    void actResetPagesExecute();

    // Controls, named as in the window's design.
    QToolBar* tbExtFiles = nullptr;
    QAction* actEditFile = nullptr;
    QAction* actReplaceFile = nullptr;
    QAction* actPreviewWindow = nullptr;
    QAction* actResetPages = nullptr;
    QSplitter* splExtFiles = nullptr;
    QTreeWidget* tvExtFiles = nullptr;
    QWidget* pnlForm = nullptr;
    QLineEdit* edtCaption = nullptr;
    QSpinBox* spnedtWidth = nullptr;
    QSpinBox* spnedtHeight = nullptr;
    QCheckBox* chkCenter = nullptr;
    QCheckBox* chkScrollBars = nullptr;
    QCheckBox* chkSizeable = nullptr;
    QCheckBox* chkSystemMenu = nullptr;
    QCheckBox* chkMinimize = nullptr;
    QCheckBox* chkMaximize = nullptr;
    TMXWebBrowser* wbPage = nullptr;

private:
    void BuildFormPanel();
    TExtFormInfo* EntryOf(QTreeWidgetItem* Item);
    void StorePanel(TExtFormInfo* Entry);
    void ShowPanel(const TExtFormInfo* Entry);
    void tvExtFilesChange(QTreeWidgetItem* Current, QTreeWidgetItem* Previous);
    void PanelChanged();
    void edtCaptionEdited(const QString& Text);
    void Activated(bool Active);

    IEditorMain& FMain;
    std::vector<TExtFormInfo> FEntries;
    TCommandTable* FCommands = nullptr;
    bool FPagesLoaded = false;
    // The list could not be read to its end: it is only rewritten after an edit, so
    // that opening the window never cuts a file short.
    bool FLoadIncomplete = false;
    bool FEditedSinceLoad = false;
    bool FFillingPanel = false;
    bool FWasInactive = false;
};

// Brings the open System Pages window to the front, or creates, loads and shows one (a
// failure frees the new window and passes the error on).
TfrmExtFiles* ShowAdditionalPages(IEditorMain& Main);
