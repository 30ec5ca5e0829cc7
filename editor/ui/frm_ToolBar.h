// The toolbar designer ("ToolBar"): the document window in which the author lays out
// the reader's toolbar (the "Buttons" page) and the bookmarks of its Favourites button
// (the "Bookmarks" page). It works on a copy (TToolbarDesign) of the system store's
// "\Toolbar.xml" and "\Toolbar.buttons", written back by SaveChanges.
#pragma once

#include "frm_AbstractMDIChild.h"
#include "u_ToolbarDesign.h"

class IEditorMain;
class QAction;
class QMenu;
class QTabWidget;
class QToolBar;
class QTreeWidgetItem;
class TCommandTable;
class TToolbarListView;

class TfrmToolBar : public TfrmAbstractMDIChild {
    Q_OBJECT
public:
    explicit TfrmToolBar(IEditorMain& Main, QWidget* Parent = nullptr);
    ~TfrmToolBar() override;

    QTabWidget* pcToolbar = nullptr;
    QWidget* tsButtons = nullptr;
    QWidget* tsBookmarks = nullptr;
    QToolBar* tbButtons = nullptr;
    QToolBar* tbBookmarks = nullptr;
    TToolbarListView* lvToolBar = nullptr;
    TToolbarListView* lvBookMarks = nullptr;
    QMenu* pmButtons = nullptr;
    QMenu* pmBookmarks = nullptr;

    QAction* actAddButton = nullptr;
    QAction* actEditButton = nullptr;
    QAction* actDeleteButton = nullptr;
    QAction* actMoveUp = nullptr;
    QAction* actMoveDown = nullptr;
    QAction* actReset = nullptr;
    QAction* actPreview = nullptr;
    QAction* actAddBookMark = nullptr;
    QAction* actDelBookMark = nullptr;
    QAction* actEditBookMark = nullptr;

    // The working copy the lists show.
    const TToolbarDesign& Design() const noexcept { return FDesign; }
    bool BookmarksLoaded() const noexcept { return FDesign.BookmarksLoaded; }
    // Whether the last button dialog ended with OK.
    bool ButtonDialogOK() const noexcept { return FButtonDialogOK; }

    // Loads the store's toolbar into the lists, the pictures at the options' image size.
    void LoadToolbar();

    void ApplyChanges() override;
    void SaveChanges() override;
    void CloseWithoutSaving() override;

    // The window's commands with their enabling rules.
    TCommandTable& Commands() noexcept { return *FCommands; }

    // The commands, as the actions, keys and double clicks run them.
    void actAddButtonExecute();
    void actEditButtonExecute();
    void actDeleteButtonExecute();
    void actMoveUpExecute();
    void actMoveDownExecute();
    void actResetExecute();
    void actPreviewExecute();
    void actAddBookMarkExecute();
    void actDelBookMarkExecute();
    void actEditBookMarkExecute();

private:
    void CreateControls();
    void CreateActions();
    // The lists shown anew from the working copy, the given rows selected.
    void ShowButtons(int Selected);
    void ShowBookmarks(int Selected);
    void lvToolBarItemChanged(QTreeWidgetItem* Item, int Column);
    void lvBookMarksItemChanged(QTreeWidgetItem* Item, int Column);
    TToolbarPage FrontPage() const;
    TToolbarListView* FrontList() const;
    void MoveSelected(bool Up);
    void MarkModified();

    IEditorMain& FMain;
    TCommandTable* FCommands = nullptr;
    TToolbarDesign FDesign;
    bool FButtonDialogOK = false;
    bool FShowing = false; // the lists are being filled: their change signals are ours
};

// Brings the open designer to the front, or creates one, loads the toolbar and shows
// it. A failure while creating frees the new window and passes the error on.
TfrmToolBar* ShowToolbarDesigner(IEditorMain& Main);
